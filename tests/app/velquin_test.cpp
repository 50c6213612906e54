// The real program, run as users and scripts run it: build/bin/velquin on a fresh
// device directory, driven through the script front end, with the device's state
// read back through its own tools, ce-tz and ce-reg.
#include "Process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

using nlohmann::json;
using test_support::binary_path;
using test_support::fresh_directory;
using test_support::ProcessResult;
using test_support::run_process;

static constexpr int IdOk = 1;
static constexpr int IdDaylightBias = 1002;
static constexpr int IdStandardBias = 1006;
static constexpr int IdStandardDefault = 1007;
static constexpr int IdDaylightDefault = 1008;

static char const DefaultsKey[] = R"(HKLM\Software\Corvane\Tembrel\DEFAULTS)";

struct Session {
    ProcessResult process;
    std::vector<json> dumps;
    std::optional<int> end;

    std::string text(std::size_t dump, int id) const
    {
        for (auto const& control : dumps.at(dump).at("controls"))
            if (control.at("id") == id)
                return control.at("text");
        ADD_FAILURE() << "no control " << id << " in dump " << dump;
        return {};
    }
};

class Program : public testing::Test {
protected:
    std::string m_device = fresh_directory("velquin");
    std::string m_zone = "Europe/Berlin";

    std::map<std::string, std::string> environment() const
    {
        return { { "CE_DEVICE_DIR", m_device }, { "CE_DEVICE_UI", "script" }, { "TZ", m_zone } };
    }

    // One run of the program with these script commands on its standard input.
    Session run(std::string const& commands)
    {
        Session session;
        session.process = run_process({ binary_path("velquin") }, environment(), commands);
        std::istringstream lines(session.process.out);
        for (std::string line; std::getline(lines, line);) {
            json parsed = json::parse(line, nullptr, false);
            if (parsed.is_discarded()) {
                ADD_FAILURE() << "not JSON: " << line;
                continue;
            }
            if (parsed.contains("end"))
                session.end = parsed.at("end").get<int>();
            else
                session.dumps.push_back(parsed);
        }
        EXPECT_EQ(session.process.exit_code, 0) << "stderr: " << session.process.err;
        return session;
    }

    ProcessResult tool(std::vector<std::string> argv)
    {
        argv.front() = binary_path(argv.front());
        return run_process(argv, environment());
    }

    json time_zone()
    {
        auto result = tool({ "ce-tz", "--json" });
        EXPECT_EQ(result.exit_code, 0) << result.err;
        return json::parse(result.out, nullptr, false);
    }

    bool time_zone_written()
    {
        return tool({ "ce-reg", "query", R"(HKLM\Time)", "/v", "TimeZoneInformation" }).exit_code == 0;
    }

    void add_text(std::string const& name, std::string const& data)
    {
        auto result = tool({ "ce-reg", "add", DefaultsKey, "/v", name, "/t", "REG_SZ", "/d", data, "/f" });
        ASSERT_EQ(result.exit_code, 0) << result.err;
    }

    void add_binary(std::string const& name, std::string const& type, std::string const& hex)
    {
        auto result = tool({ "ce-reg", "add", DefaultsKey, "/v", name, "/t", type, "/d", hex, "/f" });
        ASSERT_EQ(result.exit_code, 0) << result.err;
    }

    // The stored bytes of a value below the defaults key, as the device's
    // registry tool exports them; nullopt when there is no such value.
    std::optional<std::vector<unsigned char>> stored_bytes(std::string const& name)
    {
        auto file = m_device + "/export.reg";
        auto result = tool({ "ce-reg", "export", DefaultsKey, file, "/y" });
        if (result.exit_code != 0)
            return std::nullopt;
        return bytes_of_exported_value(read_exported(file), name);
    }

    static std::string read_exported(std::string const& file);
    static std::optional<std::vector<unsigned char>> bytes_of_exported_value(std::string const& text,
                                                                             std::string const& name);
};

// Export files are UTF-16LE with a byte-order mark, or UTF-8; the tests only
// look at ASCII lines, so UTF-16 is narrowed by dropping every second byte.
std::string Program::read_exported(std::string const& file)
{
    std::ifstream stream(file, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::string narrow;
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2)
            narrow += raw[i];
        return narrow;
    }
    return raw;
}

std::optional<std::vector<unsigned char>> Program::bytes_of_exported_value(std::string const& text,
                                                                           std::string const& name)
{
    // Join continued lines ("...,\" followed by an indented line) first.
    std::string joined;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto start = line.find_first_not_of(' ');
        bool continued = !joined.empty() && joined.back() == '\\';
        if (continued) {
            joined.pop_back();
            joined += line.substr(start == std::string::npos ? line.size() : start);
        } else {
            joined += "\n" + line;
        }
    }
    std::string const prefix = "\"" + name + "\"=";
    std::istringstream entries(joined);
    for (std::string line; std::getline(entries, line);) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        auto data = line.substr(prefix.size());
        auto colon = data.find(':');
        if (data.rfind("hex", 0) != 0 || colon == std::string::npos) {
            ADD_FAILURE() << "value " << name << " not exported as hex: " << line;
            return std::nullopt;
        }
        std::vector<unsigned char> bytes;
        std::istringstream hex(data.substr(colon + 1));
        for (std::string byte; std::getline(hex, byte, ',');)
            if (!byte.empty())
                bytes.push_back(static_cast<unsigned char>(std::stoi(byte, nullptr, 16)));
        return bytes;
    }
    return std::nullopt;
}

TEST_F(Program, FirstRunShowsTheBiasesAndRecordsThemAsDefaults)
{
    auto session = run("dump\nkey Escape\n");
    ASSERT_EQ(session.dumps.size(), 1u) << session.process.out << session.process.err;
    EXPECT_EQ(session.dumps[0].at("caption"), "Velquin");
    EXPECT_EQ(session.text(0, IdDaylightBias), "-60");
    EXPECT_EQ(session.text(0, IdStandardBias), "0");
    EXPECT_EQ(session.text(0, IdDaylightDefault), "Default: -60");
    EXPECT_EQ(session.text(0, IdStandardDefault), "Default: 0");
    EXPECT_EQ(session.dumps[0].at("focus"), IdOk) << "the OK button holds the focus after initialisation";
    EXPECT_EQ(session.end, 2);

    // Recorded during initialisation, so cancelling keeps them; the time-zone
    // record itself is not written on cancel.
    EXPECT_FALSE(time_zone_written());
    auto run_again = run("dump\nkey Escape\n");
    EXPECT_EQ(run_again.text(0, IdDaylightDefault), "Default: -60");
    EXPECT_EQ(run_again.text(0, IdStandardDefault), "Default: 0");
}

TEST_F(Program, FirstRunTakesTheHostsZoneFromAPosixRule)
{
    // Three hours west, daylight time half an hour less: DaylightBias -30.
    m_zone = "AAA3BBB2:30,M3.2.0,M11.1.0";
    auto session = run("dump\nkey Escape\n");
    ASSERT_EQ(session.dumps.size(), 1u) << session.process.out << session.process.err;
    EXPECT_EQ(session.text(0, IdDaylightBias), "-30");
    EXPECT_EQ(session.text(0, IdDaylightDefault), "Default: -30");
    EXPECT_EQ(session.process.err, "");

    // A name that is no zone: UTC, and one line on standard error.
    m_device = fresh_directory("velquin");
    m_zone = "Nowhere/Invalid";
    session = run("dump\nkey Escape\n");
    ASSERT_EQ(session.dumps.size(), 1u) << session.process.out << session.process.err;
    EXPECT_EQ(session.text(0, IdDaylightBias), "0");
    EXPECT_EQ(session.process.err, "device: TZ=\"Nowhere/Invalid\" is no time zone the device knows (no zone of "
                                    "that name, no zone file, no POSIX rule); it uses UTC, as the C library does\n");
}

TEST_F(Program, RecordedTextIsStoredAs255Bytes)
{
    run("key Escape\n");
    auto bytes = stored_bytes("DayLight");
    ASSERT_TRUE(bytes.has_value());
    ASSERT_EQ(bytes->size(), 255u);
    std::u16string const text = u"Default: -60";
    for (std::size_t i = 0; i < text.size(); i++) {
        EXPECT_EQ((*bytes)[2 * i], text[i] & 0xFF) << "byte " << 2 * i;
        EXPECT_EQ((*bytes)[2 * i + 1], text[i] >> 8) << "byte " << 2 * i + 1;
    }
    // The terminator and everything after it are zero: the text buffer starts
    // zero-filled, so nothing but the text reaches the registry.
    for (std::size_t i = 2 * text.size(); i < bytes->size(); i++)
        EXPECT_EQ((*bytes)[i], 0) << "byte " << i;
}

TEST_F(Program, ConfirmedBiasesReachTheRecordWithEveryOtherFieldKept)
{
    auto before = time_zone();
    auto session = run("key Tab\ntype -30\nkey Tab\ntype 15\ndump\nkey Enter\n");
    ASSERT_EQ(session.end, 1);
    EXPECT_EQ(session.text(0, IdDaylightBias), "-30");
    EXPECT_EQ(session.text(0, IdStandardBias), "15");

    auto after = time_zone();
    EXPECT_EQ(after.at("DaylightBias"), -30);
    EXPECT_EQ(after.at("StandardBias"), 15);
    for (auto field : { "Bias", "StandardName", "StandardDate", "DaylightName", "DaylightDate" })
        EXPECT_EQ(after.at(field), before.at(field)) << field;

    // A later run shows the new biases beside the first run's defaults.
    auto later = run("dump\nkey Escape\n");
    EXPECT_EQ(later.text(0, IdDaylightBias), "-30");
    EXPECT_EQ(later.text(0, IdStandardBias), "15");
    EXPECT_EQ(later.text(0, IdDaylightDefault), "Default: -60");
    EXPECT_EQ(later.text(0, IdStandardDefault), "Default: 0");
}

TEST_F(Program, OkWithoutAnEditRewritesTheSameBiases)
{
    auto before = time_zone();
    EXPECT_EQ(run("key Enter\n").end, 1);
    ASSERT_TRUE(time_zone_written());
    auto after = time_zone();
    for (auto field : { "Bias", "StandardName", "StandardDate", "StandardBias", "DaylightName", "DaylightDate",
                        "DaylightBias" })
        EXPECT_EQ(after.at(field), before.at(field)) << field;
}

TEST_F(Program, TypedTextBecomesTheBiasOrZero)
{
    struct Case {
        char const* typed;
        int daylight;
    };
    Case const cases[] = {
        { "-120", -120 }, { "45", 45 }, { "abc", 0 }, { "-", 0 }, { "12abc", 12 }, { "99999999999", 0 },
    };
    for (auto const& c : cases) {
        auto session = run(std::string("key Tab\ntype ") + c.typed + "\nkey Enter\n");
        EXPECT_EQ(session.end, 1) << c.typed;
        EXPECT_EQ(time_zone().at("DaylightBias"), c.daylight) << "typed \"" << c.typed << "\"";
        EXPECT_EQ(time_zone().at("StandardBias"), 0) << "the untouched field keeps its bias, typed " << c.typed;
    }
}

// Typed text is text: a carriage return, an escape or a tab inside it neither
// confirms, nor cancels, nor moves the focus.
TEST_F(Program, ControlCharactersInTypedTextAreNotKeys)
{
    for (char const* typed : { "-1\r5", "-1\x1b" "5", "-1\t5", "\x1b-15\r" }) {
        auto session = run(std::string("key Tab\ntype ") + typed + "\ndump\nkey Escape\n");
        ASSERT_EQ(session.dumps.size(), 1u) << "the dialog is still open after the text";
        EXPECT_EQ(session.text(0, IdDaylightBias), "-15");
        EXPECT_EQ(session.dumps[0].at("focus"), IdDaylightBias);
        EXPECT_EQ(session.end, 2);
    }
    EXPECT_FALSE(time_zone_written());
}

TEST_F(Program, AnOverlongScriptLineIsRefused)
{
    std::string const commands = "key Tab\ntype " + std::string(20u << 20, '7') + "\ntype 8\nkey Enter\n";
    auto result = run_process({ binary_path("velquin") }, environment(), commands, 60);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, "{\"error\":\"line too long\",\"limit\":1048576,\"line\":2}\n{\"end\":1}\n");
    EXPECT_LT(result.err.size(), 300u);
    EXPECT_EQ(time_zone().at("DaylightBias"), 8);
}

TEST_F(Program, EmptiedFieldSetsItsBiasToZero)
{
    run("key Tab\ntype -45\nkey Enter\n");
    ASSERT_EQ(time_zone().at("DaylightBias"), -45);
    // Tab selects the whole text; Backspace deletes it.
    run("key Tab\nkey Backspace\nkey Enter\n");
    EXPECT_EQ(time_zone().at("DaylightBias"), 0);
}

TEST_F(Program, EveryWayOfClosingEndsTheProgram)
{
    struct Case {
        char const* command;
        int end;
        bool writes;
    };
    Case const cases[] = {
        { "click 1", 1, true },
        { "key Enter", 1, true },
        { "click caption-ok", 1, true },
        { "click caption-close", 2, false },
        { "key Escape", 2, false },
        { "", 2, false }, // end of input
    };
    for (auto const& c : cases) {
        m_device = fresh_directory("close");
        auto session = run("key Tab\ntype -75\n" + std::string(c.command) + "\n");
        EXPECT_EQ(session.end, c.end) << c.command;
        EXPECT_EQ(time_zone_written(), c.writes) << c.command;
        if (c.writes)
            EXPECT_EQ(time_zone().at("DaylightBias"), -75) << c.command;
        else
            EXPECT_EQ(time_zone().at("DaylightBias"), -60) << c.command;
    }
}

TEST_F(Program, OneValueAloneIsNotRecordedAgain)
{
    add_text("Standard", "Default: 5");
    auto session = run("dump\nkey Escape\n");
    EXPECT_EQ(session.text(0, IdDaylightDefault), "") << "the missing text empties its label";
    EXPECT_EQ(session.text(0, IdStandardDefault), "Default: 5");
    EXPECT_FALSE(stored_bytes("DayLight").has_value()) << "nothing is recorded while one text is present";
}

TEST_F(Program, EmptyValuesCountAsNotRecorded)
{
    add_text("DayLight", "");
    add_text("Standard", "");
    auto session = run("dump\nkey Escape\n");
    EXPECT_EQ(session.text(0, IdDaylightDefault), "Default: -60");
    EXPECT_EQ(session.text(0, IdStandardDefault), "Default: 0");
    EXPECT_EQ(stored_bytes("Standard").value_or(std::vector<unsigned char> {}).size(), 255u);
}

TEST_F(Program, StoredTextsAreShownExactlyAsStored)
{
    std::string const long_text(300, 'x');
    struct Case {
        char const* label;
        std::string stored;
        std::string shown;
    };
    Case const cases[] = {
        { "edited by hand", "was -60 before the trip", "was -60 before the trip" },
        { "wider than its label", "Default: -60 (recorded on the first run of this device)",
          "Default: -60 (recorded on the first run of this device)" },
        { "longer than 255 characters", long_text, long_text.substr(0, 255) },
    };
    for (auto const& c : cases) {
        m_device = fresh_directory("stored");
        add_text("DayLight", c.stored);
        add_text("Standard", "Default: 0");
        auto session = run("dump\nkey Escape\n");
        ASSERT_EQ(session.dumps.size(), 1u) << c.label;
        EXPECT_EQ(session.text(0, IdDaylightDefault), c.shown) << c.label;
        EXPECT_EQ(session.text(0, IdStandardDefault), "Default: 0") << c.label;
    }
}

TEST_F(Program, OversizedValueWithoutTerminatorReadsAsEmpty)
{
    // 3000 bytes of 'A' with no zero anywhere: more than the 2500 bytes offered.
    std::string hex;
    for (int i = 0; i < 3000; i++)
        hex += "41";
    add_binary("DayLight", "REG_BINARY", hex);
    add_text("Standard", "Default: 0");
    auto session = run("dump\nkey Escape\n");
    ASSERT_EQ(session.dumps.size(), 1u) << session.process.err;
    EXPECT_EQ(session.text(0, IdDaylightDefault), "");
    EXPECT_EQ(session.text(0, IdStandardDefault), "Default: 0");
}

TEST_F(Program, UnterminatedValueIsCutAtItsEnd)
{
    // "Default: 7" in UTF-16 without its terminator, and an odd byte after it.
    add_binary("DayLight", "REG_BINARY", "440065006600610075006c0074003a0020003700ff");
    add_text("Standard", "Default: 0");
    auto session = run("dump\nkey Escape\n");
    EXPECT_EQ(session.text(0, IdDaylightDefault), "Default: 7");
}

// The device's call trace shows the program's calls in the order made: the
// texts are read before the icons are set and the dialog centred, the record
// is read before the texts are recorded from it, the fields are filled before
// the labels, and OK reads the record afresh before writing it.
TEST_F(Program, CallsTheDeviceInItsOrder)
{
    auto trace_file = m_device + "/calls.trace";
    auto read_trace = [&] {
        std::ifstream stream(trace_file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(stream, line);) {
            // Where the dialog lands depends on the front end's screen.
            if (line.rfind("SetWindowPos", 0) == 0)
                line = "SetWindowPos";
            lines.push_back(line);
        }
        std::filesystem::remove(trace_file);
        return lines;
    };
    auto traced_run = [&](std::string const& commands) {
        auto session = run_process({ binary_path("velquin") },
                                   [&] {
                                       auto environment = this->environment();
                                       environment["CE_DEVICE_TRACE"] = trace_file;
                                       return environment;
                                   }(),
                                   commands);
        EXPECT_EQ(session.exit_code, 0) << session.err;
        return read_trace();
    };

    std::string const key = R"("HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS")";
    std::string const maker = R"("HKEY_LOCAL_MACHINE\\Software\\Corvane")";
    std::vector<std::string> const read_texts = {
        "RegCreateKeyExW " + key,
        "RegQueryValueExW " + key + " \"DayLight\", room 2500 bytes",
        "RegCloseKey " + key,
        "RegCreateKeyExW " + key,
        "RegQueryValueExW " + key + " \"Standard\", room 2500 bytes",
        "RegCloseKey " + key,
        "WM_SETICON ICON_BIG",
        "WM_SETICON ICON_SMALL",
        "SetWindowPos",
        "GetTimeZoneInformation",
    };
    std::vector<std::string> const record_texts = {
        "RegCreateKeyExW " + maker,
        "RegCloseKey " + maker,
        "RegCreateKeyExW " + key,
        "RegSetValueExW " + key + " \"DayLight\" type 1, 255 bytes",
        "RegCloseKey " + key,
        "RegCreateKeyExW " + maker,
        "RegCloseKey " + maker,
        "RegCreateKeyExW " + key,
        "RegSetValueExW " + key + " \"Standard\" type 1, 255 bytes",
        "RegCloseKey " + key,
    };
    auto show = [](char const* daylight_bias, char const* standard_bias, char const* daylight_text,
                   char const* standard_text) {
        return std::vector<std::string> {
            std::string("SetDlgItemInt 1002 ") + daylight_bias + " signed",
            std::string("SetDlgItemInt 1006 ") + standard_bias + " signed",
            std::string("SetDlgItemTextW 1008 \"") + daylight_text + "\"",
            std::string("SetDlgItemTextW 1007 \"") + standard_text + "\"",
        };
    };
    auto concat = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (auto const& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };

    // First run, confirmed with a new daylight bias.
    EXPECT_EQ(traced_run("key Tab\ntype -30\nkey Enter\n"),
              concat({ read_texts, record_texts, show("-60", "0", "Default: -60", "Default: 0"),
                       {
                           "GetTimeZoneInformation",
                           "GetDlgItemInt 1002 signed",
                           "GetDlgItemInt 1006 signed",
                           "SetTimeZoneInformation Bias -60, StandardBias 0, DaylightBias -30",
                       } }));

    // A later run records nothing, and cancelling writes nothing.
    EXPECT_EQ(traced_run("key Escape\n"), concat({ read_texts, show("-30", "0", "Default: -60", "Default: 0") }));
}

// A change the device could not keep is never a success: the process names
// what was lost on standard error and exits with the device's lost-write
// status, 74, whatever the dialog's result.
class LostWrites : public Program {
protected:
    static constexpr int lost_writes_status = 74;

    ProcessResult run_shell(std::string const& script, std::string const& commands)
    {
        auto environment = this->environment();
        environment["VELQUIN"] = binary_path("velquin");
        return run_process({ "/bin/sh", "-c", script }, environment, commands);
    }
};

TEST_F(LostWrites, FullDiskOnConfirmNamesTheTimeZoneRecord)
{
    // The first run records the defaults; the second cannot grow the file.
    run("");
    // 1 block of 512 bytes: far less than the registry file with a record.
    auto result = run_shell("trap '' XFSZ; ulimit -f 1; exec \"$VELQUIN\"", "key Tab\ntype -30\nkey Enter\n");
    EXPECT_EQ(result.exit_code, lost_writes_status) << result.err;
    EXPECT_NE(result.out.find("{\"end\":1}"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("velquin: the device did not keep 1 change:\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("velquin:   the time-zone record: cannot save "), std::string::npos) << result.err;
    EXPECT_FALSE(time_zone_written());

    // Cancelling changes nothing, so nothing is lost.
    result = run_shell("trap '' XFSZ; ulimit -f 1; exec \"$VELQUIN\"", "key Escape\n");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

TEST_F(LostWrites, BrokenRegistryNamesTheDefaultsThatWereNotRecorded)
{
    std::ofstream(m_device + "/registry.reg") << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\x]\nbroken\n";
    auto result = run_process({ binary_path("velquin") }, environment(), "key Enter\n");
    EXPECT_EQ(result.exit_code, lost_writes_status) << result.err;
    EXPECT_NE(result.err.find("velquin:   the registry key \"HKEY_LOCAL_MACHINE\\\\Software\\\\Corvane\\\\Tembrel\\\\DEFAULTS\""
                              ": cannot parse "),
              std::string::npos)
        << result.err;
}

TEST_F(LostWrites, UnusableDeviceDirectory)
{
    std::ofstream(m_device + "/file") << "not a directory";
    auto environment = this->environment();
    environment["CE_DEVICE_DIR"] = m_device + "/file/device";
    auto result = run_process({ binary_path("velquin") }, environment, "key Enter\n");
    EXPECT_EQ(result.exit_code, lost_writes_status) << result.err;
    EXPECT_NE(result.err.find("cannot create the device directory"), std::string::npos) << result.err;
}

// Root writes into directories whatever their mode: as root the program runs
// without the capabilities that let it (setpriv drops them from its bounding
// and inheritable sets), so the directory's mode binds it as it binds a user.
// Unlike a switch to another user, this needs no build tree that user can
// reach, and unlike a read-only mount it works in a chroot too.
TEST_F(LostWrites, ReadOnlyDeviceDirectory)
{
    run("");
    std::string const commands = "key Tab\ntype -30\nkey Enter\n";
    std::filesystem::permissions(m_device, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    ProcessResult result;
    if (::geteuid() == 0) {
        std::string const caps = "-dac_override,-dac_read_search,-fowner";
        result = run_shell("exec setpriv --inh-caps=" + caps + " --bounding-set=" + caps + " -- \"$VELQUIN\"",
                           commands);
    } else {
        result = run_process({ binary_path("velquin") }, environment(), commands);
    }
    std::filesystem::permissions(m_device, std::filesystem::perms::owner_all);
    EXPECT_EQ(result.exit_code, lost_writes_status) << result.err;
    EXPECT_NE(result.err.find("velquin:   the time-zone record: cannot save "), std::string::npos) << result.err;
    EXPECT_FALSE(time_zone_written());
}

// --help and --version are the device's, answered before the program starts:
// on a device directory that does not exist, with a front end that could not
// run and a call trace asked for, they answer, end with 0 and create nothing.
TEST(DeviceOptions, AnsweredWithoutTouchingTheDevice)
{
    struct {
        char const* option;
        std::vector<std::string> expected;
    } const cases[] = {
        { "--version", { "Velquin Application 1.0.0.2\ndevice: emulated Windows CE 3.0, platform " } },
        { "--help", { "Usage: velquin [--help | --version | ARGUMENT...]\n", "Velquin Application 1.0.0.2",
                      "CE_DEVICE_DIR", "CE_DEVICE_UI", "CE_DEVICE_TRACE", "TZ", "NO_COLOR",
                      "docs/terminal.md", "ce-reg", "ce-tz", "not created yet",
                      "default ${XDG_DATA_HOME:-~/.local/share}/ce-device\n" } },
        { "-h", { "Usage: velquin " } },
        { "/?", { "Usage: velquin " } },
    };
    for (auto const& c : cases) {
        std::filesystem::path const parent = fresh_directory("options");
        std::string const device = (parent / "device").string();
        auto const result = run_process({ binary_path("velquin"), c.option },
                                        { { "CE_DEVICE_DIR", device },
                                          { "CE_DEVICE_UI", "no-such-front-end" },
                                          { "CE_DEVICE_TRACE", (parent / "calls.trace").string() },
                                          { "TERM", "" } },
                                        test_support::ProcessOptions { .input = {}, .input_from_null = true, .timeout_seconds = 20 });
        EXPECT_EQ(result.exit_code, 0) << c.option << ": " << result.err;
        EXPECT_EQ(result.err, "") << c.option;
        for (auto const& text : c.expected)
            EXPECT_NE(result.out.find(text), std::string::npos) << c.option << " lacks " << text << ":\n" << result.out;
        if (std::string_view(c.option) != "--version") {
            EXPECT_NE(result.out.find(device), std::string::npos) << c.option << " names no device directory";
        }
        EXPECT_TRUE(std::filesystem::is_empty(parent)) << c.option << " created something in " << parent;
    }
}

// The device directory named in --help is the user's text: its control
// characters, C1 ones included, never reach the terminal.
TEST(DeviceOptions, HelpShowsControlCharactersInTheDirectoryAsQuestionMarks)
{
    std::filesystem::path const parent = fresh_directory("options");
    std::string const device = (parent / "a\x1b]0;title\x07" "b\xc2\x9b" "31m").string();
    auto const result = run_process({ binary_path("velquin"), "--help" }, { { "CE_DEVICE_DIR", device } });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.out.find("a?]0;title?b?31m"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(result.out.find('\x07'), std::string::npos);
    EXPECT_EQ(result.out.find("\xc2\x9b"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(parent));
}

// Only the first argument is the device's: anywhere else an option is the
// program's, which reads none, so the dialog runs as always.
TEST_F(Program, OptionsAfterTheFirstArgumentReachTheProgram)
{
    auto const result = run_process({ binary_path("velquin"), "x", "--help" }, environment(), "dump\nkey Escape\n");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out.find("Usage:"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("{\"end\":2}"), std::string::npos) << result.out;
}
