// The check made before the dialog is shown: a clear reason when there is
// no terminal to draw on (standard input or output redirected and no
// controlling terminal either) or TERM names a terminal curses cannot drive,
// and nothing written to the terminal either way.
#include "frontends/terminal/TerminalSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using platform::frontends::terminal::TerminalSession;

namespace {

struct SessionCase {
    char const* label;
    bool input_is_terminal;
    bool output_is_terminal;
    char const* term; // null: unset
    char const* problem; // null: none; else a part of the reason given
    bool controlling_terminal { true }; // the process has one (the pty)
};

}

class TerminalCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(openpty(&m_master, &m_slave, nullptr, nullptr, nullptr), 0);
        m_null = open("/dev/null", O_RDWR);
        ASSERT_GE(m_null, 0);
        char const* term = std::getenv("TERM");
        if (term)
            m_term = term;
    }
    void TearDown() override
    {
        if (m_term)
            setenv("TERM", m_term->c_str(), 1);
        else
            unsetenv("TERM");
        close(m_master);
        close(m_slave);
        close(m_null);
    }

    std::optional<std::string> check(SessionCase const& c)
    {
        if (c.term)
            setenv("TERM", c.term, 1);
        else
            unsetenv("TERM");
        std::fflush(stdout);
        int saved_in = dup(STDIN_FILENO), saved_out = dup(STDOUT_FILENO);
        dup2(c.input_is_terminal ? m_slave : m_null, STDIN_FILENO);
        dup2(c.output_is_terminal ? m_slave : m_null, STDOUT_FILENO);
        std::string const controlling = c.controlling_terminal ? ptsname_of_slave() : "/nonexistent/tty";
        auto const usable = TerminalSession::check_terminal(controlling.c_str());
        std::optional<std::string> const problem
            = usable ? std::nullopt : std::optional<std::string>(usable.error().message);
        dup2(saved_in, STDIN_FILENO);
        dup2(saved_out, STDOUT_FILENO);
        close(saved_in);
        close(saved_out);
        return problem;
    }

    std::string ptsname_of_slave() const
    {
        char name[256] {};
        return ttyname_r(m_slave, name, sizeof name) == 0 ? name : "/nonexistent/tty";
    }

    bool terminal_got_output()
    {
        pollfd master { m_master, POLLIN, 0 };
        return poll(&master, 1, 0) > 0 && (master.revents & POLLIN);
    }

    int m_master { -1 };
    int m_slave { -1 };
    int m_null { -1 };
    std::optional<std::string> m_term;
};

TEST_F(TerminalCheck, GivesTheReasonAnUnusableTerminalCannotShowTheDialog)
{
    std::string const long_term(100000, 'x');
    SessionCase const cases[] = {
        { "a real terminal", true, true, "xterm-256color", nullptr },
        { "tmux's own", true, true, "tmux-256color", nullptr },
        { "input from /dev/null: the controlling terminal", false, true, "xterm-256color", nullptr },
        { "output to a file: the controlling terminal", true, false, "xterm-256color", nullptr },
        { "neither: the controlling terminal", false, false, "xterm-256color", nullptr },
        { "input from /dev/null, no controlling terminal", false, true, "xterm-256color",
          "standard input is not a terminal and the process has no controlling terminal", false },
        { "output to a file, no controlling terminal", true, false, "xterm-256color",
          "standard output is not a terminal and the process has no controlling terminal", false },
        { "controlling terminal, TERM unset", false, false, nullptr, "TERM is not set" },
        { "TERM unset", true, true, nullptr, "TERM is not set" },
        { "TERM empty", true, true, "", "TERM is not set" },
        { "TERM=dumb", true, true, "dumb", "TERM=dumb cannot move the cursor" },
        { "TERM=unknown", true, true, "unknown", "TERM=unknown is not a terminal type this system knows" },
        { "TERM misspelt", true, true, "xtrem", "TERM=xtrem" },
        { "TERM with ESC, a C1 control and an override: escapes", true, true, "x\x1B[31m\xC2\x9B\xE2\x80\xAE",
          "TERM=x\\x1B[31m\\u009B\\u202E is not a terminal type" },
        { "TERM of 100,000 letters: a marked excerpt", true, true, long_term.c_str(),
          "\xE2\x80\xA6 (100000 characters)" },
    };
    for (auto const& c : cases) {
        auto problem = check(c);
        if (!c.problem) {
            EXPECT_FALSE(problem) << c.label << ": " << problem.value_or("");
        } else {
            ASSERT_TRUE(problem) << c.label;
            EXPECT_NE(problem->find(c.problem), std::string::npos) << c.label << ": " << *problem;
            EXPECT_EQ(problem->find('\n'), std::string::npos) << c.label << ": one line";
            EXPECT_LT(problem->size(), 400u) << c.label;
        }
        EXPECT_FALSE(terminal_got_output()) << c.label << ": the check wrote to the terminal";
    }
}
