// The spellings of keys that xterm, rxvt, screen and tmux, the Linux console
// and VT100 send, each row one spelling. Modifiers sent as a parameter are
// 1 + Shift 1, Alt 2, Ctrl 4, Meta 8 (KeyDecoder.cpp reads them); the rows
// here say only where a spelling keeps them.
#include "frontends/terminal/KeyVocabulary.h"

#include "windows.h"

#include <span>

namespace platform::frontends::terminal::keys {

namespace {

constexpr Meaning key(int vk, ModifierParameter modifiers = ModifierParameter::none)
{
    return { .action = KeyAction::key, .vk = vk, .modifiers = modifiers };
}

constexpr Meaning shifted(int vk, ModifierParameter modifiers = ModifierParameter::none)
{
    return { .action = KeyAction::key, .vk = vk, .shift = true, .modifiers = modifiers };
}

constexpr Meaning with_ctrl(int vk)
{
    return { .action = KeyAction::key, .vk = vk, .ctrl = true };
}

constexpr Meaning act(KeyAction action)
{
    return { .action = action };
}

constexpr unsigned char control(char letter)
{
    return static_cast<unsigned char>(letter - 'A' + 1);
}

template<typename Code>
struct Row {
    Code code;
    Meaning meaning;
};

template<typename Code>
std::optional<Meaning> look_up(std::span<Row<Code> const> rows, Code code)
{
    for (auto const& row : rows) {
        if (row.code == code)
            return row.meaning;
    }
    return std::nullopt;
}

// Bytes on their own. In raw mode the terminal sends Enter as CR (LF from
// some), Backspace as DEL or BS as its settings say, and Ctrl+C and Ctrl+Z
// as characters, not signals.
constexpr Row<unsigned char> control_bytes[] = {
    { '\t', key(VK_TAB) },
    { '\r', key(VK_RETURN) },
    { '\n', key(VK_RETURN) },
    { 0x1B, key(VK_ESCAPE) },
    { 0x7F, key(VK_BACK) },
    { 0x08, key(VK_BACK) },
    { control('C'), act(KeyAction::close) },
    { control('L'), act(KeyAction::redraw) },
    { control('Z'), act(KeyAction::suspend) },
    // The line editor's usual moves, as most terminal programs take them.
    { control('A'), key(VK_HOME) },
    { control('E'), key(VK_END) },
    { control('B'), key(VK_LEFT) },
    { control('F'), key(VK_RIGHT) },
    { control('D'), key(VK_DELETE) },
};

// ESC [ n ~, used by xterm, rxvt, screen, tmux and the Linux console alike.
// The function keys' gaps (16, 22) are historical.
constexpr Row<int> numbered_keys[] = {
    { 1, key(VK_HOME) },       { 2, key(vk_insert) },     { 3, key(VK_DELETE) },      { 4, key(VK_END) },
    { 5, key(vk_prior) },      { 6, key(vk_next) },       { 7, key(VK_HOME) },        { 8, key(VK_END) },
    { 11, key(vk_f1) },        { 12, key(vk_f1 + 1) },    { 13, key(vk_f1 + 2) },     { 14, key(vk_f1 + 3) },
    { 15, key(vk_f1 + 4) },    { 17, key(vk_f1 + 5) },    { 18, key(vk_f1 + 6) },     { 19, key(vk_f1 + 7) },
    { 20, key(vk_f1 + 8) },    { 21, key(vk_f1 + 9) },    { 23, key(vk_f1 + 10) },    { 24, key(vk_f1 + 11) },
};

// How ESC [ n ends: xterm's ~, and rxvt's $ for Shift, ^ for Ctrl, @ for
// both.
constexpr Row<char> numbered_finals[] = {
    { '~', key(0) },
    { '$', shifted(0) },
    { '^', with_ctrl(0) },
    { '@', { .action = KeyAction::key, .shift = true, .ctrl = true } },
};

// The cursor keys and friends, ended by the same byte after ESC [ and after
// ESC O, with their modifiers as the second parameter, or the first when it
// stands alone (the older ESC [ 5 D).
constexpr Row<char> cursor_finals[] = {
    { 'A', key(VK_UP, ModifierParameter::second_else_first) },
    { 'B', key(VK_DOWN, ModifierParameter::second_else_first) },
    { 'C', key(VK_RIGHT, ModifierParameter::second_else_first) },
    { 'D', key(VK_LEFT, ModifierParameter::second_else_first) },
    { 'H', key(VK_HOME, ModifierParameter::second_else_first) },
    { 'F', key(VK_END, ModifierParameter::second_else_first) },
    { 'P', key(vk_f1, ModifierParameter::second_else_first) },
    { 'Q', key(vk_f1 + 1, ModifierParameter::second_else_first) },
    { 'R', key(vk_f1 + 2, ModifierParameter::second_else_first) },
    { 'S', key(vk_f1 + 3, ModifierParameter::second_else_first) },
};

// After ESC [ only.
constexpr Row<char> csi_only_finals[] = {
    { 'Z', shifted(VK_TAB, ModifierParameter::second) }, // Shift+Tab
    // rxvt's Shift+arrows.
    { 'a', shifted(VK_UP) },
    { 'b', shifted(VK_DOWN) },
    { 'c', shifted(VK_RIGHT) },
    { 'd', shifted(VK_LEFT) },
};

// After ESC O only.
constexpr Row<char> ss3_only_finals[] = {
    // rxvt's Ctrl+arrows.
    { 'a', with_ctrl(VK_UP) },
    { 'b', with_ctrl(VK_DOWN) },
    { 'c', with_ctrl(VK_RIGHT) },
    { 'd', with_ctrl(VK_LEFT) },
    { 'M', key(VK_RETURN) }, // the keypad's Enter
};

// The Linux console's F1..F5: ESC [ [ A..E.
constexpr Row<char> console_keys[] = {
    { 'A', key(vk_f1) }, { 'B', key(vk_f1 + 1) }, { 'C', key(vk_f1 + 2) }, { 'D', key(vk_f1 + 3) }, { 'E', key(vk_f1 + 4) },
};

// Keys that CSI u and modifyOtherKeys give by their character code but that
// are keys, not text.
constexpr Row<int> coded_keys[] = {
    { 9, key(VK_TAB) }, { 13, key(VK_RETURN) }, { 27, key(VK_ESCAPE) },
    { 8, key(VK_BACK) }, { 127, key(VK_BACK) }, { 32, key(VK_SPACE) },
};

// The keypad in application mode: its digits and signs as typed.
struct KeypadRow {
    char final;
    char32_t typed;
};
constexpr KeypadRow keypad[] = {
    { 'j', U'*' }, { 'k', U'+' }, { 'l', U',' }, { 'm', U'-' }, { 'n', U'.' }, { 'o', U'/' },
    { 'p', U'0' }, { 'q', U'1' }, { 'r', U'2' }, { 's', U'3' }, { 't', U'4' }, { 'u', U'5' },
    { 'v', U'6' }, { 'w', U'7' }, { 'x', U'8' }, { 'y', U'9' }, { 'X', U'=' },
};

}

DecodedKey Meaning::decoded() const
{
    if (action == KeyAction::key)
        return DecodedKey::key(vk, shift, ctrl);
    return DecodedKey::only(action);
}

Meaning control_byte(unsigned char code)
{
    return look_up<unsigned char>(control_bytes, code).value_or(Meaning {});
}

Meaning numbered_key(int number)
{
    return look_up<int>(numbered_keys, number).value_or(Meaning {});
}

std::optional<NumberedFinal> numbered_final(char final)
{
    if (auto const meaning = look_up<char>(numbered_finals, final))
        return NumberedFinal { meaning->shift, meaning->ctrl };
    return std::nullopt;
}

std::optional<Meaning> csi_final(char final)
{
    if (auto const meaning = look_up<char>(cursor_finals, final))
        return meaning;
    return look_up<char>(csi_only_finals, final);
}

std::optional<Meaning> ss3_final(char final)
{
    if (auto const meaning = look_up<char>(cursor_finals, final))
        return meaning;
    return look_up<char>(ss3_only_finals, final);
}

std::optional<Meaning> console_key(char key)
{
    return look_up<char>(console_keys, key);
}

std::optional<Meaning> coded_key(int code)
{
    return look_up<int>(coded_keys, code);
}

char32_t keypad_character(char final)
{
    for (auto const& row : keypad) {
        if (row.final == final)
            return row.typed;
    }
    return 0;
}

}
