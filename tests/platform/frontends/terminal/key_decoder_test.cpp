// Terminal keys to the dialog's keys: the keys a terminal really sends for
// each one the dialog knows, in raw mode.
#include "frontends/terminal/KeyDecoder.h"
#include "windows.h"

#include <gtest/gtest.h>

#define NCURSES_NOMACROS 1
#include <ncursesw/curses.h>

using namespace platform::frontends::terminal;

TEST(KeyDecoder, DecodesTheKeysTheDialogUses)
{
    struct Case {
        char const* label;
        bool is_key_code;
        std::uint32_t code;
        DecodedKey expected;
    };
    auto vk = [](int code, bool shift = false) { return DecodedKey { KeyAction::key, code, shift, 0 }; };
    auto act = [](KeyAction action) { return DecodedKey { action, 0, false, 0 }; };
    Case const cases[] = {
        { "Tab", false, '\t', vk(VK_TAB) },
        { "Shift+Tab", true, KEY_BTAB, vk(VK_TAB, true) },
        { "Enter (CR in raw mode)", false, '\r', vk(VK_RETURN) },
        { "Enter (LF)", false, '\n', vk(VK_RETURN) },
        { "keypad Enter", true, KEY_ENTER, vk(VK_RETURN) },
        { "Escape", false, 0x1B, vk(VK_ESCAPE) },
        { "Space", false, ' ', vk(VK_SPACE) },
        { "Backspace as DEL", false, 0x7F, vk(VK_BACK) },
        { "Backspace as BS", false, 0x08, vk(VK_BACK) },
        { "Backspace key", true, KEY_BACKSPACE, vk(VK_BACK) },
        { "Delete", true, KEY_DC, vk(VK_DELETE) },
        { "Left", true, KEY_LEFT, vk(VK_LEFT) },
        { "Right", true, KEY_RIGHT, vk(VK_RIGHT) },
        { "Up", true, KEY_UP, vk(VK_UP) },
        { "Down", true, KEY_DOWN, vk(VK_DOWN) },
        { "Home", true, KEY_HOME, vk(VK_HOME) },
        { "End", true, KEY_END, vk(VK_END) },
        { "Ctrl+A", false, 1, vk(VK_HOME) },
        { "Ctrl+E", false, 5, vk(VK_END) },
        { "Ctrl+C", false, 3, act(KeyAction::close) },
        { "Ctrl+L", false, 12, act(KeyAction::redraw) },
        { "Ctrl+Z", false, 26, act(KeyAction::suspend) },
        { "mouse report", true, KEY_MOUSE, act(KeyAction::mouse) },
        { "resize", true, KEY_RESIZE, act(KeyAction::resize) },
        { "F1", true, static_cast<std::uint32_t>(KEY_F(1)), act(KeyAction::none) },
        { "Ctrl+\\ (no signal in raw mode)", false, 0x1C, act(KeyAction::none) },
        { "C1 CSI", false, 0x9B, act(KeyAction::none) },
        { "a surrogate", false, 0xD800, act(KeyAction::none) },
        { "minus", false, '-', DecodedKey { KeyAction::character, 0, false, U'-' } },
        { "digit", false, '7', DecodedKey { KeyAction::character, 0, false, U'7' } },
        { "letter beyond ASCII", false, 0xE9, DecodedKey { KeyAction::character, 0, false, U'\u00e9' } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(decode_key(c.is_key_code, c.code), c.expected) << c.label;
}
