// Where the device directory is and how it comes into being.
#include "registry/DeviceDirectory.h"

#include "DeviceFixture.h"

#include <sys/stat.h>

#include <cerrno>

using platform::registry::device_directory;
using platform::registry::device_directory_path;

namespace {

class DeviceDirectory : public test_support::DeviceFixture {
protected:
    void SetUp() override
    {
        keep_variable("XDG_DATA_HOME");
        keep_variable("HOME");
        DeviceFixture::SetUp();
    }
};

TEST_F(DeviceDirectory, PathFollowsTheEnvironment)
{
    struct Case {
        char const* label;
        char const* device;
        char const* xdg;
        char const* home;
        char const* expected;
    } const cases[] = {
        { "CE_DEVICE_DIR wins", "/d/dev", "/x", "/h", "/d/dev" },
        { "XDG_DATA_HOME next", nullptr, "/x", "/h", "/x/ce-device" },
        { "empty CE_DEVICE_DIR counts as unset", "", "/x", "/h", "/x/ce-device" },
        { "HOME last", nullptr, nullptr, "/h", "/h/.local/share/ce-device" },
        { "relative XDG_DATA_HOME is ignored", nullptr, "rel", "/h", "/h/.local/share/ce-device" },
        { "nothing at all", nullptr, nullptr, nullptr, "" },
    };
    for (auto const& c : cases) {
        set_variable("CE_DEVICE_DIR", c.device);
        set_variable("XDG_DATA_HOME", c.xdg);
        set_variable("HOME", c.home);
        EXPECT_EQ(device_directory_path(), std::filesystem::path(c.expected)) << c.label;
    }
}

TEST_F(DeviceDirectory, CreatedWithMissingParentsOwnerOnly)
{
    ::unsetenv("CE_DEVICE_DIR");
    ::setenv("XDG_DATA_HOME", (dir() / "data" / "home").c_str(), 1);
    auto const found = device_directory();
    ASSERT_TRUE(found.has_value()) << found.error().message;
    auto const path = *found;
    EXPECT_EQ(path, dir() / "data" / "home" / "ce-device");
    for (auto const& made : { dir() / "data", dir() / "data" / "home", path }) {
        struct stat st {};
        ASSERT_EQ(::stat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 07777, 0700u) << made;
    }

    // An existing directory keeps the permissions its owner gave it.
    ::chmod(path.c_str(), 0750);
    auto const again = device_directory();
    ASSERT_TRUE(again.has_value()) << again.error().message;
    EXPECT_EQ(*again, path);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
}

TEST_F(DeviceDirectory, ClearErrorWhenItCannotBeMade)
{
    write_file(dir() / "file", "x");
    ::setenv("CE_DEVICE_DIR", (dir() / "file" / "dev").c_str(), 1);
    auto const made = device_directory();
    ASSERT_FALSE(made.has_value());
    auto const& error = made.error().message;
    EXPECT_EQ(made.error().code, ENOTDIR);
    EXPECT_NE(error.find((dir() / "file" / "dev").string()), std::string::npos) << error;
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
}

}
