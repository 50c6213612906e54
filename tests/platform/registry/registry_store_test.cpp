// The store's promises, tested for real: broken files are never touched, a
// failed save keeps the previous file, processes killed at random moments
// leave a whole file, and processes writing at the same time lose nothing.
#include "registry/HiveFile.h"
#include "registry/RegFile.h"
#include "registry/RegistryStore.h"
#include "text/Utf.h"
#include "windows.h"

#include "DeviceFixture.h"
#include "Process.h"

#include <signal.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <random>
#include <thread>

extern char** environ;

namespace {

std::string const writer = CE_BINARY_DIR "/tests/registry_writer";

pid_t spawn_writer(std::vector<std::string> args)
{
    args.insert(args.begin(), writer);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, writer.c_str(), nullptr, nullptr, argv.data(), environ), 0) << writer;
    return pid;
}

// The same with the writer on the device in `directory`.
pid_t spawn_writer_on(std::filesystem::path const& directory, std::vector<std::string> args)
{
    args.insert(args.begin(), writer);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables { "CE_DEVICE_DIR=" + directory.string() };
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "CE_DEVICE_DIR=", 14) != 0)
            variables.emplace_back(*variable);
    }
    std::vector<char*> envp;
    for (auto& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, writer.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0) << writer;
    return pid;
}

int wait_for(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The writer's status once it ends, within `seconds`; one that takes longer
// (a writer waiting for a lock that is never given back) is killed, and the
// test fails rather than hang.
int wait_within(pid_t pid, int seconds)
{
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        int status = 0;
        pid_t const done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            wait_for(pid);
            ADD_FAILURE() << "a writer still ran after " << seconds << " s";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// What the writer prints on its standard output; what it says on its standard
// error goes to the test's.
std::string run_writer_output(std::vector<std::string> args)
{
    args.insert(args.begin(), writer);
    auto const process = test_support::run_process(args, {});
    std::fputs(process.err.c_str(), stderr);
    return process.out;
}

std::vector<std::string> files_in(std::filesystem::path const& dir)
{
    std::vector<std::string> names;
    for (auto const& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryStoreTest : public test_support::DeviceFixture {
protected:
    HKEY create(LPCWSTR path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    // Starts a writer that counts up and kills it at a random moment once it is
    // busy saving, however long it takes to start (much longer under
    // sanitizers); gives its wait status.
    int kill_a_writer_while_it_saves(std::mt19937& random)
    {
        using namespace std::chrono;
        std::uniform_int_distribution<int> delay_us(0, 15000);
        auto const before = read_file(registry_file());
        pid_t const pid = spawn_writer({ "count" });
        auto const give_up = steady_clock::now() + seconds(2);
        while (read_file(registry_file()) == before && steady_clock::now() < give_up)
            std::this_thread::sleep_for(microseconds(200));
        std::this_thread::sleep_for(microseconds(delay_us(random)));
        ::kill(pid, SIGKILL);
        return wait_for(pid);
    }
};

TEST_F(RegistryStoreTest, BrokenFileIsNeverTouched)
{
    std::string const good = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvane]\n"
                             "\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\n"
                             "  19,1a\n";
    static char const garbage[] = "\x7f" "ELF\x02\x01\x01\0\0\0\xff\xfe\x03\0";
    struct Case {
        char const* label;
        std::string bytes;
        int line;
    } const cases[] = {
        { "hand edit gone wrong", "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"Name\"=\"text\n", 4 },
        { "truncated", good.substr(0, good.size() - 8), 4 },
        { "binary garbage", std::string(garbage, sizeof garbage - 1), 1 },
        { "emptied", "", 1 },
    };
    int index = 0;
    for (auto const& c : cases) {
        auto case_dir = dir() / ("case" + std::to_string(index++));
        std::filesystem::create_directories(case_dir);
        ::setenv("CE_DEVICE_DIR", case_dir.c_str(), 1);
        auto file = case_dir / "registry.reg";
        write_file(file, c.bytes);
        auto before = std::filesystem::last_write_time(file);

        testing::internal::CaptureStderr();
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_REGISTRY_CORRUPT) << c.label;
        EXPECT_EQ(key, nullptr) << c.label;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, 0, nullptr, &key, nullptr),
                  ERROR_REGISTRY_CORRUPT)
            << c.label;
        BYTE data[] = { 1 };
        EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"v", 0, REG_BINARY, data, 1), ERROR_REGISTRY_CORRUPT) << c.label;
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(HKEY_LOCAL_MACHINE, u"v", nullptr, nullptr, nullptr, &size), ERROR_REGISTRY_CORRUPT)
            << c.label;
        EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software"), ERROR_REGISTRY_CORRUPT) << c.label;
        std::string message = testing::internal::GetCapturedStderr();

        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << c.label << ": one message, not one per call:\n"
                                                                       << message;
        EXPECT_NE(message.find(file.string()), std::string::npos) << c.label << ": " << message;
        EXPECT_NE(message.find("line " + std::to_string(c.line)), std::string::npos) << c.label << ": " << message;
        EXPECT_EQ(read_file(file), c.bytes) << c.label << ": the file changed";
        EXPECT_EQ(std::filesystem::last_write_time(file), before) << c.label;
        for (auto const& name : files_in(case_dir))
            EXPECT_TRUE(name == "registry.reg" || name == "registry.lock") << c.label << ": left " << name;

        // Once repaired, the registry works again.
        write_file(file, good);
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Corvane", 0, 0, &key), ERROR_SUCCESS) << c.label;
        EXPECT_EQ(RegQueryValueExW(key, u"Blob", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS) << c.label;
        EXPECT_EQ(size, 26u) << c.label;
        RegCloseKey(key);
    }
}

// What a broken file holds reaches the terminal only as visible escapes, and
// a huge name only as its first 200 characters.
TEST_F(RegistryStoreTest, MessagesAboutABrokenFileAreSafeAndShort)
{
    std::string const header = "Windows Registry Editor Version 5.00\n\n";
    struct Case {
        char const* label;
        std::string bytes;
        std::string shown;
    } const cases[] = {
        { "terminal sequences in a root name", header + "[\x1b]0;owned\x07\x1b[2J\\Software]\n",
          "\"\\x1B]0;owned\\x07\\x1B[2J\"" },
        { "a long key name", header + "[HKEY_LOCAL_MACHINE\\" + std::string(300, 'a') + "\x1b]0;owned\x07\x1b[2J]\n",
          "\"" + std::string(200, 'a') + "\"\xE2\x80\xA6 (314 characters)" },
        { "C1 and bidi in a root name", header + "[HK\xC2\x9B" "2J\xE2\x80\xAE]\n", "\"HK\\u009B2J\\u202E\"" },
        { "a huge key name", header + "[HKEY_LOCAL_MACHINE\\" + std::string(20u << 20, '\x1b') + "]\n",
          "(20971520 characters)" },
    };
    for (auto const& c : cases) {
        write_file(registry_file(), c.bytes);
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_REGISTRY_CORRUPT) << c.label;
        std::string const message = testing::internal::GetCapturedStderr();
        EXPECT_LT(message.size(), 2000u) << c.label;
        EXPECT_NE(message.find(c.shown), std::string::npos) << c.label << ": " << message;
        for (std::size_t i = 0; i + 1 < message.size(); ++i) {
            auto const byte = static_cast<unsigned char>(message[i]);
            ASSERT_TRUE(byte >= 0x20 && byte != 0x7F) << c.label << ": a control character at " << i << ": " << message;
            ASSERT_FALSE(byte == 0xC2 && static_cast<unsigned char>(message[i + 1]) < 0xA0) << c.label << ": C1 at " << i;
            ASSERT_FALSE(message.compare(i, 3, "\xE2\x80\xAE") == 0) << c.label << ": bidi override at " << i;
        }
    }
}

// A large file is parsed once per process: later calls look at its identity
// only, a change of our own is saved without being read back, and a file that
// another process changed is read again.
TEST_F(RegistryStoreTest, AnUnchangedFileIsReadOnce)
{
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Bulk]\n";
    for (int i = 0; i < 100000; ++i)
        text += "\"Value" + std::to_string(i) + "\"=\"text " + std::to_string(i) + "\"\n";
    write_file(registry_file(), text);
    auto& store = platform::registry::RegistryStore::current();
    std::size_t const reads = store.file_reads();

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Bulk", 0, 0, &key), ERROR_SUCCESS);
    for (int i = 0; i < 100000; i += 997) {
        auto name = u"VALUE" + std::u16string(platform::text::to_utf16(std::to_string(i)));
        WCHAR data[64] = {};
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(data), u"text " + platform::text::to_utf16(std::to_string(i)));
    }
    WCHAR name[32];
    DWORD length = 32;
    ASSERT_EQ(RegEnumValueW(key, 99999, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Value99999") << "creation order is kept";
    EXPECT_EQ(store.file_reads(), reads + 1);

    std::size_t const saves = store.saves();
    BYTE one[] = { 1 };
    ASSERT_EQ(RegSetValueExW(key, u"Value5", 0, REG_BINARY, one, 1), ERROR_SUCCESS);
    EXPECT_EQ(store.saves(), saves + 1);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"Value5", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(store.file_reads(), reads + 1) << "our own save is not read back";

    // Another process's change, of the same size as what it replaced.
    auto const before = read_file(registry_file());
    auto changed = before;
    std::string const old_line = "\"Value7\"=\"text 7\"\n";
    changed.replace(changed.find(old_line), old_line.size(), "\"Value7\"=\"TEXT 7\"\n");
    write_file(registry_file(), changed);
    WCHAR data[64] = {};
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(key, u"Value7", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(data), u"TEXT 7");
    EXPECT_EQ(store.file_reads(), reads + 2);
    RegCloseKey(key);
}

// Every call that changes something is one save, however many keys it makes.
TEST_F(RegistryStoreTest, OneSavePerChange)
{
    auto& store = platform::registry::RegistryStore::current();
    std::size_t const saves = store.saves();
    HKEY key = create(u"Software\\A\\B\\C\\D");
    EXPECT_EQ(store.saves(), saves + 1);
    RegCloseKey(key);
    key = create(u"Software\\A\\B\\C\\D");
    EXPECT_EQ(store.saves(), saves + 1) << "opening an existing key saves nothing";
    RegCloseKey(key);
    BYTE const record[4] = { 1, 2, 3, 4 };
    ASSERT_EQ(platform::registry::store_value({ u"HKEY_LOCAL_MACHINE", u"Time" }, u"TimeZoneInformation", REG_BINARY,
                                              record),
              ERROR_SUCCESS);
    EXPECT_EQ(store.saves(), saves + 2) << "a key and its value in one save";
}

// registry.reg may be a symbolic link (to a file kept with other settings, say):
// a save goes through it and the link stays. registry.lock is never followed.
TEST_F(RegistryStoreTest, SymbolicLinks)
{
    auto const elsewhere = dir() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    auto const target = elsewhere / "device.reg";
    write_file(target, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Linked]\n");
    std::filesystem::create_symlink(target, registry_file());
    HKEY key = create(u"Software\\Linked\\Below");
    BYTE one[] = { 1 };
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, one, 1), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(std::filesystem::is_symlink(registry_file()));
    EXPECT_NE(read_file(target).find("[HKEY_LOCAL_MACHINE\\Software\\Linked\\Below]\n\"v\"=hex:01\n"), std::string::npos)
        << read_file(target);
    EXPECT_EQ(files_in(elsewhere), (std::vector<std::string> { "device.lock", "device.reg" }))
        << "the lock belongs to the file written";

    // A link that leads nowhere is refused, and nothing is created for it.
    std::filesystem::remove(target);
    testing::internal::CaptureStderr();
    HKEY other = nullptr;
    EXPECT_NE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, 0, nullptr, &other, nullptr),
              ERROR_SUCCESS);
    std::string const message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("symbolic link that leads to no file"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::is_symlink(registry_file()));
    std::filesystem::remove(registry_file());

    // A lock that is a dangling link does not get its target created.
    auto const planted = dir() / "planted";
    std::filesystem::remove(dir() / "registry.lock");
    std::filesystem::create_symlink(planted, dir() / "registry.lock");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, 0, nullptr, &other, nullptr),
              ERROR_LOCK_VIOLATION);
    std::string const lock_message = testing::internal::GetCapturedStderr();
    EXPECT_NE(lock_message.find("symbolic link"), std::string::npos) << lock_message;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(planted)));
    EXPECT_FALSE(std::filesystem::exists(registry_file()));
}

TEST_F(RegistryStoreTest, FailedSaveKeepsThePreviousFile)
{
    HKEY key = create(u"Software\\Limited");
    BYTE small[] = { 1, 2, 3 };
    ASSERT_EQ(RegSetValueExW(key, u"Small", 0, REG_BINARY, small, 3), ERROR_SUCCESS);
    RegCloseKey(key);
    std::string const before = read_file(registry_file());

    // A writer whose files may not grow beyond a little more than the current
    // file: the new one, with a 4000-byte value, cannot be written.
    auto output = run_writer_output({ "fsize", std::to_string(before.size() + 100), "4000" });
    EXPECT_EQ(output, std::to_string(ERROR_DISK_FULL) + "\n");
    EXPECT_EQ(read_file(registry_file()), before);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "registry.lock", "registry.reg" }))
        << "the temporary file is removed";

    // Without the limit the same change goes through.
    output = run_writer_output({ "fsize", std::to_string(1 << 20), "4000" });
    EXPECT_EQ(output, "0\n");
    DWORD size = 0;
    key = create(u"Software\\Limited");
    EXPECT_EQ(RegQueryValueExW(key, u"Big", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4000u);
    RegCloseKey(key);
}

DWORD counter_of(std::vector<BYTE> const& data)
{
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
}

TEST_F(RegistryStoreTest, KilledWritersLeaveAWholeFile)
{
    using namespace std::chrono;
    std::random_device device;
    unsigned seed = device();
    std::mt19937 random(seed);
    auto const deadline = steady_clock::now() + seconds(4);
    DWORD last = 0;
    int kills = 0;
    for (; kills < 40 && steady_clock::now() < deadline; ++kills) {
        int const status = kill_a_writer_while_it_saves(random);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        if (!std::filesystem::exists(registry_file()))
            continue;
        auto bytes = read_file(registry_file());
        auto parsed = platform::registry::parse_reg_file(
            std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), platform::registry::RegFileUse::Store);
        ASSERT_TRUE(parsed.has_value()) << "kill " << kills << " (seed " << seed << "): " << parsed.error().message << "\n" << bytes;
        auto tree = platform::registry::make_empty_tree();
        platform::registry::apply_reg_edits(tree, *parsed);
        auto const* kill_key = tree.find_path(platform::registry::KeyPath { u"HKEY_LOCAL_MACHINE", u"Software", u"Kill" });
        if (!kill_key)
            continue;
        auto const* value = kill_key->find_value(u"Counter");
        if (!value) {
            ASSERT_EQ(last, 0u) << "the value disappeared";
            continue;
        }
        DWORD n = counter_of(value->data);
        ASSERT_GE(n, last) << "an older value came back (seed " << seed << ")";
        ASSERT_EQ(value->data.size(), 1000 + n % 500) << "mixed-up value " << n;
        ASSERT_TRUE(std::all_of(value->data.begin() + 4, value->data.end(), [&](BYTE b) { return b == BYTE(n); }))
            << "mixed-up value " << n;
        last = n;
    }
    EXPECT_GT(last, 0u) << "the writers never got a change through in " << kills << " runs";

    // Temporary files of writers killed while saving go with the next save.
    HKEY key = create(u"Software\\After");
    RegCloseKey(key);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "registry.lock", "registry.reg" }));
}

TEST_F(RegistryStoreTest, ParallelWritersLoseNothing)
{
    constexpr int writers = 4;
    constexpr int values = 25;
    std::vector<pid_t> pids;
    for (int w = 0; w < writers; ++w) {
        // All of them in one shared key, and each also in a key of its own.
        pids.push_back(spawn_writer({ "values", "Software\\Shared", "w" + std::to_string(w) + "_", std::to_string(values) }));
        pids.push_back(spawn_writer({ "values", "Software\\Own" + std::to_string(w), "v", std::to_string(values) }));
    }
    for (pid_t pid : pids) {
        int status = wait_for(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
    }
    HKEY shared = create(u"Software\\Shared");
    for (int w = 0; w < writers; ++w) {
        HKEY own = create((u"Software\\Own" + std::u16string(1, char16_t(u'0' + w))).c_str());
        for (int i = 0; i < values; ++i) {
            auto digits = std::to_string(i);
            std::u16string number(digits.begin(), digits.end());
            auto shared_name = u"w" + std::u16string(1, char16_t(u'0' + w)) + u"_" + number;
            DWORD data = 0xFFFF, size = 4;
            EXPECT_EQ(RegQueryValueExW(shared, shared_name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                                       &size),
                      ERROR_SUCCESS)
                << "writer " << w << " value " << i << " in the shared key";
            EXPECT_EQ(data, static_cast<DWORD>(i));
            EXPECT_EQ(RegQueryValueExW(own, (u"v" + number).c_str(), nullptr, nullptr, nullptr, &size), ERROR_SUCCESS)
                << "writer " << w << " value " << i << " in its own key";
        }
        RegCloseKey(own);
    }
    RegCloseKey(shared);
}

TEST_F(RegistryStoreTest, LeftoverTemporaryFilesGoWithTheNextSave)
{
    write_file(dir() / "registry.reg.tmp-AbC123", "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Half");
    HKEY key = create(u"Software\\Fresh");
    RegCloseKey(key);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "registry.lock", "registry.reg" }));
}

TEST_F(RegistryStoreTest, DeviceDirectoryIsCreatedOnFirstUse)
{
    auto device = dir() / "new" / "device";
    ::setenv("CE_DEVICE_DIR", device.c_str(), 1);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    for (auto const& made : { dir() / "new", device }) {
        EXPECT_TRUE(std::filesystem::is_directory(made)) << made;
        EXPECT_EQ(std::filesystem::status(made).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all)
            << made;
    }
    EXPECT_FALSE(std::filesystem::exists(device / "registry.reg")) << "reading writes nothing";
    key = create(u"Software");
    RegCloseKey(key);
    EXPECT_TRUE(std::filesystem::exists(device / "registry.reg"));
}

TEST_F(RegistryStoreTest, UnusableDeviceDirectoryIsReported)
{
    write_file(dir() / "plain-file", "x");
    auto bad = dir() / "plain-file" / "device";
    ::setenv("CE_DEVICE_DIR", bad.c_str(), 1);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_PATH_NOT_FOUND);
    auto message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(bad.string()), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

// Checks the values that the registry_writer's "values" command sets.
void expect_values(std::u16string const& key_path, std::string const& prefix, int count, std::string const& label)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, 0, &key), ERROR_SUCCESS) << label;
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        auto const name = platform::text::to_utf16(prefix + std::to_string(i));
        DWORD data = 0xFFFF, size = 4;
        if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS
            || data != static_cast<DWORD>(i))
            ++missing;
    }
    RegCloseKey(key);
    EXPECT_EQ(missing, 0) << label << ": values lost";
}

TEST_F(RegistryStoreTest, DevicesSharingOneHiveThroughLinksLoseNothing)
{
    // Two device directories whose registry.reg are symbolic links to one
    // file in a third: every writer of that file takes its lock, wherever
    // it comes from, and no save removes another's temporary file.
    auto const shared = dir() / "shared";
    auto const first = dir() / "first";
    auto const second = dir() / "second";
    for (auto const& d : { shared, first, second })
        std::filesystem::create_directories(d);
    write_file(shared / "hive.reg", "Windows Registry Editor Version 5.00\n");
    std::filesystem::create_symlink(shared / "hive.reg", first / "registry.reg");
    std::filesystem::create_symlink("../shared/hive.reg", second / "registry.reg");
    constexpr int values = 25;
    std::vector<pid_t> pids;
    for (int w = 0; w < 3; ++w) {
        for (auto const& device : { first, second }) {
            std::string const prefix = device.filename().string() + std::to_string(w) + "_";
            pids.push_back(spawn_writer_on(device, { "values", "Software\\Shared", prefix, std::to_string(values) }));
        }
    }
    for (pid_t pid : pids) {
        int status = wait_within(pid, 60);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
    }
    ::setenv("CE_DEVICE_DIR", first.c_str(), 1);
    for (int w = 0; w < 3; ++w) {
        for (auto const& device : { first, second }) {
            std::string const prefix = device.filename().string() + std::to_string(w) + "_";
            expect_values(u"Software\\Shared", prefix, values, prefix);
        }
    }
    EXPECT_EQ(files_in(shared), (std::vector<std::string> { "hive.lock", "hive.reg" }));
    EXPECT_TRUE(std::filesystem::is_symlink(first / "registry.reg"));
    EXPECT_TRUE(std::filesystem::is_symlink(second / "registry.reg"));
}

TEST_F(RegistryStoreTest, ASaveKeepsTheFilesModeOwnerAndLinks)
{
    HKEY key = create(u"Software\\Kept");
    RegCloseKey(key);
    struct Case {
        char const* label;
        mode_t mode;
    } const cases[] = { { "readable by all", 0644 }, { "group-writable", 0660 }, { "owner-only", 0600 } };
    for (auto const& c : cases) {
        ASSERT_EQ(::chmod(registry_file().c_str(), c.mode), 0);
        key = create((u"Software\\Kept\\" + platform::text::to_utf16(std::to_string(c.mode))).c_str());
        RegCloseKey(key);
        struct stat st {};
        ASSERT_EQ(::stat(registry_file().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.label;
    }

    // A second name for the file: a save writes the file itself, so both
    // names keep showing one text.
    auto const other = dir() / "other-name.reg";
    ASSERT_EQ(::link(registry_file().c_str(), other.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(registry_file().c_str(), &before), 0);
    key = create(u"Software\\Kept\\Linked");
    RegCloseKey(key);
    struct stat after {};
    ASSERT_EQ(::stat(registry_file().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_NE(read_file(other).find("[HKEY_LOCAL_MACHINE\\Software\\Kept\\Linked]"), std::string::npos)
        << read_file(other);
    EXPECT_EQ(read_file(other), read_file(registry_file()));
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "other-name.reg", "registry.lock", "registry.reg" }));

    // Writers in parallel on the linked file lose nothing either.
    std::vector<pid_t> pids;
    for (int w = 0; w < 3; ++w)
        pids.push_back(spawn_writer({ "values", "Software\\Kept", "w" + std::to_string(w) + "_", "20" }));
    for (pid_t pid : pids) {
        int status = wait_within(pid, 60);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
    }
    for (int w = 0; w < 3; ++w)
        expect_values(u"Software\\Kept", "w" + std::to_string(w) + "_", 20, "writer " + std::to_string(w));
    EXPECT_EQ(read_file(other), read_file(registry_file()));

    // Root's change of a user's device leaves the file the user's.
    if (::geteuid() != 0)
        GTEST_SKIP() << "the owner is kept only where the writer may give it: run as root for that part";
    std::filesystem::remove(other);
    uid_t const user = 65534;
    ASSERT_EQ(::chown(registry_file().c_str(), user, user), 0);
    // A lock that root makes is the file's owner's too, so the owner can
    // still take it.
    std::filesystem::remove(dir() / "registry.lock");
    key = create(u"Software\\Kept\\ByRoot");
    RegCloseKey(key);
    for (auto const& path : { registry_file(), dir() / "registry.lock" }) {
        struct stat owned {};
        ASSERT_EQ(::stat(path.c_str(), &owned), 0);
        EXPECT_EQ(owned.st_uid, user) << path;
        EXPECT_EQ(owned.st_gid, user) << path;
        EXPECT_EQ(owned.st_mode & 07777, 0600u) << path;
    }
}

TEST_F(RegistryStoreTest, AnInPlaceSaveCutShortIsFinishedFromItsJournal)
{
    // A crash while a file with two names was being overwritten: the file
    // holds half a text, the journal beside it the whole new one.
    std::string const whole = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Whole]\n"
                              "\"v\"=dword:00000007\n";
    write_file(registry_file(), whole.substr(0, 50));
    auto const other = dir() / "other-name.reg";
    ASSERT_EQ(::link(registry_file().c_str(), other.c_str()), 0);
    write_file(dir() / "registry.reg.journal", whole);
    write_file(dir() / "registry.lock", "");

    // A reader takes the journal's text.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Whole", 0, 0, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    // The next change first puts it in place.
    key = create(u"Software\\After");
    RegCloseKey(key);
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "other-name.reg", "registry.lock", "registry.reg" }));
    std::string const now = read_file(other);
    EXPECT_NE(now.find("[HKEY_LOCAL_MACHINE\\Software\\Whole]\n\"v\"=dword:00000007"), std::string::npos) << now;
    EXPECT_NE(now.find("[HKEY_LOCAL_MACHINE\\Software\\After]"), std::string::npos) << now;
}

TEST_F(RegistryStoreTest, KilledWritersOfAFileWithTwoNamesLeaveAWholeRegistry)
{
    // Every save of a file with two names writes it in place, through its
    // journal: killed at any moment, the writer leaves a registry that reads
    // whole, never older than a change already seen.
    HKEY key = create(u"Software\\Kill");
    RegCloseKey(key);
    auto const other = dir() / "other-name.reg";
    ASSERT_EQ(::link(registry_file().c_str(), other.c_str()), 0);
    using namespace std::chrono;
    std::random_device device;
    unsigned const seed = device();
    std::mt19937 random(seed);
    auto const deadline = steady_clock::now() + seconds(4);
    DWORD last = 0;
    int kills = 0;
    for (; kills < 25 && steady_clock::now() < deadline; ++kills) {
        kill_a_writer_while_it_saves(random);

        key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Kill", 0, 0, &key), ERROR_SUCCESS)
            << "kill " << kills << " (seed " << seed << ")";
        std::vector<BYTE> data(4000);
        DWORD size = static_cast<DWORD>(data.size());
        LONG const status = RegQueryValueExW(key, u"Counter", nullptr, nullptr, data.data(), &size);
        RegCloseKey(key);
        if (status == ERROR_FILE_NOT_FOUND) {
            ASSERT_EQ(last, 0u) << "the value disappeared (seed " << seed << ")";
            continue;
        }
        ASSERT_EQ(status, ERROR_SUCCESS) << "kill " << kills << " (seed " << seed << ")";
        data.resize(size);
        DWORD const n = counter_of(data);
        ASSERT_GE(n, last) << "an older value came back (seed " << seed << ")";
        ASSERT_EQ(data.size(), 1000 + n % 500) << "mixed-up value " << n;
        ASSERT_TRUE(std::all_of(data.begin() + 4, data.end(), [&](BYTE b) { return b == BYTE(n); }))
            << "mixed-up value " << n;
        last = n;
    }
    EXPECT_GT(last, 0u) << "the writers never got a change through in " << kills << " runs";

    // The next change first finishes what a killed writer left: both names
    // then hold one whole text, and no journal or temporary file is left.
    key = create(u"Software\\After");
    RegCloseKey(key);
    auto const bytes = read_file(registry_file());
    EXPECT_EQ(read_file(other), bytes);
    auto const parsed = platform::registry::parse_reg_file(
        std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), platform::registry::RegFileUse::Store);
    EXPECT_TRUE(parsed.has_value()) << parsed.error().message;
    EXPECT_EQ(files_in(dir()), (std::vector<std::string> { "other-name.reg", "registry.lock", "registry.reg" }));
}

TEST_F(RegistryStoreTest, SpecialFilesAreRefusedNotOpened)
{
    // Each is refused at once with one line that says what it is; a FIFO is
    // never waited on, and none is replaced by a save.
    auto const fifo = dir() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        char const* label;
        std::filesystem::path target; // registry.reg itself when empty
        char const* said;
    } const cases[] = {
        { "a FIFO", {}, "it is a FIFO, not a regular file" },
        { "a link to a FIFO", fifo, "it is a FIFO, not a regular file" },
        { "a link to /dev/null", "/dev/null", "it is a character device, not a regular file" },
    };
    for (auto const& c : cases) {
        // A device of its own for each, as the store says each problem once.
        auto const device = dir() / ("device-" + std::to_string(&c - cases));
        std::filesystem::create_directories(device);
        ::setenv("CE_DEVICE_DIR", device.c_str(), 1);
        auto const file = device / "registry.reg";
        if (c.target.empty())
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        else
            std::filesystem::create_symlink(c.target, file);
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_REGISTRY_IO_FAILED) << c.label;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, 0, nullptr, &key, nullptr),
                  ERROR_REGISTRY_IO_FAILED)
            << c.label;
        std::string const message = testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find(c.said), std::string::npos) << c.label << ": " << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        struct stat st {};
        ASSERT_EQ(::lstat(file.c_str(), &st), 0);
        EXPECT_EQ(c.target.empty() ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode), true) << c.label << " is kept";
        EXPECT_EQ(files_in(device), (std::vector<std::string> { "registry.reg" })) << c.label;
    }
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
}

TEST_F(RegistryStoreTest, AHiveBeyondTheDevicesLimitIsRefusedWithItsSize)
{
    // Sparse: it takes no room, and is never read.
    write_file(registry_file(), "Windows Registry Editor Version 5.00\n");
    std::filesystem::resize_file(registry_file(), platform::registry::max_hive_size + 1);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_REGISTRY_IO_FAILED);
    std::string const message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("it holds " + std::to_string(platform::registry::max_hive_size + 1) + " bytes"),
              std::string::npos)
        << message;
}

}
