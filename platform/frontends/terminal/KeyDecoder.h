// What the bytes a terminal sends mean to the dialog. The decoder reads the
// raw byte stream itself rather than trusting the terminal description: every
// family of terminal (xterm, rxvt, screen and tmux, the Linux console, VT100)
// sends its own spelling of Home, End, the function keys and their modified
// forms, often not the one TERM's entry lists. Every escape sequence is
// consumed whole, whether it means anything here or not, so no part of one
// ever acts as the Escape key or is typed into a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform::frontends::terminal {

enum class KeyAction {
    none,      // nothing the dialog uses: ignored
    key,       // `vk` pressed (with the modifiers held)
    character, // `ch` typed
    paste,     // `text` pasted (bracketed paste): text, never keys
    click,     // the primary mouse button pressed at `col`, `row` (from 0)
    redraw,    // draw everything again (Ctrl+L)
    close,     // close the dialog as its close button does (Ctrl+C)
    suspend,   // stop the process until it is resumed (Ctrl+Z)
};

struct DecodedKey {
    KeyAction action { KeyAction::none };
    int vk { 0 };
    bool shift { false };
    bool ctrl { false };
    bool alt { false };
    char32_t ch { 0 };
    std::u16string text {};
    int col { 0 };
    int row { 0 };

    bool operator==(DecodedKey const&) const = default;

    static DecodedKey key(int vk, bool shift = false, bool ctrl = false, bool alt = false)
    {
        return { .action = KeyAction::key, .vk = vk, .shift = shift, .ctrl = ctrl, .alt = alt };
    }
    static DecodedKey only(KeyAction action) { return { .action = action }; }
    static DecodedKey typed(char32_t ch) { return { .action = KeyAction::character, .ch = ch }; }
    static DecodedKey click(int col, int row) { return { .action = KeyAction::click, .col = col, .row = row }; }
    static DecodedKey pasted(std::u16string text)
    {
        return { .action = KeyAction::paste, .text = std::move(text) };
    }
};

// Virtual-key codes of keys the dialog does not use but a terminal sends.
inline constexpr int vk_prior = 0x21;
inline constexpr int vk_next = 0x22;
inline constexpr int vk_insert = 0x2D;
inline constexpr int vk_f1 = 0x70; // F1..F12 are vk_f1 + 0..11

class KeyDecoder {
public:
    // `utf8`: characters arrive as UTF-8; otherwise only ASCII is taken
    // (bytes from 0x80 are ignored).
    explicit KeyDecoder(bool utf8 = true);

    // Adds bytes read from the terminal.
    void feed(std::string_view bytes);

    // The next input complete in what was fed, or nullopt when nothing is:
    // the rest (if any) may be the start of a longer sequence.
    std::optional<DecodedKey> next();

    // Bytes are waiting for the rest of a sequence. `ambiguous` when they
    // would also mean something as they stand (a lone Escape, Escape and one
    // more byte): the caller waits the short Escape delay for those, a longer
    // one otherwise.
    bool waiting() const { return m_start < m_buffer.size() || m_in_paste || m_skipping != Skipping::nothing; }
    bool ambiguous() const;
    bool in_paste() const { return m_in_paste; }

    // No byte came for the wait: a lone Escape is the Escape key, an Escape
    // and one byte an Alt key (ignored); an unfinished sequence is dropped;
    // an unfinished paste ends with what came.
    std::optional<DecodedKey> expire();

    // Forgets everything fed and not yet decoded.
    void clear();

    // The longest paste text kept (UTF-16 code units): more than any field
    // can hold.
    static constexpr std::size_t paste_limit = 0x8000;

private:
    enum class Parse {
        complete,   // m_length bytes make m_result
        incomplete, // more bytes are needed
    };
    Parse parse(std::size_t at);
    Parse parse_escape(std::size_t at);
    Parse parse_csi(std::size_t at);
    Parse parse_ss3(std::size_t at);
    Parse parse_string(std::size_t at);
    Parse parse_utf8(std::size_t at);
    void skip_overlong();
    void take_paste_bytes();
    DecodedKey finish_paste();

    bool m_utf8;
    std::string m_buffer;
    std::size_t m_start { 0 };
    // The last parse: its result and the bytes it took.
    DecodedKey m_result;
    std::size_t m_length { 0 };

    // The rest of a sequence too long to keep, dropped as it comes, so that
    // it is dropped whole however the reads split it.
    enum class Skipping { nothing, csi, ss3, string };
    Skipping m_skipping { Skipping::nothing };

    bool m_in_paste { false };
    std::string m_paste_bytes; // up to the first line break, bounded
    bool m_paste_line_ended { false };
};

}
