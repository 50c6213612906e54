// The write loop: every byte arrives in order through short writes and writes
// a signal interrupts, and a failure says which errno stopped it.
#include "text/WriteAll.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

// Reads a pipe to its end in small pieces, so that the writer meets a full
// pipe and short writes.
std::string drain(int fd)
{
    std::string got;
    char buffer[1000];
    for (;;) {
        ssize_t const n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return got;
        got.append(buffer, static_cast<std::size_t>(n));
    }
}

void on_alarm(int) { }

}

TEST(WriteAll, WritesEveryByteThroughShortAndInterruptedWrites)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    // A timer without SA_RESTART, so that writes waiting on the full pipe
    // return EINTR or write short whenever it fires.
    struct sigaction action {};
    action.sa_handler = on_alarm;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    itimerval const every_millisecond { { 0, 1000 }, { 0, 1000 } };
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every_millisecond, nullptr), 0);

    std::string const bytes = pattern(8 << 20);
    std::string got;
    std::thread reader([&] { got = drain(fds[0]); });
    auto const written = platform::text::write_all(fds[1], bytes);
    ::close(fds[1]);
    reader.join();

    itimerval const off {};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    ::close(fds[0]);
    EXPECT_TRUE(written.has_value()) << written.error().message;
    EXPECT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes);
}

TEST(WriteAll, WritesAtAnOffsetWithoutMovingTheFileOffset)
{
    char path[] = "/tmp/write_all_test.XXXXXX";
    int const fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::unlink(path);
    ASSERT_TRUE(platform::text::write_all(fd, "0123456789").has_value());
    ASSERT_TRUE(platform::text::write_all_at(fd, "abc", 4).has_value());
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 10);
    char back[16] = {};
    EXPECT_EQ(::pread(fd, back, sizeof back, 0), 10);
    EXPECT_STREQ(back, "0123abc789");
    ::close(fd);
}

TEST(WriteAll, FailsWithTheErrnoAndItsWords)
{
    struct Case {
        char const* label;
        int error;
    } const cases[] = { { "no such descriptor", EBADF }, { "the reader has gone", EPIPE } };
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
    for (auto const& c : cases) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        int const target = c.error == EBADF ? -1 : fds[1];
        auto const written = platform::text::write_all(target, "some bytes");
        ASSERT_FALSE(written.has_value()) << c.label;
        EXPECT_EQ(written.error().code, c.error) << c.label;
        EXPECT_EQ(written.error().message, std::strerror(c.error)) << c.label;
        errno = 0;
        EXPECT_FALSE(platform::text::write_all_raw(target, "x", 1)) << c.label;
        EXPECT_EQ(errno, c.error) << c.label;
        ::close(fds[1]);
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_TRUE(platform::text::write_all_raw(-1, "", 0)) << "nothing to write";
}
