// A fresh, empty device directory for each test, pointed at by CE_DEVICE_DIR
// for as long as the test runs, and removed afterwards. The host's time zone
// (TZ) can be chosen for the test as well; both variables, and any others the
// test asks to keep, are put back as they were when it ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        keep_variable("CE_DEVICE_DIR");
        keep_variable("TZ");
        // Below the device directory the test runner gives this executable,
        // or the system's temporary directory when there is none.
        char const* base = std::getenv("CE_DEVICE_DIR");
        m_parent = base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(m_parent);
        fresh_device();
    }

    void TearDown() override
    {
        for (auto it = m_kept.rbegin(); it != m_kept.rend(); ++it)
            set_variable(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
        m_kept.clear();
        remove_device();
    }

    // Starts over on a new, empty device directory beside the last one,
    // which is removed: for a test that runs several cases in a loop.
    void fresh_device()
    {
        remove_device();
        std::string pattern = (m_parent / "case-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ::setenv("CE_DEVICE_DIR", m_dir.c_str(), 1);
    }

    // Puts the variable back at the end of the test as it is now.
    void keep_variable(char const* name)
    {
        char const* value = std::getenv(name);
        m_kept.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    // Sets the variable, or unsets it when `value` is null.
    static void set_variable(char const* name, char const* value)
    {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

    static void set_host_zone(char const* zone) { ::setenv("TZ", zone, 1); }

    std::filesystem::path const& dir() const { return m_dir; }
    std::filesystem::path registry_file() const { return m_dir / "registry.reg"; }

    static std::string read_file(std::filesystem::path const& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    static void write_file(std::filesystem::path const& path, std::string const& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    void remove_device()
    {
        if (m_dir.empty())
            return;
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
        m_dir.clear();
    }

    std::filesystem::path m_parent;
    std::filesystem::path m_dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_kept;
};

}
