// _NET_WM_ICON on Xlib: each picture as its width, its height and its pixels,
// one CARDINAL each (a long to Xlib, whatever its size).
#include "frontends/window/XIcon.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform::frontends::window {

bool set_window_icon(SDL_Window* window, std::vector<IconPicture> const& pictures)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* const display = info.info.x11.display;
    Atom const property = XInternAtom(display, "_NET_WM_ICON", False);
    std::vector<unsigned long> cardinals;
    for (auto const& picture : pictures) {
        if (picture.width <= 0 || picture.height <= 0
            || picture.argb.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
            continue;
        cardinals.push_back(static_cast<unsigned long>(picture.width));
        cardinals.push_back(static_cast<unsigned long>(picture.height));
        cardinals.insert(cardinals.end(), picture.argb.begin(), picture.argb.end());
    }
    if (cardinals.empty())
        XDeleteProperty(display, info.info.x11.window, property);
    else
        XChangeProperty(display, info.info.x11.window, property, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char const*>(cardinals.data()), static_cast<int>(cardinals.size()));
    XFlush(display);
    return true;
}

}
