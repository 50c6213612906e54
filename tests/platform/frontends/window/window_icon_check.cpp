// Checks a window's icon (_NET_WM_ICON) against the program's icon as the
// device draws it, for the tests on a real display:
//     window_icon_check WINDOW-ID SCREENSHOT
// The property must hold a 16 x 16 and a 32 x 32 picture; the 32 x 32 one,
// where opaque, must appear pixel for pixel somewhere on the device's screen
// (the dialog's icon control), and where transparent the screen must show
// what lies under it there, the dialog's face, never the picture's colour.
// Exit status 0 when it does, 1 with the reason otherwise.
#include "frontends/window/PngFile.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

using platform::frontends::window::Canvas;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_icon_check WINDOW-ID SCREENSHOT\n");
        return 2;
    }
    // Closed on every way out (the sanitizer build counts what is left).
    std::unique_ptr<Display, int (*)(Display*)> const connection(XOpenDisplay(nullptr), XCloseDisplay);
    Display* const display = connection.get();
    if (!display) {
        std::printf("cannot open the display\n");
        return 2;
    }
    Window const window = std::strtoul(argv[1], nullptr, 0);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 20, False,
                           XA_CARDINAL, &type, &format, &count, &left, &data)
            != Success
        || !data || format != 32 || count == 0) {
        if (data)
            XFree(data);
        std::printf("the window has no _NET_WM_ICON\n");
        return 1;
    }
    std::unique_ptr<unsigned char, int (*)(void*)> const held(data, XFree);
    auto const* cardinals = reinterpret_cast<unsigned long const*>(data);
    std::map<std::pair<unsigned long, unsigned long>, std::vector<unsigned long>> pictures;
    for (unsigned long i = 0; i + 2 <= count;) {
        unsigned long const w = cardinals[i], h = cardinals[i + 1];
        i += 2;
        if (w == 0 || h == 0 || w * h > count - i) {
            std::printf("a malformed picture in _NET_WM_ICON\n");
            return 1;
        }
        pictures[{ w, h }].assign(cardinals + i, cardinals + i + w * h);
        i += w * h;
    }
    if (!pictures.count({ 16, 16 }) || !pictures.count({ 32, 32 })) {
        std::printf("_NET_WM_ICON lacks the 16 x 16 or the 32 x 32 picture (%zu pictures)\n", pictures.size());
        return 1;
    }
    auto const screen = platform::frontends::window::read_png(argv[2]);
    if (!screen) {
        std::printf("%s\n", screen.error().message.c_str());
        return 2;
    }
    auto const& big = pictures[{ 32, 32 }];
    int opaque = 0, clear = 0;
    for (unsigned long argb : big)
        ((argb >> 24) >= 0x80 ? opaque : clear)++;
    if (opaque == 0 || clear == 0) {
        std::printf("the 32 x 32 picture has %d opaque and %d transparent pixels: no mask applied\n", opaque, clear);
        return 1;
    }
    for (int top = 0; top + 32 <= screen->height(); ++top) {
        for (int left_x = 0; left_x + 32 <= screen->width(); ++left_x) {
            bool same = true;
            for (int y = 0; y < 32 && same; ++y) {
                for (int x = 0; x < 32 && same; ++x) {
                    unsigned long const argb = big[static_cast<std::size_t>(y * 32 + x)];
                    std::uint32_t const shown = screen->pixel(left_x + x, top + y);
                    if ((argb >> 24) >= 0x80)
                        same = shown == (argb & 0xFFFFFF);
                    else
                        same = shown == 0xC0C0C0;
                }
            }
            if (same) {
                std::printf("the icon is drawn at %d,%d\n", left_x, top);
                return 0;
            }
        }
    }
    std::printf("the 32 x 32 picture with its mask is nowhere on the device's screen\n");
    return 1;
}
