// libpng, with its errors caught through setjmp as the library requires.
#include "frontends/window/PngFile.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace platform::frontends::window {

namespace {

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

std::optional<std::string> write_png(std::string const& path, Canvas const& canvas)
{
    std::string const temporary = path + ".tmp-" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return "cannot write " + temporary + ": " + std::strerror(errno);
    bool written = encode(file, canvas);
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        return "cannot write " + temporary;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::string const error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

std::optional<std::string> read_png(std::string const& path, std::optional<Canvas>& canvas)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return "cannot read " + path + ": " + image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> data(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, data.data(), 0, nullptr))
        return "cannot decode " + path + ": " + image.message;
    Canvas result(static_cast<int>(image.width), static_cast<int>(image.height));
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            std::size_t const at = (static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)) * 3;
            result.put(x, y, (Rgb(data[at]) << 16) | (Rgb(data[at + 1]) << 8) | Rgb(data[at + 2]));
        }
    }
    canvas = std::move(result);
    return std::nullopt;
}

}
