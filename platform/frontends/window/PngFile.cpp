// libpng, with its errors caught through setjmp as the library requires.
#include "frontends/window/PngFile.h"

#include "text/FileKind.h"
#include "text/TerminalText.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace platform::frontends::window {

namespace {

// "what: the system's words for `code`", with the code kept.
Error errno_error(std::string what, int code)
{
    return Error { std::move(what) + ": " + std::strerror(code), code };
}

struct FileCloser {
    void operator()(std::FILE* file) const
    {
        if (file)
            std::fclose(file);
    }
};

bool encode(std::FILE* file, Canvas const& canvas)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(static_cast<std::size_t>(canvas.width()) * 3);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()), static_cast<png_uint_32>(canvas.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            Rgb const p = canvas.pixel(x, y);
            row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}

// A FIFO or a character device named for the picture gets it written where
// it is, as a program writing to it would: it is never replaced by a file. Its
// opening does not wait for a reader; a FIFO that nothing reads is refused.
static Result<void> write_png_in_place(std::string const& path, Canvas const& canvas)
{
    std::string const shown = platform::text::excerpt_for_terminal(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENXIO)
        return Error { "cannot write " + shown + ": it is a FIFO that nothing reads", ENXIO };
    if (fd < 0)
        return errno_error("cannot write " + shown, errno);
    struct stat st {};
    bool const terminal = ::isatty(fd);
    if (::fstat(fd, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) || terminal) {
        ::close(fd);
        return Error { "cannot write " + shown + ": it is "
                       + (terminal ? std::string("a terminal") : platform::text::file_kind(st.st_mode))
                       + ", which takes no picture" };
    }
    // Written as a stream from now on: a reader that is slow is waited for.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        int const code = errno;
        ::close(fd);
        return errno_error("cannot write " + shown, code);
    }
    bool written = encode(file, canvas);
    written = std::fflush(file) == 0 && written;
    int const code = errno;
    written = std::fclose(file) == 0 && written;
    if (!written)
        return errno_error("cannot write " + shown, code);
    return {};
}

Result<void> write_png(std::string const& path, Canvas const& canvas)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))
            return write_png_in_place(path, canvas);
        return Error { "cannot write " + platform::text::excerpt_for_terminal(path) + ": it is "
                       + platform::text::file_kind(st.st_mode) + ", not a regular file" };
    }
    std::string const temporary = path + ".tmp-" + std::to_string(getpid());
    std::string const shown = platform::text::excerpt_for_terminal(temporary);
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return errno_error("cannot write " + shown, errno);
    bool written = encode(file, canvas);
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        return Error { "cannot write " + shown };
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        Error error = errno_error("cannot rename " + shown + " to " + platform::text::excerpt_for_terminal(path), errno);
        std::remove(temporary.c_str());
        return error;
    }
    return {};
}

Result<Canvas> read_png(std::string const& path)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return Error { "cannot read " + platform::text::excerpt_for_terminal(path) + ": " + image.message };
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> data(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, data.data(), 0, nullptr))
        return Error { "cannot decode " + platform::text::excerpt_for_terminal(path) + ": " + image.message };
    Canvas result(static_cast<int>(image.width), static_cast<int>(image.height));
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            std::size_t const at = (static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)) * 3;
            result.put(x, y, (Rgb(data[at]) << 16) | (Rgb(data[at + 1]) << 8) | Rgb(data[at + 2]));
        }
    }
    return result;
}

}
