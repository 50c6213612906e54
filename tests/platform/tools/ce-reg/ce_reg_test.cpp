// ce-reg, driven as users drive it: the real binary on a fresh device
// directory, its exit status, what it prints, and what it leaves in the
// registry (read back through the registry API, byte for byte).
#include "windows.h"

#include "../DeviceVersion.h"
#include "DeviceFixture.h"
#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>

namespace {

std::string const ce_reg = test_support::binary_path("ce-reg");

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CeReg : public test_support::DeviceFixture {
protected:
    // Runs ce-reg with standard input from /dev/null, as in a script.
    RunResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), ce_reg);
        test_support::ProcessOptions options;
        options.input_from_null = true;
        auto const process = test_support::run_process(args, {}, options);
        return { process.shell_status(), process.out, process.err };
    }

    // Runs ce-reg with `input` on standard input (a pipe).
    RunResult run_with_input(std::vector<std::string> args, std::string const& input)
    {
        args.insert(args.begin(), ce_reg);
        auto const process = test_support::run_process(args, {}, input);
        return { process.shell_status(), process.out, process.err };
    }

    // Runs ce-reg on a terminal, answering its question with `answer`.
    RunResult run_on_terminal(std::vector<std::string> args, std::string const& answer)
    {
        args.insert(args.begin(), ce_reg);
        int master = -1;
        pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            std::vector<char*> argv;
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(ce_reg.c_str(), argv.data());
            _exit(127);
        }
        RunResult result;
        bool answered = false;
        for (;;) {
            pollfd fd { master, POLLIN, 0 };
            if (poll(&fd, 1, 5000) <= 0)
                break;
            char buffer[512];
            ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            result.out.append(buffer, static_cast<std::size_t>(got));
            if (!answered && result.out.find("(Yes/No)? ") != std::string::npos) {
                std::string line = answer + "\n";
                EXPECT_EQ(write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
                answered = true;
            }
        }
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        EXPECT_TRUE(answered) << "no question was asked:\n" << result.out;
        return result;
    }

    struct Stored {
        LONG status = -1;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    static Stored stored(LPCWSTR key_path, LPCWSTR name, HKEY root = HKEY_LOCAL_MACHINE)
    {
        Stored result;
        HKEY key = nullptr;
        result.status = RegOpenKeyExW(root, key_path, 0, KEY_READ, &key);
        if (result.status != ERROR_SUCCESS)
            return result;
        DWORD size = 0;
        result.status = RegQueryValueExW(key, name, nullptr, &result.type, nullptr, &size);
        if (result.status == ERROR_SUCCESS) {
            result.data.resize(size);
            result.status = RegQueryValueExW(key, name, nullptr, &result.type, result.data.data(), &size);
        }
        RegCloseKey(key);
        return result;
    }

    static bool key_exists(LPCWSTR key_path)
    {
        HKEY key = nullptr;
        LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key);
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    static void set(LPCWSTR key_path, LPCWSTR name, DWORD type, std::vector<BYTE> const& data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

std::vector<BYTE> text_bytes(std::u16string const& text)
{
    std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
    std::memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}

std::string const key = "HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS";
LPCWSTR const key16 = u"Software\\Corvane\\Tembrel\\DEFAULTS";

TEST_F(CeReg, AddStoresEachTypeAndQueryShowsIt)
{
    struct Case {
        char const* type;
        char const* data;
        DWORD stored_type;
        std::vector<BYTE> bytes;
        char const* shown;
    } const cases[] = {
        { "REG_SZ", "Default: -60", REG_SZ, text_bytes(u"Default: -60"), "Default: -60" },
        { "reg_sz", "", REG_SZ, { 0, 0 }, "" },
        { "REG_EXPAND_SZ", "%HOME%\\x", REG_EXPAND_SZ, text_bytes(u"%HOME%\\x"), "%HOME%\\x" },
        { "REG_MULTI_SZ", "a\\0bc", REG_MULTI_SZ, { 'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0 }, "a\\0bc" },
        { "REG_DWORD", "42", REG_DWORD, { 42, 0, 0, 0 }, "0x2a" },
        { "REG_DWORD", "0xFFFFFFFF", REG_DWORD, { 0xff, 0xff, 0xff, 0xff }, "0xffffffff" },
        { "REG_QWORD", "0x100000000", REG_QWORD, { 0, 0, 0, 0, 1, 0, 0, 0 }, "0x100000000" },
        { "REG_BINARY", "0aFF10", REG_BINARY, { 0x0a, 0xff, 0x10 }, "0AFF10" },
        { "REG_NONE", "x", REG_NONE, { 'x', 0, 0, 0 }, "78000000" },
    };
    for (auto const& c : cases) {
        auto added = run({ "add", key, "/v", "Value", "/t", c.type, "/d", c.data, "/f" });
        EXPECT_EQ(added.status, 0) << c.type << ": " << added.err;
        EXPECT_EQ(added.out, "The operation completed successfully.\n");
        auto value = stored(key16, u"Value");
        EXPECT_EQ(value.status, ERROR_SUCCESS) << c.type;
        EXPECT_EQ(value.type, c.stored_type) << c.type;
        EXPECT_EQ(value.data, c.bytes) << c.type;

        auto query = run({ "query", key, "/v", "VALUE" });
        EXPECT_EQ(query.status, 0) << c.type << ": " << query.err;
        std::string type_name = c.type;
        for (auto& ch : type_name)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(query.out, "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS\n    Value    " + type_name
                                 + "    " + c.shown + "\n\n")
            << c.type;
    }
}

TEST_F(CeReg, QueryListsValuesInOrderAndSubkeys)
{
    ASSERT_EQ(run({ "add", "HKEY_LOCAL_MACHINE\\Software\\Corvane", "/ve", "/d", "maker" }).status, 0);
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "Default: -60" }).status, 0);
    ASSERT_EQ(run({ "add", key, "/v", "Standard", "/d", "Default: 0" }).status, 0);
    ASSERT_EQ(run({ "add", "hklm\\software\\corvane\\Alpha" }).status, 0);

    auto plain = run({ "query", "HKLM\\Software\\Corvane" });
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\n    (Default)    REG_SZ    maker\n\n"
                         "HKEY_LOCAL_MACHINE\\Software\\Corvane\\Alpha\n"
                         "HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\n\n");

    auto all = run({ "query", "HKLM\\Software\\Corvane", "/s" });
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\n    (Default)    REG_SZ    maker\n"
                       "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\\Alpha\n"
                       "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\n"
                       "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS\n"
                       "    DayLight    REG_SZ    Default: -60\n    Standard    REG_SZ    Default: 0\n\n");

    auto search = run({ "query", "HKLM\\Software", "/v", "standard", "/s" });
    EXPECT_EQ(search.status, 0) << search.err;
    EXPECT_EQ(search.out, "\nHKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS\n"
                          "    Standard    REG_SZ    Default: 0\nEnd of search: 1 match(es) found.\n");

    auto default_value = run({ "query", "HKCU\\Nothing", "/ve" });
    EXPECT_EQ(default_value.status, 1);
}

// Key paths, value names and data from the registry never reach the terminal
// with a control character in them: C0, DEL, C1 and bidirectional controls all
// show as '?'.
TEST_F(CeReg, QueryPrintsNoControlCharacter)
{
    write_file(registry_file(), "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\\x1b]0;owned\x07\x1b[2J]\n"
                                "\"csi\xC2\x9b" "31m\"=\"right\xE2\x80\xAEtxt.exe\x7f\"\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\\x1b]0;owned\x07\x1b[2J\\sub\xE2\x81\xA6]\n"
                                "\"list\"=hex(7):61,00,1b,00,00,00,62,00,9b,00,00,00,00,00\n");
    for (auto const& args : std::vector<std::vector<std::string>> {
             { "query", "HKLM\\Software" },
             { "query", "HKLM\\Software", "/s" },
             { "query", "HKLM\\Software", "/v", "list", "/s" },
         }) {
        auto result = run(args);
        EXPECT_EQ(result.status, 0) << result.err;
        auto const& out = result.out;
        for (std::size_t i = 0; i < out.size(); ++i) {
            auto const byte = static_cast<unsigned char>(out[i]);
            ASSERT_TRUE(byte >= 0x20 || byte == '\n') << "a control character at " << i << ":\n" << out;
            ASSERT_NE(byte, 0x7F) << out;
            ASSERT_FALSE(byte == 0xC2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) < 0xA0) << out;
            ASSERT_FALSE(out.compare(i, 3, "\xE2\x80\xAE") == 0 || out.compare(i, 3, "\xE2\x81\xA6") == 0) << out;
        }
    }
    auto all = run({ "query", "HKLM\\Software", "/s" });
    EXPECT_EQ(all.out, "\nHKEY_LOCAL_MACHINE\\Software\n"
                       "\nHKEY_LOCAL_MACHINE\\Software\\?]0;owned??[2J\n"
                       "    csi?31m    REG_SZ    right?txt.exe?\n"
                       "\nHKEY_LOCAL_MACHINE\\Software\\?]0;owned??[2J\\sub?\n"
                       "    list    REG_MULTI_SZ    a?\\0b?\n\n");
}

TEST_F(CeReg, ShowsTheProgramsOwnValues)
{
    // 255 bytes: the text, its terminator and whatever followed in the buffer.
    std::vector<BYTE> data(255, 0x41);
    auto text = text_bytes(u"Default: -60");
    std::copy(text.begin(), text.end(), data.begin());
    set(key16, u"DayLight", REG_SZ, data);
    auto query = run({ "query", key });
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_NE(query.out.find("    DayLight    REG_SZ    Default: -60\n"), std::string::npos) << query.out;
}

TEST_F(CeReg, BadArgumentsFailWithAMessageAndChangeNothing)
{
    struct Case {
        char const* label;
        std::vector<std::string> args;
        char const* message;
    } const cases[] = {
        { "no command", {}, "ce-reg query" },
        { "unknown command", { "list", key }, "unknown command" },
        { "no key", { "add" }, "KEY is missing" },
        { "unknown root", { "add", "HKXX\\Software" }, "Invalid key name" },
        { "remote key", { "add", "\\\\host\\HKLM\\Software" }, "Invalid key name" },
        { "unknown type", { "add", key, "/v", "x", "/t", "REG_FOO", "/d", "1" }, "unknown type REG_FOO" },
        { "dword with letters", { "add", key, "/v", "x", "/t", "REG_DWORD", "/d", "12x" }, "not a REG_DWORD" },
        { "negative dword", { "add", key, "/v", "x", "/t", "REG_DWORD", "/d", "-1" }, "not a REG_DWORD" },
        { "dword too big", { "add", key, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296" }, "not a REG_DWORD" },
        { "odd binary", { "add", key, "/v", "x", "/t", "REG_BINARY", "/d", "abc" }, "in pairs" },
        { "binary not hex", { "add", key, "/v", "x", "/t", "REG_BINARY", "/d", "zz" }, "hex digits only" },
        { "empty string inside a multi string", { "add", key, "/v", "x", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b" },
          "empty string" },
        { "/v and /ve", { "add", key, "/v", "x", "/ve" }, "only one of" },
        { "unknown option", { "add", key, "/q" }, "unknown option /q" },
        { "option without value", { "add", key, "/v" }, "needs a value" },
        { "option twice", { "add", key, "/f", "/f" }, "given twice" },
        { "too many arguments", { "query", key, "extra" }, "too many arguments" },
        { "name too long", { "add", key, "/v", std::string(256, 'n') }, "255 characters" },
        { "query a missing key", { "query", "HKLM\\Software\\Missing" }, "unable to find" },
        { "query a missing value", { "query", "HKLM", "/v", "Missing" }, "unable to find" },
        { "delete a missing key", { "delete", "HKLM\\Software\\Missing", "/f" }, "unable to find" },
        { "delete a missing value", { "delete", "HKLM", "/v", "Missing", "/f" }, "unable to find" },
        { "delete a root", { "delete", "HKLM", "/f" }, "root key cannot be deleted" },
        { "export a missing key", { "export", "HKLM\\Software\\Missing", "out.reg" }, "unable to find" },
        { "export without a file", { "export", key }, "KEY and FILE" },
        { "import a missing file", { "import", "/nonexistent/file.reg" }, "cannot read /nonexistent/file.reg" },
    };
    ASSERT_EQ(run({ "add", key, "/v", "Keep", "/d", "kept" }).status, 0);
    auto const before = read_file(registry_file());
    for (auto const& c : cases) {
        auto result = run(c.args);
        EXPECT_EQ(result.status, 1) << c.label;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.label << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.label;
        EXPECT_EQ(read_file(registry_file()), before) << c.label;
    }
    auto help = run({ "/?" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("ce-reg export KEY FILE [/y]"), std::string::npos);
    help = run({ "add", "/?" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("REG_MULTI_SZ"), std::string::npos);
}

TEST_F(CeReg, OverwritingAndDeletingNeedForceWithoutATerminal)
{
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "first" }).status, 0);
    auto refused = run({ "add", key, "/v", "daylight", "/d", "second" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("/f"), std::string::npos) << refused.err;
    EXPECT_EQ(stored(key16, u"DayLight").data, text_bytes(u"first"));
    EXPECT_EQ(run({ "add", key, "/v", "daylight", "/d", "second", "/f" }).status, 0);
    EXPECT_EQ(stored(key16, u"DayLight").data, text_bytes(u"second"));

    for (auto const& args : std::vector<std::vector<std::string>> {
             { "delete", key }, { "delete", key, "/v", "DayLight" }, { "delete", key, "/va" } }) {
        auto result = run(args);
        EXPECT_EQ(result.status, 1) << args.size();
        EXPECT_NE(result.err.find("/f"), std::string::npos) << result.err;
        EXPECT_EQ(stored(key16, u"DayLight").status, ERROR_SUCCESS);
    }
}

TEST_F(CeReg, AnswersOnATerminal)
{
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "first" }).status, 0);
    auto no = run_on_terminal({ "add", key, "/v", "DayLight", "/d", "second" }, "n");
    EXPECT_EQ(no.status, 1) << no.out;
    EXPECT_NE(no.out.find("Value DayLight exists, overwrite (Yes/No)? "), std::string::npos) << no.out;
    EXPECT_EQ(stored(key16, u"DayLight").data, text_bytes(u"first"));
    auto yes = run_on_terminal({ "delete", "HKLM\\Software\\Corvane" }, "yes");
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_NE(yes.out.find("Permanently delete the registry key HKEY_LOCAL_MACHINE\\Software\\Corvane (Yes/No)? "),
              std::string::npos)
        << yes.out;
    EXPECT_FALSE(key_exists(u"Software\\Corvane"));
}

TEST_F(CeReg, DeletesKeysAndValues)
{
    ASSERT_EQ(run({ "add", key, "/v", "a", "/d", "1" }).status, 0);
    ASSERT_EQ(run({ "add", key, "/v", "b", "/d", "2" }).status, 0);
    ASSERT_EQ(run({ "add", key, "/ve", "/d", "3" }).status, 0);
    ASSERT_EQ(run({ "add", key + "\\Sub\\Deeper" }).status, 0);

    EXPECT_EQ(run({ "delete", key, "/v", "A", "/f" }).status, 0);
    EXPECT_EQ(stored(key16, u"a").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(stored(key16, u"b").status, ERROR_SUCCESS);
    EXPECT_EQ(run({ "delete", key, "/ve", "/f" }).status, 0);
    EXPECT_EQ(stored(key16, u"").status, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(run({ "add", key, "/v", "c", "/d", "4" }).status, 0);
    EXPECT_EQ(run({ "delete", key, "/va", "/f" }).status, 0);
    EXPECT_EQ(stored(key16, u"b").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(stored(key16, u"c").status, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(key_exists(u"Software\\Corvane\\Tembrel\\DEFAULTS\\Sub\\Deeper")) << "/va leaves subkeys";
    EXPECT_EQ(run({ "delete", "HKLM\\Software\\Corvane\\Tembrel", "/f" }).status, 0);
    EXPECT_FALSE(key_exists(u"Software\\Corvane\\Tembrel"));
    EXPECT_TRUE(key_exists(u"Software\\Corvane"));
}

TEST_F(CeReg, ExportAndImportKeepEveryByte)
{
    std::vector<BYTE> program(255, 0xAB);
    auto text = text_bytes(u"Default: -60");
    std::copy(text.begin(), text.end(), program.begin());
    std::vector<BYTE> every_byte(256);
    for (int i = 0; i < 256; ++i)
        every_byte[static_cast<std::size_t>(i)] = static_cast<BYTE>(i);
    struct Value {
        LPCWSTR key;
        LPCWSTR name;
        DWORD type;
        std::vector<BYTE> data;
    } const values[] = {
        { key16, u"DayLight", REG_SZ, program },
        { key16, u"Standard", REG_SZ, text_bytes(u"Default: 0") },
        { key16, u"Odd \"name\" \\ here", REG_SZ, { 'x' } },
        { key16, u"", REG_DWORD, { 1, 2, 3, 4 } },
        { key16, u"Bytes", REG_BINARY, every_byte },
        { key16, u"Multi", REG_MULTI_SZ, { 'a', 0, 0, 0, 0, 0 } },
        { u"Software\\Corvane\\Tembrel\\DEFAULTS\\\u00c4rger", u"Unicode \U0001F600", REG_EXPAND_SZ, text_bytes(u"%\u00e9%") },
        { u"Software\\Corvane\\Tembrel\\Empty value", u"e", REG_SZ, {} },
    };
    for (auto const& v : values)
        set(v.key, v.name, v.type, v.data);

    auto file = dir() / "export.reg";
    auto exported = run({ "export", "hklm\\software\\corvane", file.string() });
    ASSERT_EQ(exported.status, 0) << exported.err;
    auto bytes = read_file(file);
    std::u16string header = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvane]\r\n";
    ASSERT_GE(bytes.size(), header.size() * 2);
    EXPECT_EQ(std::memcmp(bytes.data(), header.data(), header.size() * 2), 0) << "UTF-16LE with BOM, as stored case";

    ASSERT_EQ(run({ "delete", "HKLM\\Software\\Corvane", "/f" }).status, 0);
    EXPECT_FALSE(key_exists(u"Software\\Corvane"));
    auto imported = run({ "import", file.string() });
    ASSERT_EQ(imported.status, 0) << imported.err;
    for (auto const& v : values) {
        auto back = stored(v.key, v.name);
        EXPECT_EQ(back.status, ERROR_SUCCESS);
        EXPECT_EQ(back.type, v.type);
        EXPECT_EQ(back.data, v.data);
    }

    // Exporting again gives the same file; an existing file needs /y.
    auto again = dir() / "again.reg";
    ASSERT_EQ(run({ "export", "HKLM\\Software\\Corvane", again.string() }).status, 0);
    EXPECT_EQ(read_file(again), bytes);
    write_file(again, "mine");
    auto refused = run({ "export", "HKLM\\Software\\Corvane", again.string() });
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("/y"), std::string::npos) << refused.err;
    EXPECT_EQ(read_file(again), "mine");
    EXPECT_EQ(run({ "export", "HKLM\\Software\\Corvane", again.string(), "/y" }).status, 0);
    EXPECT_EQ(read_file(again), bytes);
}

TEST_F(CeReg, ImportsUtf8AndRegedit4WithDeletions)
{
    set(u"Software\\Old", u"x", REG_BINARY, { 1 });
    set(u"Software\\Keep", u"gone", REG_BINARY, { 1 });
    auto utf8 = dir() / "utf8.reg";
    write_file(utf8, "Windows Registry Editor Version 5.00\n\n[-HKEY_LOCAL_MACHINE\\Software\\Old]\n\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"gone\"=-\n\"Name\"=\"caf\xc3\xa9\"\n");
    auto result = run({ "import", utf8.string() });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(key_exists(u"Software\\Old"));
    EXPECT_EQ(stored(u"Software\\Keep", u"gone").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(stored(u"Software\\Keep", u"Name").data, text_bytes(u"caf\u00e9"));

    auto v4 = dir() / "v4.reg";
    write_file(v4, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Four]\r\n\"Path\"=hex(2):25,50,41,54,48,25,00\r\n"
                   "\"D\"=dword:00000010\r\n");
    result = run({ "import", v4.string() });
    EXPECT_EQ(result.status, 0) << result.err;
    auto path = stored(u"Software\\Four", u"Path", HKEY_CURRENT_USER);
    EXPECT_EQ(path.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(path.data, text_bytes(u"%PATH%"));
    EXPECT_EQ(stored(u"Software\\Four", u"D", HKEY_CURRENT_USER).data, (std::vector<BYTE> { 16, 0, 0, 0 }));
}

TEST_F(CeReg, BadImportChangesNothing)
{
    ASSERT_EQ(run({ "add", key, "/v", "Keep", "/d", "kept" }).status, 0);
    auto const before = read_file(registry_file());
    auto file = dir() / "bad.reg";
    write_file(file, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\New]\n\"a\"=\"1\"\n"
                     "[-HKEY_LOCAL_MACHINE\\Software\\Corvane]\n\"b\"=dword:xyz\n");
    auto result = run({ "import", file.string() });
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(file.string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("line 6"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("nothing was changed"), std::string::npos) << result.err;
    EXPECT_EQ(read_file(registry_file()), before);

    write_file(file, "\xff\xfe" "garbage");
    result = run({ "import", file.string() });
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(read_file(registry_file()), before);
}

TEST_F(CeReg, BrokenRegistryFileIsReportedAndKept)
{
    std::string const broken = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=dword:\n";
    write_file(registry_file(), broken);
    for (auto const& args : std::vector<std::vector<std::string>> {
             { "query", "HKLM\\Software" }, { "add", "HKLM\\Software\\X", "/v", "a", "/d", "b", "/f" },
             { "delete", "HKLM\\Software", "/f" }, { "export", "HKLM", (dir() / "out.reg").string() } }) {
        auto result = run(args);
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_NE(result.err.find(registry_file().string() + ", line 4"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("ERROR: "), std::string::npos) << result.err;
    }
    auto file = dir() / "good.reg";
    write_file(file, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\Y]\n");
    EXPECT_EQ(run({ "import", file.string() }).status, 1);
    EXPECT_EQ(read_file(registry_file()), broken);
}

}

namespace {

struct FileState {
    bool is_link = false;
    std::string link_target; // of a link
    mode_t type = 0;         // S_IFREG, S_IFIFO... of what the name leads to
    mode_t permissions = 0;
};

FileState state_of(std::filesystem::path const& path)
{
    FileState state;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        state.is_link = true;
        state.link_target = std::filesystem::read_symlink(path).string();
    }
    if (stat(path.c_str(), &st) == 0) {
        state.type = st.st_mode & S_IFMT;
        state.permissions = st.st_mode & 07777;
    }
    return state;
}

TEST_F(CeReg, ExportReplacesOnlyWhatItWasAskedToWrite)
{
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "Default: -60" }).status, 0);
    // "-" is standard output: the export and nothing else, no file named "-".
    bool const dash_existed = std::filesystem::exists("-");
    auto const to_stdout = run({ "export", "HKLM\\Software\\Corvane", "-" });
    ASSERT_EQ(to_stdout.status, 0) << to_stdout.err;
    std::string const exported = to_stdout.out;
    ASSERT_EQ(exported.rfind("\xFF\xFEW\0i\0n\0", 0), 0u) << "UTF-16LE with a byte-order mark";
    EXPECT_EQ(std::filesystem::exists("-"), dash_existed);

    auto const file = dir() / "plain.reg";
    auto const target = dir() / "target.reg";
    auto const link = dir() / "link.reg";
    auto const dangling = dir() / "dangling.reg";
    auto const second_name = dir() / "second-name.reg";
    auto const fifo = dir() / "fifo";
    auto const stdout_link = dir() / "stdout-link";
    struct Case {
        char const* label;
        std::function<void()> make;    // what is there before the export
        std::filesystem::path file;    // FILE as given
        std::filesystem::path written; // where the export must end up
        FileState after;               // what FILE must still be
    } const cases[] = {
        { "a regular file keeps its mode", [&] { write_file(file, "old"); chmod(file.c_str(), 0640); }, file, file,
          { false, "", S_IFREG, 0640 } },
        { "a link is written through",
          [&] {
              write_file(target, "old");
              chmod(target.c_str(), 0600);
              std::filesystem::create_symlink("target.reg", link);
          },
          link, target, { true, "target.reg", S_IFREG, 0600 } },
        { "a dangling link gets its target", [&] { std::filesystem::create_symlink("new.reg", dangling); }, dangling,
          dir() / "new.reg", { true, "new.reg", S_IFREG, 0 } },
        { "a file with two names keeps both",
          [&] {
              write_file(target, "old");
              std::filesystem::create_hard_link(target, second_name);
          },
          second_name, target, { false, "", S_IFREG, 0 } },
    };
    for (auto const& c : cases) {
        std::filesystem::remove(target);
        c.make();
        auto const result = run({ "export", "HKLM\\Software\\Corvane", c.file.string(), "/y" });
        EXPECT_EQ(result.status, 0) << c.label << ": " << result.err;
        EXPECT_EQ(result.out, "The operation completed successfully.\n") << c.label;
        EXPECT_EQ(read_file(c.written), exported) << c.label;
        EXPECT_EQ(read_file(c.file), exported) << c.label;
        auto const after = state_of(c.file);
        EXPECT_EQ(after.is_link, c.after.is_link) << c.label;
        EXPECT_EQ(after.link_target, c.after.link_target) << c.label;
        EXPECT_EQ(after.type, c.after.type) << c.label;
        if (c.after.permissions) {
            EXPECT_EQ(after.permissions, c.after.permissions) << c.label;
        }
    }

    // A FIFO is written in place and stays a FIFO.
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int const reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    auto const into_fifo = run({ "export", "HKLM\\Software\\Corvane", fifo.string() });
    EXPECT_EQ(into_fifo.status, 0) << into_fifo.err;
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;)
        got.append(buffer, static_cast<std::size_t>(n));
    close(reader);
    EXPECT_EQ(got, exported);
    EXPECT_EQ(state_of(fifo).type, static_cast<mode_t>(S_IFIFO));

    // /dev/stdout, reached through a link of the test's own, while standard
    // output is a pipe: the export goes down the pipe, and the link stays.
    std::filesystem::create_symlink("/dev/stdout", stdout_link);
    auto const through_link = run({ "export", "HKLM\\Software\\Corvane", stdout_link.string(), "/y" });
    EXPECT_EQ(through_link.status, 0) << through_link.err;
    EXPECT_EQ(through_link.out, exported);
    EXPECT_EQ(state_of(stdout_link).link_target, "/dev/stdout");
}

TEST_F(CeReg, ReadOnlyCommandsOnAMissingDeviceCreateNothing)
{
    auto const missing = dir() / "no-such-device";
    set_variable("CE_DEVICE_DIR", missing.c_str());
    for (auto const& args : std::vector<std::vector<std::string>> {
             { "query", key },
             { "query", "HKLM", "/s" },
             { "export", key, (dir() / "out.reg").string() },
             { "delete", key, "/f" },
         }) {
        auto const result = run(args);
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_EQ(result.err, "ERROR: There is no device at " + missing.string()
                                  + " (the directory does not exist; check CE_DEVICE_DIR). Only add and import create "
                                    "a device.\n")
            << args[0];
        EXPECT_FALSE(std::filesystem::exists(missing)) << args[0];
    }
    EXPECT_FALSE(std::filesystem::exists(dir() / "out.reg"));
    EXPECT_EQ(run({ "add", key, "/v", "x", "/d", "y" }).status, 0);
    EXPECT_TRUE(std::filesystem::exists(missing / "registry.reg"));
}

TEST_F(CeReg, MessagesNameWhatWasNotFound)
{
    ASSERT_EQ(run({ "add", key, "/v", "Present", "/d", "here" }).status, 0);
    std::string const not_found = "ERROR: The system was unable to find the specified registry key or value. ";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } const cases[] = {
        { { "query", "HKLM\\Software\\Missing" }, "No key HKEY_LOCAL_MACHINE\\Software\\Missing." },
        { { "query", key, "/v", "Absent" }, "No value \"Absent\" in HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS." },
        { { "query", key, "/ve" }, "No default value in HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS." },
        { { "delete", "HKCU\\Gone", "/f" }, "No key HKEY_CURRENT_USER\\Gone." },
        { { "delete", key, "/v", "Absent", "/f" }, "No value \"Absent\" in HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS." },
        { { "export", "HKLM\\Software\\Missing", (dir() / "x.reg").string() }, "No key HKEY_LOCAL_MACHINE\\Software\\Missing." },
        // A control character typed in a name reaches the terminal as an escape.
        { { "query", key, "/v", "bell\a\x1b[2J" }, "No value \"bell\\x07\\x1B[2J\" in HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS." },
    };
    for (auto const& c : cases) {
        auto const result = run(c.args);
        EXPECT_EQ(result.status, 1) << c.args[0];
        EXPECT_EQ(result.err, not_found + c.message + "\n") << c.args[0];
        EXPECT_EQ(result.out, "") << c.args[0];
    }
}

TEST_F(CeReg, PathLikeArgumentsAreNotSwitches)
{
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "Default: -60" }).status, 0);
    auto const slashes = run({ "query", "HKLM/Software/Corvane" });
    EXPECT_EQ(slashes.status, 1);
    EXPECT_EQ(slashes.err, "ERROR: Invalid key name: \"HKLM/Software/Corvane\". Keys are written with backslashes: "
                           "\"HKLM\\Software\\Corvane\".\n");

    // A directory given as FILE is named as such, not taken for a switch.
    auto const directory = run({ "export", key, "/tmp" });
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err, "ERROR: /tmp is a directory.\n");
    auto const missing = run({ "import", "/x.reg" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read /x.reg"), std::string::npos) << missing.err;

    // An export piped back in through "-".
    auto const exported = run({ "export", "HKLM\\Software\\Corvane", "-" });
    ASSERT_EQ(exported.status, 0) << exported.err;
    ASSERT_EQ(run({ "delete", "HKLM\\Software\\Corvane", "/f" }).status, 0);
    auto const imported = run_with_input({ "import", "-" }, exported.out);
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(stored(key16, u"DayLight").data, text_bytes(u"Default: -60"));
    auto const bad = run_with_input({ "import", "-" }, "REGEDIT9\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("ERROR: cannot import standard input, line 1", 0), 0u) << bad.err;

    for (auto const& help : { "/?", "-?", "-h", "--help", "/H" }) {
        auto const shown = run({ "import", help });
        EXPECT_EQ(shown.status, 0) << help;
        EXPECT_EQ(shown.out.rfind("ce-reg import FILE\n", 0), 0u) << help << ": " << shown.out;
    }
}

TEST_F(CeReg, ExportWritesNoCommentsWhereTheRegistryFileHasThem)
{
    // The program's own value: 255 bytes, so hex(1): with every byte.
    std::vector<BYTE> data(255, 0);
    auto const text = text_bytes(u"Default: -60");
    std::copy(text.begin(), text.end(), data.begin());
    set(key16, u"DayLight", REG_SZ, data);
    EXPECT_NE(read_file(registry_file()).find("; \"DayLight\" reads \"Default: -60\"\n"), std::string::npos)
        << "the store's own file shows the text";

    auto const exported = run({ "export", key, "-" });
    ASSERT_EQ(exported.status, 0) << exported.err;
    std::u16string units(exported.out.size() / 2, u'\0');
    std::memcpy(units.data(), exported.out.data(), units.size() * 2);
    std::u16string const expected_start = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                          u"[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS]\r\n"
                                          u"\"DayLight\"=hex(1):44,00,65,00,66,00,61,00,75,00,6c,00,74,00,3a,00,20,00,2d,00,\\\r\n";
    EXPECT_EQ(units.substr(0, expected_start.size()), expected_start);
    EXPECT_EQ(units.find(u"\n;"), std::u16string::npos) << "regedit writes no comments";
}

// What a newcomer types first: --version, the help with its example, and a
// key whose backslash the shell removed because it was not quoted.

TEST_F(CeReg, VersionIsTheDevicesAsTheProgramGivesIt)
{
    auto const version = run({ "--version" });
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, tools_test::expected_version_answer("ce-reg"));
    EXPECT_EQ(version.err, "");
    EXPECT_FALSE(std::filesystem::exists(registry_file())) << "--version touches no device";
}

TEST_F(CeReg, HelpGivesAQuotedExampleThatWorks)
{
    auto const help = run({ "/?" });
    ASSERT_EQ(help.status, 0);
    std::string const example = "  ce-reg query \"HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS\" /v DayLight\n";
    EXPECT_NE(help.out.find(example), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("(default ${XDG_DATA_HOME:-~/.local/share}/ce-device)"), std::string::npos) << help.out;

    // The example, as the shell hands it over, finds the value.
    ASSERT_EQ(run({ "add", key, "/v", "DayLight", "/d", "Default: -60" }).status, 0);
    auto const shown = run({ "query", "HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS", "/v", "DayLight" });
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("Default: -60"), std::string::npos) << shown.out;
}

// The tool's help, each command's usage and the reference page list the same
// commands with the same synopsis, as they come from one table.
TEST_F(CeReg, HelpUsageAndTheReferencePageAgreeOnEveryCommand)
{
    auto const help = run({ "/?" });
    ASSERT_EQ(help.status, 0);
    std::vector<std::pair<std::string, std::string>> listed; // command, synopsis
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
        std::string const prefix = "  ce-reg ";
        if (!line.starts_with(prefix) || line.starts_with(prefix + "--") || line.find('"') != std::string::npos)
            continue;
        auto const synopsis = line.substr(prefix.size());
        listed.emplace_back(synopsis.substr(0, synopsis.find(' ')), synopsis);
    }
    ASSERT_EQ(listed.size(), 5u) << help.out;

    std::ifstream page(std::string(CE_SOURCE_DIR) + "/docs/tools.md");
    ASSERT_TRUE(page) << "docs/tools.md";
    std::vector<std::string> documented; // the ce-reg section's "- `COMMAND ...`" items
    bool in_section = false;
    for (std::string line; std::getline(page, line);) {
        if (line.starts_with("## "))
            in_section = line == "## ce-reg";
        if (in_section && line.starts_with("- `"))
            documented.push_back(line.substr(3, line.find('`', 3) - 3));
    }

    std::vector<std::string> expected;
    for (auto const& [command, synopsis] : listed) {
        auto const usage = run({ command, "/?" });
        EXPECT_EQ(usage.status, 0) << command;
        EXPECT_EQ(usage.out.substr(0, usage.out.find('\n')), "ce-reg " + synopsis) << command;
        expected.push_back(synopsis);
    }
    EXPECT_EQ(documented, expected);
}

TEST_F(CeReg, ARootGluedToTheNextKeySaysTheBackslashWasLost)
{
    struct Case {
        char const* key;
        char const* hint; // empty: the key gets the plain message
    } const cases[] = {
        { "HKLMTime", "HKLM\\..." },
        { "hklmSoftware", "hklm\\..." },
        { "HKUDefault", "HKU\\..." },
        { "HKEY_LOCAL_MACHINESoftware", "HKEY_LOCAL_MACHINE\\..." },
        { "HKEY_CURRENT_USERSoftwareCorvane", "HKEY_CURRENT_USER\\..." },
        { "HKXX", "" },
        { "HKLM1", "" },
        { "Software", "" },
    };
    for (auto const& c : cases) {
        auto const result = run({ "delete", c.key, "/v", "TimeZoneInformation", "/f" });
        EXPECT_EQ(result.status, 1) << c.key;
        std::string const start = std::string("ERROR: Invalid key name: \"") + c.key + "\". ";
        EXPECT_EQ(result.err.rfind(start, 0), 0u) << c.key << ": " << result.err;
        if (*c.hint) {
            EXPECT_EQ(result.err, start + "The shell may have removed a backslash from it: put the key in quotes, "
                                          "such as \"" + c.hint + "\".\n");
        } else {
            EXPECT_EQ(result.err.find("backslash"), std::string::npos) << c.key << ": " << result.err;
            EXPECT_NE(result.err.find("A key starts with HKLM"), std::string::npos) << c.key << ": " << result.err;
        }
    }
}

TEST_F(CeReg, ImportIsBoundedWhateverItReads)
{
    ASSERT_EQ(run({ "add", key, "/v", "Keep", "/d", "kept" }).status, 0);
    auto const before = read_file(registry_file());
    // Sparse: it takes no room, and is never read.
    auto const huge = dir() / "huge.reg";
    write_file(huge, "Windows Registry Editor Version 5.00\n");
    std::filesystem::resize_file(huge, std::uintmax_t { 3 } << 30);
    std::string const limit = std::to_string(std::size_t { 64 } << 20);
    struct Case {
        char const* label;
        std::vector<std::string> argv; // run through the shell when it starts with "sh"
        std::string said;
    } const cases[] = {
        { "a directory", { "import", dir().string() }, "ERROR: cannot import " + dir().string() + ": it is a directory.\n" },
        { "a file beyond the device's limit", { "import", huge.string() },
          "ERROR: cannot import " + huge.string() + ": it holds 3221225472 bytes, more than the " + limit
              + " the device keeps; nothing was changed.\n" },
        { "a device that never ends", { "import", "/dev/zero" },
          "ERROR: cannot import /dev/zero: it holds more than " + limit + " bytes, more than the " + limit
              + " the device keeps; nothing was changed.\n" },
        { "a pipe that never ends", { "sh", "-c", "yes '\"v\"=dword:1' | exec \"$0\" import -", ce_reg },
          "ERROR: cannot import standard input: it holds more than " + limit + " bytes, more than the " + limit
              + " the device keeps; nothing was changed.\n" },
    };
    for (auto const& c : cases) {
        RunResult result;
        if (c.argv[0] == "sh") {
            test_support::ProcessOptions options;
            options.input_from_null = true;
            auto const process = test_support::run_process({ "/bin/sh", c.argv[1], c.argv[2], c.argv[3] }, {}, options);
            result = { process.shell_status(), process.out, process.err };
        } else {
            result = run(c.argv);
        }
        EXPECT_EQ(result.status, 1) << c.label;
        EXPECT_EQ(result.err, c.said) << c.label;
        EXPECT_EQ(read_file(registry_file()), before) << c.label;
    }
    // What the device may hold is read whole, however it is split by reads,
    // and the memory a refused read took stays near the limit.
    rusage usage {};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 600L << 10) << "kilobytes at most, of any run";
}

TEST_F(CeReg, MessagesNameLongTextsByAShortExcerpt)
{
    // However long the directory, the path or the data a message names, it
    // names it by its start and its length.
    std::string const long_dir = dir().string() + "/" + std::string(100000, 'd');
    std::string const long_path = dir().string() + "/" + std::string(100000, 'p') + "/x.reg";
    std::string const long_data = std::string(120000, 'a') + "\\0\\0b";
    std::string const long_word = std::string(100000, 'k');
    auto const length_of = [](std::string const& text) { return "(" + std::to_string(text.size()) + " characters)"; };
    ASSERT_EQ(run({ "add", key, "/v", "Keep", "/d", "kept" }).status, 0);
    struct Case {
        char const* label;
        std::vector<std::string> args;
        std::string device; // CE_DEVICE_DIR, when not the test's own
        std::string length;
    } const cases[] = {
        { "a query on a long device directory", { "query", "HKLM" }, long_dir, "(" + std::to_string(long_dir.size()) + " characters)" },
        { "an add on a long device directory", { "add", key, "/v", "a", "/d", "b" }, long_dir,
          "(" + std::to_string(long_dir.size()) + " characters)" },
        { "an export to a long path", { "export", key, long_path }, {}, "(" + std::to_string(long_path.size()) + " characters)" },
        { "a REG_MULTI_SZ that fails", { "add", key, "/v", "m", "/t", "REG_MULTI_SZ", "/d", long_data, "/f" }, {},
          "(" + std::to_string(long_data.size()) + " characters)" },
        { "a REG_DWORD that is no number", { "add", key, "/v", "d", "/t", "REG_DWORD", "/d", long_data, "/f" }, {},
          "(" + std::to_string(long_data.size()) + " characters)" },
        { "a REG_BINARY that is no hex", { "add", key, "/v", "b", "/t", "REG_BINARY", "/d", long_data + "x", "/f" }, {},
          "(" + std::to_string(long_data.size() + 1) + " characters)" },
        { "a key written with slashes", { "query", "HKLM/" + long_word }, {}, length_of("HKLM/" + long_word) },
        { "a key with no root", { "query", long_word }, {}, length_of(long_word) },
        { "a root glued to more letters", { "query", "HKLM" + long_word }, {}, length_of("HKLM" + long_word) },
        { "an unknown /t type", { "add", key, "/v", "t", "/t", long_word, "/f" }, {}, length_of(long_word) },
        { "an unknown command", { long_word }, {}, length_of(long_word) },
        { "a query for a long value name", { "query", key, "/v", long_word }, {}, length_of(long_word) },
        { "a delete of a long value name", { "delete", key, "/v", long_word, "/f" }, {}, length_of(long_word) },
    };
    for (auto const& c : cases) {
        std::vector<std::string> argv = c.args;
        argv.insert(argv.begin(), ce_reg);
        std::map<std::string, std::string> environment;
        if (!c.device.empty())
            environment["CE_DEVICE_DIR"] = c.device;
        test_support::ProcessOptions options;
        options.input_from_null = true;
        auto const result = test_support::run_process(argv, environment, options);
        EXPECT_NE(result.shell_status(), 0) << c.label;
        EXPECT_NE(result.err.find("\xE2\x80\xA6" " " + c.length), std::string::npos) << c.label << ": "
                                                                                  << result.err.substr(0, 300);
        EXPECT_LT(result.err.size(), 1000u) << c.label;
    }
}

}
