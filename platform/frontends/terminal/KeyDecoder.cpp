// The terminal's keys to the dialog's. The terminal sends Enter as CR (raw
// mode keeps it from becoming LF), Backspace as DEL or BS depending on its
// settings, and Shift+Tab as the back-tab key; in raw mode Ctrl+C and Ctrl+Z
// arrive as characters, not signals, and are handled here like any key.
#include "frontends/terminal/KeyDecoder.h"

#include "windows.h"

#include <ncursesw/curses.h>

namespace platform::frontends::terminal {

namespace {

DecodedKey vk(int code, bool shift = false)
{
    return { KeyAction::key, code, shift, 0 };
}

DecodedKey action(KeyAction a)
{
    return { a, 0, false, 0 };
}

constexpr char32_t control(char letter)
{
    return static_cast<char32_t>(letter - 'A' + 1);
}

}

DecodedKey decode_key(bool is_key_code, std::uint32_t code)
{
    if (is_key_code) {
        switch (code) {
        case KEY_BTAB: return vk(VK_TAB, true);
        case KEY_ENTER: return vk(VK_RETURN);
        case KEY_BACKSPACE: return vk(VK_BACK);
        case KEY_DC: return vk(VK_DELETE);
        case KEY_LEFT: return vk(VK_LEFT);
        case KEY_RIGHT: return vk(VK_RIGHT);
        case KEY_UP: return vk(VK_UP);
        case KEY_DOWN: return vk(VK_DOWN);
        case KEY_HOME:
        case KEY_A1: return vk(VK_HOME);
        case KEY_END:
        case KEY_C1: return vk(VK_END);
        case KEY_MOUSE: return action(KeyAction::mouse);
        case KEY_RESIZE: return action(KeyAction::resize);
        default: return action(KeyAction::none);
        }
    }
    switch (code) {
    case U'\t': return vk(VK_TAB);
    case U'\r':
    case U'\n': return vk(VK_RETURN);
    case 0x1B: return vk(VK_ESCAPE);
    case 0x7F:
    case 0x08: return vk(VK_BACK);
    case U' ': return vk(VK_SPACE);
    case control('C'): return action(KeyAction::close);
    case control('L'): return action(KeyAction::redraw);
    case control('Z'): return action(KeyAction::suspend);
    // The line editor's usual moves, as most terminal programs take them.
    case control('A'): return vk(VK_HOME);
    case control('E'): return vk(VK_END);
    case control('B'): return vk(VK_LEFT);
    case control('F'): return vk(VK_RIGHT);
    case control('D'): return vk(VK_DELETE);
    default: break;
    }
    // Any other control character stays out of the texts.
    if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
        return action(KeyAction::none);
    return { KeyAction::character, 0, false, code };
}

}
