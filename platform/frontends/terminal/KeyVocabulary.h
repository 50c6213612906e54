// The key vocabulary: which byte or escape sequence a terminal sends for
// which of the dialog's keys, kept as tables (one row a spelling) that the
// decoder looks its input up in. A new terminal's spelling is a new row; the
// decoder's own rules (how a sequence is delimited, modifiers, pastes, what
// may be typed) stay in KeyDecoder.cpp.
#pragma once

#include "frontends/terminal/KeyDecoder.h"

#include <optional>

namespace platform::frontends::terminal::keys {

// Where a spelling's modifiers come from, besides the ones it always means.
enum class ModifierParameter {
    none,              // only the row's own
    second,            // the second parameter (CSI 1 ; 5 D)
    second_else_first, // the second parameter, or the first alone (CSI 5 D)
};

// What one row means: a key (KeyAction::key) with the modifiers its
// spelling always carries, or another action; by default nothing.
struct Meaning {
    KeyAction action { KeyAction::none };
    int vk { 0 };
    bool shift { false };
    bool ctrl { false };
    ModifierParameter modifiers { ModifierParameter::none };

    DecodedKey decoded() const;
};

// A C0 control or DEL sent on its own; KeyAction::none for one that means
// nothing here.
Meaning control_byte(unsigned char code);

// ESC [ n ~ (VT220 style); KeyAction::none for an unknown number.
Meaning numbered_key(int number);

// The final bytes that end ESC [ n ~ and rxvt's forms of it: the
// modifiers each adds, or nullopt for a byte that is not one of them.
struct NumberedFinal {
    bool shift;
    bool ctrl;
};
std::optional<NumberedFinal> numbered_final(char final);

// ESC [ ... final and ESC O ... final, by their final byte.
std::optional<Meaning> csi_final(char final);
std::optional<Meaning> ss3_final(char final);

// The Linux console's ESC [ [ key.
std::optional<Meaning> console_key(char key);

// A key given by its character code (ESC [ code ; mod u, xterm's
// ESC [ 27 ; mod ; code ~) that is not typed as a character.
std::optional<Meaning> coded_key(int code);

// What the keypad types in application mode (ESC O final), or 0.
char32_t keypad_character(char final);

}
