// Standard error held while the dialog owns the screen: nothing reaches the
// real stream meanwhile, everything arrives once it is released, in order,
// and a writer never blocks however much it writes.
#include "frontends/terminal/HeldStderr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

using platform::frontends::terminal::HeldStderr;

// Points descriptor 2 at a file of its own for the test's lifetime.
class StderrToFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = ::testing::TempDir() + "held_stderr_" + std::to_string(getpid());
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    void TearDown() override
    {
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        unlink(m_path.c_str());
    }
    std::string written() const
    {
        std::ifstream file(m_path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string m_path;
    int m_saved { -1 };
};

TEST_F(StderrToFile, HoldsEveryKindOfWriteUntilReleased)
{
    std::fputs("before\n", stderr);
    {
        HeldStderr held;
        ASSERT_TRUE(held.hold());
        EXPECT_TRUE(held.holding());
        std::fputs("stdio\n", stderr);
        std::cerr << "iostream\n";
        ASSERT_EQ(write(STDERR_FILENO, "raw\n", 4), 4);
        EXPECT_EQ(written(), "before\n");
        held.release();
        EXPECT_FALSE(held.holding());
        EXPECT_EQ(written(), "before\nstdio\niostream\nraw\n");
    }
    std::fputs("after\n", stderr);
    EXPECT_EQ(written(), "before\nstdio\niostream\nraw\nafter\n");
}

TEST_F(StderrToFile, MoreThanAPipeHoldsNeverBlocksTheWriter)
{
    std::string line(1000, 'x');
    line += '\n';
    HeldStderr held;
    ASSERT_TRUE(held.hold());
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(write(STDERR_FILENO, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    held.release();
    EXPECT_EQ(written().size(), 200 * line.size());
}

TEST_F(StderrToFile, ReleasingOnDestructionAndTwiceIsHarmless)
{
    {
        HeldStderr held;
        ASSERT_TRUE(held.hold());
        ASSERT_TRUE(held.hold()) << "holding again keeps the first hold";
        std::fputs("held\n", stderr);
    }
    EXPECT_EQ(written(), "held\n");
    HeldStderr never;
    never.release();
    EXPECT_EQ(written(), "held\n");
}
