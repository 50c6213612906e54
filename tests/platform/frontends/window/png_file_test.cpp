// The screenshot's file: a regular file is replaced whole; a FIFO or a
// device is written where it is and never replaced; a FIFO that nothing
// reads, a terminal or a directory is refused at once.
#include "frontends/window/PngFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

using namespace platform::frontends::window;

namespace {

struct Scratch {
    std::filesystem::path dir;
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "png-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
};

// The error's words, or nullopt when the picture was written.
std::optional<std::string> failure(platform::Result<void> const& written)
{
    if (written)
        return std::nullopt;
    return written.error().message;
}

Canvas picture()
{
    Canvas canvas(8, 4);
    for (int x = 0; x < 8; ++x)
        canvas.put(x, x % 4, 0x00FF00);
    return canvas;
}

}

TEST(PngFile, AFifoIsWrittenInPlaceOrRefusedNeverReplaced)
{
    Scratch scratch;
    auto const fifo = scratch.dir / "screen.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    // Nothing reads it: refused at once, not waited on.
    auto error = failure(write_png(fifo.string(), picture()));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("it is a FIFO that nothing reads"), std::string::npos) << *error;

    // A reader takes the picture as a stream.
    int const reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    // A write end of the test's own, held until the picture is written, so
    // that the reader waits for it rather than meeting the end of the stream
    // before the writer has opened the FIFO.
    int const keeper = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(keeper, 0);
    std::string got;
    std::thread drain([&] {
        ::fcntl(reader, F_SETFL, 0);
        char buffer[4096];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, static_cast<std::size_t>(n));
    });
    error = failure(write_png(fifo.string(), picture()));
    ::close(keeper);
    drain.join();
    ::close(reader);
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(got.substr(0, 8), "\x89PNG\r\n\x1a\n");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO stays";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.dir), {}), 1) << "no temporary file";
}

TEST(PngFile, DevicesAndDirectories)
{
    Scratch scratch;
    // A device is written where it is: /dev/null takes it, /dev/full says
    // it is full, and both stay as they are.
    EXPECT_EQ(failure(write_png("/dev/null", picture())), std::nullopt);
    auto error = failure(write_png("/dev/full", picture()));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("No space left on device"), std::string::npos) << *error;
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_FALSE(std::filesystem::exists("/dev/full.tmp-" + std::to_string(::getpid())));

    error = failure(write_png(scratch.dir.string(), picture()));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("it is a directory, not a regular file"), std::string::npos) << *error;

    // A regular file is replaced whole.
    auto const file = scratch.dir / "screen.png";
    EXPECT_EQ(failure(write_png(file.string(), picture())), std::nullopt);
    auto const back = read_png(file.string());
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back->pixel(1, 1), 0x00FF00u);
}
