// Compares two PNG pictures pixel for pixel, for the tests on a real display:
//     window_png_compare EXPECTED ACTUAL
// Exit status 0 when they are the same size with the same pixels, 1 with the
// first difference on standard output otherwise, 2 when one cannot be read.
#include "frontends/window/PngFile.h"

#include <cstdio>

using platform::frontends::window::Canvas;
using platform::frontends::window::read_png;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_png_compare EXPECTED ACTUAL\n");
        return 2;
    }
    std::optional<Canvas> expected, actual;
    for (auto [path, canvas] : { std::pair { argv[1], &expected }, std::pair { argv[2], &actual } }) {
        auto picture = read_png(path);
        if (!picture) {
            std::printf("%s\n", picture.error().message.c_str());
            return 2;
        }
        *canvas = std::move(*picture);
    }
    if (expected->width() != actual->width() || expected->height() != actual->height()) {
        std::printf("sizes differ: %dx%d, %dx%d\n", expected->width(), expected->height(), actual->width(),
                    actual->height());
        return 1;
    }
    int differing = 0;
    for (int y = 0; y < expected->height(); ++y) {
        for (int x = 0; x < expected->width(); ++x) {
            if (expected->pixel(x, y) != actual->pixel(x, y) && differing++ == 0)
                std::printf("first difference at %d,%d: %06X, %06X\n", x, y, expected->pixel(x, y), actual->pixel(x, y));
        }
    }
    if (differing)
        std::printf("%d pixels differ\n", differing);
    return differing ? 1 : 0;
}
