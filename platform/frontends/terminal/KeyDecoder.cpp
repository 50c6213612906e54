// Terminal bytes to the dialog's keys: where a sequence begins and ends,
// its parameters and modifiers, mouse reports, pastes, and Alt+key as Escape
// followed by the key. Which spelling means which key is looked up in the
// tables of KeyVocabulary.cpp.
#include "frontends/terminal/KeyDecoder.h"

#include "frontends/DialogRules.h"
#include "frontends/terminal/KeyVocabulary.h"
#include "text/Utf.h"
#include "windows.h"

#include <algorithm>
#include <vector>

namespace platform::frontends::terminal {

namespace {

constexpr char escape = 0x1B;
constexpr std::string_view paste_end = "\x1b[201~";
// Longest escape sequence or terminal string kept whole; longer ones are
// dropped, up to their end, whatever they would have meant.
constexpr std::size_t longest_sequence = 256;
constexpr std::size_t longest_string = 4096;

DecodedKey vk(int code, bool shift = false, bool ctrl = false, bool alt = false)
{
    return DecodedKey::key(code, shift, ctrl, alt);
}

DecodedKey action(KeyAction a) { return DecodedKey::only(a); }
DecodedKey character(char32_t c) { return DecodedKey::typed(c); }

// A C0 control or DEL as a key.
DecodedKey control_key(unsigned char code)
{
    return keys::control_byte(code).decoded();
}

// A printable character (or the space bar) as typed.
DecodedKey typed(char32_t c)
{
    if (c == U' ')
        return vk(VK_SPACE);
    if (c < 0x20 || c == 0x7F)
        return control_key(static_cast<unsigned char>(c));
    if (!may_reach_a_field(c))
        return action(KeyAction::none);
    return character(c);
}

// The modifiers of a parameter (1 + a bit each), or none without one.
void apply_modifiers(DecodedKey& key, int parameter)
{
    if (parameter < 2)
        return;
    int const bits = parameter - 1;
    key.shift = key.shift || (bits & 1) != 0;
    key.alt = key.alt || (bits & (2 | 8)) != 0;
    key.ctrl = key.ctrl || (bits & 4) != 0;
}

// A key given by its character code with modifiers (CSI code ; mod u, or
// xterm's CSI 27 ; mod ; code ~).
DecodedKey coded_key(int code, int modifiers)
{
    DecodedKey key;
    if (auto const meaning = keys::coded_key(code))
        key = meaning->decoded();
    else if (code < 0 || !may_reach_a_field(static_cast<char32_t>(code)))
        return action(KeyAction::none);
    else
        key = character(static_cast<char32_t>(code));
    DecodedKey held;
    apply_modifiers(held, modifiers);
    if (held.alt)
        return action(KeyAction::none);
    if (key.action == KeyAction::character) {
        if (held.ctrl) {
            char32_t upper = key.ch >= U'a' && key.ch <= U'z' ? key.ch - 32 : key.ch;
            if (upper >= U'@' && upper <= U'_')
                return control_key(static_cast<unsigned char>(upper - U'@'));
            return action(KeyAction::none);
        }
        return key;
    }
    key.shift = held.shift;
    key.ctrl = held.ctrl;
    return key;
}

std::vector<int> numbers(std::string_view text)
{
    std::vector<int> result { 0 };
    for (char c : text) {
        if (c == ';' || c == ':') {
            if (c == ';')
                result.push_back(0);
            else
                break; // sub-parameters are not used
        } else if (c >= '0' && c <= '9') {
            result.back() = std::min(result.back() * 10 + (c - '0'), 1 << 24);
        }
    }
    return result;
}

int parameter(std::vector<int> const& values, std::size_t index, int fallback)
{
    return index < values.size() && values[index] != 0 ? values[index] : fallback;
}

// A row's key, with the modifiers its parameters add where the row keeps
// them.
DecodedKey with_parameters(keys::Meaning const& meaning, std::vector<int> const& values)
{
    DecodedKey key = meaning.decoded();
    switch (meaning.modifiers) {
    case keys::ModifierParameter::none: break;
    case keys::ModifierParameter::second: apply_modifiers(key, parameter(values, 1, 1)); break;
    case keys::ModifierParameter::second_else_first:
        apply_modifiers(key, values.size() >= 2 ? values[1] : values[0]);
        break;
    }
    return key;
}

}

KeyDecoder::KeyDecoder(bool utf8)
    : m_utf8(utf8)
{
}

void KeyDecoder::feed(std::string_view bytes)
{
    if (m_start > 0 && m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    } else if (m_start > 4096) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
}

void KeyDecoder::clear()
{
    m_buffer.clear();
    m_start = 0;
    m_skipping = Skipping::nothing;
    m_in_paste = false;
    m_paste_bytes.clear();
    m_paste_line_ended = false;
}

bool KeyDecoder::ambiguous() const
{
    if (m_in_paste)
        return false;
    std::size_t const left = m_buffer.size() - m_start;
    return left > 0 && left <= 2 && m_buffer[m_start] == escape;
}

std::optional<DecodedKey> KeyDecoder::next()
{
    for (;;) {
        if (m_in_paste) {
            take_paste_bytes();
            if (m_in_paste)
                return std::nullopt;
            return finish_paste();
        }
        if (m_skipping != Skipping::nothing) {
            skip_overlong();
            if (m_skipping != Skipping::nothing)
                return std::nullopt;
            continue;
        }
        if (m_start >= m_buffer.size())
            return std::nullopt;
        if (parse(m_start) == Parse::incomplete)
            return std::nullopt;
        m_start += m_length;
        if (m_result.action != KeyAction::none)
            return std::move(m_result);
    }
}

std::optional<DecodedKey> KeyDecoder::expire()
{
    if (m_in_paste) {
        // The end of the paste never came: what did come is the paste.
        m_paste_bytes.append(m_buffer, m_start);
        m_buffer.clear();
        m_start = 0;
        return finish_paste();
    }
    m_skipping = Skipping::nothing;
    bool const lone_escape = m_buffer.compare(m_start, std::string::npos, "\x1b") == 0
        || m_buffer.compare(m_start, std::string::npos, "\x1b\x1b") == 0;
    m_buffer.clear();
    m_start = 0;
    // Escape alone, or twice (Alt+Escape), is the key itself.
    if (lone_escape)
        return vk(VK_ESCAPE);
    return std::nullopt;
}

KeyDecoder::Parse KeyDecoder::parse(std::size_t at)
{
    auto const b = static_cast<unsigned char>(m_buffer[at]);
    m_length = 1;
    if (b == escape)
        return parse_escape(at);
    if (b < 0x80) {
        m_result = typed(b);
        return Parse::complete;
    }
    if (!m_utf8) {
        m_result = action(KeyAction::none);
        return Parse::complete;
    }
    return parse_utf8(at);
}

KeyDecoder::Parse KeyDecoder::parse_utf8(std::size_t at)
{
    text::Utf8Step const step = text::decode_utf8_at(m_buffer, at);
    m_length = step.length;
    switch (step.kind) {
    case text::Utf8Step::Kind::incomplete: return Parse::incomplete;
    case text::Utf8Step::Kind::invalid: m_result = action(KeyAction::none); return Parse::complete;
    case text::Utf8Step::Kind::character: m_result = typed(step.value); return Parse::complete;
    }
    return Parse::complete;
}

KeyDecoder::Parse KeyDecoder::parse_escape(std::size_t at)
{
    if (at + 1 >= m_buffer.size())
        return Parse::incomplete;
    auto const c = static_cast<unsigned char>(m_buffer[at + 1]);
    switch (c) {
    case '[': return parse_csi(at);
    case 'O': return parse_ss3(at);
    case 'P':
    case ']':
    case '_':
    case '^':
    case 'X':
        // A terminal string (DCS, OSC, APC, PM, SOS), or Alt with that key
        // when nothing follows within the Escape delay.
        return parse_string(at);
    case escape: {
        // Alt with a key that itself starts with Escape. A third Escape makes
        // the first two the Escape key, as when nothing follows them, so the
        // decoder looks at most one level deep however many come.
        if (at + 2 >= m_buffer.size())
            return Parse::incomplete;
        if (m_buffer[at + 2] == escape) {
            m_result = vk(VK_ESCAPE);
            m_length = 2;
            return Parse::complete;
        }
        if (parse_escape(at + 1) == Parse::incomplete)
            return Parse::incomplete;
        m_length += 1;
        if (m_result.action == KeyAction::key)
            m_result.alt = true;
        else
            m_result = action(KeyAction::none);
        return Parse::complete;
    }
    default: break;
    }
    // Alt with a character or a control key: nothing the dialog uses.
    if (c >= 0x80 && m_utf8) {
        if (parse_utf8(at + 1) == Parse::incomplete)
            return Parse::incomplete;
        m_length += 1;
    } else {
        m_length = 2;
    }
    m_result = action(KeyAction::none);
    return Parse::complete;
}

KeyDecoder::Parse KeyDecoder::parse_csi(std::size_t at)
{
    std::string_view const bytes(m_buffer);
    std::size_t const first = at + 2;
    if (first >= bytes.size())
        return Parse::incomplete;
    m_result = action(KeyAction::none);

    // The Linux console's F1..F5: ESC [ [ A..E.
    if (bytes[first] == '[') {
        if (first + 1 >= bytes.size())
            return Parse::incomplete;
        if (auto const key = keys::console_key(bytes[first + 1]))
            m_result = key->decoded();
        m_length = first + 2 - at;
        return Parse::complete;
    }
    // A mouse report in the original encoding: ESC [ M and three bytes,
    // each 32 more than the button, the column and the row (from 1).
    if (bytes[first] == 'M') {
        if (first + 3 >= bytes.size())
            return Parse::incomplete;
        int const button = static_cast<unsigned char>(bytes[first + 1]) - 32;
        int const col = static_cast<unsigned char>(bytes[first + 2]) - 33;
        int const row = static_cast<unsigned char>(bytes[first + 3]) - 33;
        if (button >= 0 && (button & ~(4 | 8 | 16)) == 0 && col >= 0 && row >= 0) {
            m_result.action = KeyAction::click;
            m_result.col = col;
            m_result.row = row;
        }
        m_length = first + 4 - at;
        return Parse::complete;
    }

    std::size_t end = first;
    std::size_t intermediates = std::string_view::npos;
    char final = 0;
    for (;; ++end) {
        if (end - at >= longest_sequence) {
            m_length = end - at;
            m_skipping = Skipping::csi;
            return Parse::complete;
        }
        if (end >= bytes.size())
            return Parse::incomplete;
        auto const b = static_cast<unsigned char>(bytes[end]);
        if (b >= 0x30 && b <= 0x3F && intermediates == std::string_view::npos)
            continue;
        // rxvt ends Shift+Home and friends with '$', an intermediate byte
        // elsewhere.
        if (b == '$' && intermediates == std::string_view::npos && end > first && bytes[first] >= '0'
            && bytes[first] <= '9') {
            final = '$';
            break;
        }
        if (b >= 0x20 && b <= 0x2F) {
            if (intermediates == std::string_view::npos)
                intermediates = end;
            continue;
        }
        if (b >= 0x40 && b <= 0x7E) {
            final = static_cast<char>(b);
            break;
        }
        // Not a sequence after all: drop what came, and read this byte
        // afresh.
        m_length = end - at;
        return Parse::complete;
    }
    m_length = end + 1 - at;
    if (intermediates != std::string_view::npos)
        return Parse::complete;

    std::string_view const params = bytes.substr(first, end - first);
    char const prefix = params.empty() ? 0 : params[0];
    if (prefix == '<') {
        // A mouse report in the SGR encoding: ESC [ < button ; col ; row M
        // (m for a release).
        auto const values = numbers(params.substr(1));
        int const button = values[0];
        if (final == 'M' && values.size() >= 3 && (button & ~(4 | 8 | 16)) == 0 && values[1] > 0 && values[2] > 0) {
            m_result.action = KeyAction::click;
            m_result.col = values[1] - 1;
            m_result.row = values[2] - 1;
        }
        return Parse::complete;
    }
    if (prefix >= 0x3C && prefix <= 0x3F)
        return Parse::complete; // replies and private forms: not keys

    auto const values = numbers(params);
    if (auto const numbered = keys::numbered_final(final)) {
        int const number = values[0];
        if (number == 200 && params == "200") {
            m_in_paste = true;
            m_paste_bytes.clear();
            m_paste_line_ended = false;
            return Parse::complete;
        }
        if (number == 27 && values.size() >= 3) {
            m_result = coded_key(values[2], values[1]);
            return Parse::complete;
        }
        m_result = keys::numbered_key(number).decoded();
        if (m_result.action != KeyAction::key)
            return Parse::complete;
        apply_modifiers(m_result, parameter(values, 1, 1));
        m_result.shift = m_result.shift || numbered->shift;
        m_result.ctrl = m_result.ctrl || numbered->ctrl;
        return Parse::complete;
    }
    if (final == 'u') {
        m_result = coded_key(values[0], parameter(values, 1, 1));
        return Parse::complete;
    }
    if (auto const key = keys::csi_final(final))
        m_result = with_parameters(*key, values);
    return Parse::complete;
}

KeyDecoder::Parse KeyDecoder::parse_ss3(std::size_t at)
{
    std::string_view const bytes(m_buffer);
    std::size_t end = at + 2;
    m_result = action(KeyAction::none);
    while (end < bytes.size() && end - at < longest_sequence
           && ((bytes[end] >= '0' && bytes[end] <= '9') || bytes[end] == ';'))
        ++end;
    if (end - at >= longest_sequence) {
        m_length = end - at;
        m_skipping = Skipping::ss3;
        return Parse::complete;
    }
    if (end >= bytes.size())
        return Parse::incomplete;
    auto const final = static_cast<unsigned char>(bytes[end]);
    if (final < 0x20 || final > 0x7E) {
        // Alt+O and then something else: read that afresh.
        m_length = end - at;
        return Parse::complete;
    }
    m_length = end + 1 - at;
    auto const values = numbers(bytes.substr(at + 2, end - at - 2));
    if (auto const key = keys::ss3_final(static_cast<char>(final)))
        m_result = with_parameters(*key, values);
    else if (char32_t const typed = keys::keypad_character(static_cast<char>(final)))
        m_result = character(typed);
    return Parse::complete;
}

KeyDecoder::Parse KeyDecoder::parse_string(std::size_t at)
{
    std::string_view const bytes(m_buffer);
    m_result = action(KeyAction::none);
    for (std::size_t i = at + 2;; ++i) {
        if (i - at >= longest_string) {
            m_length = i - at;
            m_skipping = Skipping::string;
            return Parse::complete;
        }
        if (i >= bytes.size())
            return Parse::incomplete;
        if (bytes[i] == '\a') {
            m_length = i + 1 - at;
            return Parse::complete;
        }
        if (bytes[i] == escape) {
            if (i + 1 >= bytes.size())
                return Parse::incomplete;
            // ESC \ ends the string; any other Escape cuts it short.
            m_length = bytes[i + 1] == '\\' ? i + 2 - at : i - at;
            return Parse::complete;
        }
    }
}

void KeyDecoder::skip_overlong()
{
    // The bytes that would still belong to the sequence; the first that
    // cannot is read afresh, a final byte (or a string's BEL) goes with it.
    while (m_start < m_buffer.size()) {
        auto const b = static_cast<unsigned char>(m_buffer[m_start]);
        bool more = false;
        bool last = false;
        switch (m_skipping) {
        case Skipping::csi:
            more = b >= 0x20 && b <= 0x3F;
            last = b >= 0x40 && b <= 0x7E;
            break;
        case Skipping::ss3:
            more = (b >= '0' && b <= '9') || b == ';';
            last = b >= 0x20 && b <= 0x7E;
            break;
        case Skipping::string:
            more = b != '\a' && b != escape;
            last = b == '\a';
            break;
        case Skipping::nothing: return;
        }
        if (more) {
            ++m_start;
            continue;
        }
        if (last)
            ++m_start;
        m_skipping = Skipping::nothing;
        return;
    }
}

void KeyDecoder::take_paste_bytes()
{
    std::string_view const left = std::string_view(m_buffer).substr(m_start);
    std::size_t const found = left.find(paste_end);
    std::size_t take = found;
    if (found == std::string_view::npos) {
        // Keep back what may be the start of the end marker.
        take = left.size();
        for (std::size_t keep = std::min(left.size(), paste_end.size() - 1); keep > 0; --keep) {
            if (left.substr(left.size() - keep) == paste_end.substr(0, keep)) {
                take = left.size() - keep;
                break;
            }
        }
    }
    for (char c : left.substr(0, take)) {
        if (m_paste_line_ended)
            break;
        if (c == '\r' || c == '\n')
            m_paste_line_ended = true;
        else if (m_paste_bytes.size() < 4 * paste_limit)
            m_paste_bytes.push_back(c);
    }
    m_start += take;
    if (found != std::string_view::npos) {
        m_start += paste_end.size();
        m_in_paste = false;
    }
}

DecodedKey KeyDecoder::finish_paste()
{
    m_in_paste = false;
    DecodedKey key = action(KeyAction::paste);
    std::string_view const bytes(m_paste_bytes);
    for (std::size_t i = 0; i < bytes.size() && key.text.size() + 2 <= paste_limit;) {
        char32_t c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 1;
        if (c >= 0x80) {
            if (!m_utf8) {
                ++i;
                continue;
            }
            text::Utf8Step const step = text::decode_utf8_at(bytes, i);
            length = step.length;
            if (step.kind != text::Utf8Step::Kind::character) {
                i += length;
                continue;
            }
            c = step.value;
        }
        i += length;
        // Controls never reach a field, pasted or not.
        if (!may_reach_a_field(c))
            continue;
        text::append_utf16(key.text, c);
    }
    m_paste_bytes.clear();
    m_paste_line_ended = false;
    return key;
}

}
