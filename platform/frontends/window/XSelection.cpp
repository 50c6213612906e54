// Asynchronous selection requests on Xlib, beside the windowing library: the
// answers (SelectionNotify) reach us as the library's window-system events,
// which are asked for only while a request is pending.
#include "frontends/window/XSelection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform::frontends::window {

namespace {

// The property of our window the owner writes its answer into.
char const answer_property[] = "CE_DEVICE_SELECTION";
// A paste takes one line of a field: more than this is never wanted.
constexpr long longest_answer = 1 << 20;

std::string latin1_to_utf8(unsigned char const* data, unsigned long length)
{
    std::string text;
    text.reserve(length);
    for (unsigned long i = 0; i < length; ++i) {
        unsigned char const c = data[i];
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

}

SelectionReader::Request SelectionReader::request(SDL_Window* window, bool primary)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return Request::not_x11;
    Display* const display = info.info.x11.display;
    Atom const selection = primary ? XA_PRIMARY : XInternAtom(display, "CLIPBOARD", False);
    if (XGetSelectionOwner(display, selection) == None)
        return Request::no_owner;
    m_window = info.info.x11.window;
    XConvertSelection(display, selection, XInternAtom(display, "UTF8_STRING", False),
                      XInternAtom(display, answer_property, False), info.info.x11.window, CurrentTime);
    XFlush(display);
    if (m_pending++ == 0) {
        m_deadline = Clock::now() + patience;
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    return Request::asked;
}

std::optional<std::string> SelectionReader::answer(SDL_Event const& event)
{
    if (m_pending == 0 || event.type != SDL_SYSWMEVENT || !event.syswm.msg
        || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return std::nullopt;
    XEvent const& x = event.syswm.msg->msg.x11.event;
    if (x.type != SelectionNotify || x.xselection.requestor != m_window)
        return std::nullopt;
    Display* const display = x.xselection.display;
    if (--m_pending == 0)
        SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    else
        m_deadline = Clock::now() + patience;
    if (x.xselection.property == None)
        return std::string();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, m_window, x.xselection.property, 0, longest_answer / 4, True, AnyPropertyType,
                           &type, &format, &count, &left, &data)
            == Success
        && data && format == 8) {
        // A large answer sent in parts (INCR) is not read: no field takes it.
        if (type == XInternAtom(display, "UTF8_STRING", False))
            text.assign(reinterpret_cast<char const*>(data), count);
        else if (type == XA_STRING)
            text = latin1_to_utf8(data, count);
    }
    if (data)
        XFree(data);
    return text;
}

void SelectionReader::forget()
{
    if (m_pending > 0)
        SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    m_pending = 0;
}

}
