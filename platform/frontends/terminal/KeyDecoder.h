// What a key read from the terminal means to the dialog: a key of the
// dialog's own (as a virtual-key code), a typed character, or a request to the
// front end itself (redraw, close, suspend, a mouse report or a new size).
#pragma once

#include <cstdint>

namespace platform::frontends::terminal {

enum class KeyAction {
    none,      // nothing the dialog uses: ignored
    key,       // `vk` pressed (with Shift when `shift`)
    character, // `ch` typed
    mouse,     // a mouse report is waiting (read it with getmouse)
    resize,    // the terminal has a new size
    redraw,    // draw everything again (Ctrl+L)
    close,     // close the dialog as its close button does (Ctrl+C)
    suspend,   // stop the process until it is resumed (Ctrl+Z)
};

struct DecodedKey {
    KeyAction action { KeyAction::none };
    int vk { 0 };
    bool shift { false };
    char32_t ch { 0 };

    bool operator==(DecodedKey const&) const = default;
};

// Decodes one result of the wide-character read: `is_key_code` when it gave a
// function key (KEY_CODE_YES), with `code` that key's code, otherwise `code`
// is the character read.
DecodedKey decode_key(bool is_key_code, std::uint32_t code);

}
