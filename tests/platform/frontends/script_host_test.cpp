// The script front end in a real program on pipes: every answer arrives
// while the program still waits for its next command, the end of input
// cancels, and a front end that cannot run stops the program before anything.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using nlohmann::json;

namespace {

// The host program with its three standard streams on pipes.
class Host {
public:
    // `ui` is CE_DEVICE_UI's value; null leaves it unset.
    explicit Host(char const* ui)
    {
        // A host that has already ended must not take the test down with it
        // when the test writes to its input.
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (int fd : { in[0], in[1], out[0], out[1], err[0], err[1] })
                close(fd);
            if (ui)
                setenv("CE_DEVICE_UI", ui, 1);
            else
                unsetenv("CE_DEVICE_UI"), unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY"); // the default, with no display
            execl(SCRIPT_HOST, SCRIPT_HOST, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        m_input = in[1];
        m_output = out[0];
        m_errors = err[0];
    }
    ~Host()
    {
        close_input();
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        for (int fd : { m_output, m_errors }) {
            if (fd >= 0)
                close(fd);
        }
    }
    Host(Host const&) = delete;
    Host& operator=(Host const&) = delete;

    bool started() const { return m_pid > 0; }

    void send(std::string const& text)
    {
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t const n = write(m_input, text.data() + done, text.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }
    void close_input()
    {
        if (m_input >= 0)
            close(m_input);
        m_input = -1;
    }

    // The next line on standard output, waiting at most five seconds for it.
    std::optional<std::string> read_line()
    {
        for (;;) {
            auto const newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            pollfd ready { m_output, POLLIN, 0 };
            if (poll(&ready, 1, 5000) <= 0)
                return std::nullopt;
            char chunk[4096];
            ssize_t const n = read(m_output, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Everything left on standard output, once the program has ended.
    std::string rest_of_output()
    {
        std::string all = m_buffer;
        m_buffer.clear();
        char chunk[4096];
        for (ssize_t n; (n = read(m_output, chunk, sizeof chunk)) > 0;)
            all.append(chunk, static_cast<std::size_t>(n));
        return all;
    }
    std::string errors()
    {
        std::string all;
        char chunk[4096];
        for (ssize_t n; (n = read(m_errors, chunk, sizeof chunk)) > 0;)
            all.append(chunk, static_cast<std::size_t>(n));
        return all;
    }

    // The exit status, waiting for the program to end.
    int exit_status()
    {
        if (!m_status) {
            int status = 0;
            while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return *m_status;
    }

private:
    pid_t m_pid { -1 };
    int m_input { -1 };
    int m_output { -1 };
    int m_errors { -1 };
    std::string m_buffer;
    std::optional<int> m_status;
};

}

TEST(ScriptHost, AnswersEachCommandBeforeTheNextIsSent)
{
    Host host("script");
    ASSERT_TRUE(host.started());
    host.send("dump\n");
    auto const first = host.read_line();
    ASSERT_TRUE(first) << "no answer to dump while the program waits: output not flushed";
    auto const dump = json::parse(*first);
    EXPECT_EQ(dump["caption"], "Host");
    EXPECT_EQ(dump["focus"], 1);
    ASSERT_EQ(dump["controls"].size(), 3u);
    EXPECT_EQ(dump["controls"][1], json::parse(dump["controls"][1].dump())) << "valid JSON";
    EXPECT_EQ(dump["controls"][1]["text"], "-60");
    EXPECT_EQ(dump["controls"][2]["id"], -1);

    host.send("key Tab\ntype -75\ndump\n");
    auto const second = host.read_line();
    ASSERT_TRUE(second);
    EXPECT_EQ(json::parse(*second)["controls"][1]["text"], "-75");

    host.send("click caption-ok\n");
    auto const end = host.read_line();
    ASSERT_TRUE(end);
    EXPECT_EQ(json::parse(*end), json({ { "end", 1 } }));
    EXPECT_EQ(host.exit_status(), 1);
    EXPECT_EQ(host.errors(), "value -75\n");
}

TEST(ScriptHost, EndOfInputCancelsAndUnknownLinesAreReported)
{
    Host host("script");
    ASSERT_TRUE(host.started());
    host.send("dump\nfrobnicate\nkey Tab\nkey Hyper\n");
    host.close_input();
    auto const dump = host.read_line();
    ASSERT_TRUE(dump);
    EXPECT_TRUE(json::parse(*dump).contains("controls"));
    auto const end = host.read_line();
    ASSERT_TRUE(end);
    EXPECT_EQ(json::parse(*end), json({ { "end", 2 } }));
    EXPECT_EQ(host.exit_status(), 2);
    EXPECT_EQ(host.rest_of_output(), "");
    EXPECT_EQ(host.errors(), "script: line 2: unknown command: \"frobnicate\"\n"
                             "script: line 4: unknown key: \"key Hyper\"\n");
}

TEST(ScriptHost, FrontEndThatCannotRunStopsTheProgramFirst)
{
    struct Case {
        char const* label;
        char const* ui;
    };
    Case const cases[] = {
        { "an unknown CE_DEVICE_UI", "teletype" },
        { "the terminal on pipes", "terminal" },
        { "the default, the terminal, on pipes", nullptr },
    };
    for (auto const& c : cases) {
        Host host(c.ui);
        ASSERT_TRUE(host.started());
        host.send("key Enter\n");
        host.close_input();
        EXPECT_EQ(host.exit_status(), 1) << c.label;
        EXPECT_EQ(host.rest_of_output(), "") << c.label << ": nothing shown";
        std::string const errors = host.errors();
        EXPECT_EQ(errors.rfind("script_host: ", 0), 0u) << c.label << ": " << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << c.label << ": one line: " << errors;
    }
    Host unknown("teletype");
    unknown.close_input();
    unknown.exit_status();
    EXPECT_EQ(unknown.errors(), "script_host: CE_DEVICE_UI=teletype is not a front end; use window, terminal or script\n");
}

// However long a setting the program cannot honour, its one line names it by
// its start and its length.
TEST(ScriptHost, RefusedSettingsAreNamedByAShortExcerpt)
{
    std::string const long_value = std::string(100000, 'v');
    struct Case {
        char const* variable;
        char const* ui;
    } const cases[] = {
        { "CE_DEVICE_UI", nullptr },
        { "CE_DEVICE_SCREEN", "script" },
        { "CE_DEVICE_ZOOM", "script" },
    };
    for (auto const& c : cases) {
        setenv(c.variable, long_value.c_str(), 1);
        Host host(c.ui ? c.ui : long_value.c_str());
        unsetenv(c.variable);
        ASSERT_TRUE(host.started()) << c.variable;
        host.close_input();
        // Read to the end first: a program stuck on a full pipe never exits.
        std::string const errors = host.errors();
        EXPECT_EQ(host.exit_status(), 1) << c.variable;
        EXPECT_NE(errors.find(std::string(c.variable) + "=vvv"), std::string::npos) << c.variable << ": " << errors.substr(0, 300);
        EXPECT_NE(errors.find("\xE2\x80\xA6 (100000 characters)"), std::string::npos)
            << c.variable << ": " << errors.substr(0, 300);
        EXPECT_LT(errors.size(), 1000u) << c.variable;
    }
}
