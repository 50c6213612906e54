// Terminal bytes to the dialog's keys: what each family of terminal really
// sends for the keys the dialog knows, sequences split anywhere, sequences
// that mean nothing here, pastes, and Escape on its own.
#include "frontends/terminal/KeyDecoder.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::frontends::terminal;

namespace {

DecodedKey vk(int code, bool shift = false, bool ctrl = false, bool alt = false)
{
    return DecodedKey::key(code, shift, ctrl, alt);
}
DecodedKey act(KeyAction action) { return DecodedKey::only(action); }
DecodedKey chr(char32_t c) { return DecodedKey::typed(c); }
DecodedKey click(int col, int row) { return DecodedKey::click(col, row); }
DecodedKey paste(std::u16string text) { return DecodedKey::pasted(std::move(text)); }

std::string describe(DecodedKey const& key)
{
    std::string text = "action " + std::to_string(static_cast<int>(key.action)) + " vk " + std::to_string(key.vk);
    if (key.shift)
        text += " shift";
    if (key.ctrl)
        text += " ctrl";
    if (key.alt)
        text += " alt";
    if (key.ch)
        text += " ch " + std::to_string(static_cast<unsigned>(key.ch));
    if (key.action == KeyAction::click)
        text += " at " + std::to_string(key.col) + "," + std::to_string(key.row);
    if (!key.text.empty())
        text += " text of " + std::to_string(key.text.size());
    return text;
}

// Feeds each piece in turn, collecting what comes out; expires the pending
// bytes at the end, as the wait for more bytes would.
std::vector<std::string> decode(std::vector<std::string> const& pieces, bool utf8 = true)
{
    KeyDecoder decoder(utf8);
    std::vector<std::string> out;
    for (auto const& piece : pieces) {
        decoder.feed(piece);
        while (auto key = decoder.next())
            out.push_back(describe(*key));
    }
    if (auto key = decoder.expire())
        out.push_back(describe(*key));
    while (auto key = decoder.next())
        out.push_back(describe(*key));
    return out;
}

std::vector<std::string> expected(std::vector<DecodedKey> const& keys)
{
    std::vector<std::string> out;
    for (auto const& key : keys)
        out.push_back(describe(key));
    return out;
}

struct Case {
    char const* label;
    std::string bytes;
    std::vector<DecodedKey> keys;
};

}

TEST(KeyDecoder, EveryTerminalFamilysKeys)
{
    Case const cases[] = {
        // Plain bytes.
        { "Tab", "\t", { vk(VK_TAB) } },
        { "Enter as CR", "\r", { vk(VK_RETURN) } },
        { "Enter as LF", "\n", { vk(VK_RETURN) } },
        { "Backspace as DEL", "\x7f", { vk(VK_BACK) } },
        { "Backspace as BS", "\b", { vk(VK_BACK) } },
        { "Space", " ", { vk(VK_SPACE) } },
        { "digits and minus", "-45", { chr('-'), chr('4'), chr('5') } },
        { "UTF-8 letter", "\xc3\xa9", { chr(U'\u00e9') } },
        { "UTF-8 beyond the BMP", "\xf0\x9f\x98\x80", { chr(U'\U0001F600') } },
        { "invalid UTF-8 is dropped", "\xc0\xaf" "a", { chr('a') } },
        { "UTF-8 surrogate is dropped", "\xed\xa0\x80" "a", { chr('a') } },
        { "Ctrl+C", "\x03", { act(KeyAction::close) } },
        { "Ctrl+L", "\x0c", { act(KeyAction::redraw) } },
        { "Ctrl+Z", "\x1a", { act(KeyAction::suspend) } },
        { "Ctrl+A and Ctrl+E", "\x01\x05", { vk(VK_HOME), vk(VK_END) } },
        { "Ctrl+\\ (no signal in raw mode)", "\x1c", {} },
        // Cursor keys in normal and application mode.
        { "arrows (normal)", "\x1b[A\x1b[B\x1b[C\x1b[D", { vk(VK_UP), vk(VK_DOWN), vk(VK_RIGHT), vk(VK_LEFT) } },
        { "arrows (application)", "\x1bOA\x1bOB\x1bOC\x1bOD", { vk(VK_UP), vk(VK_DOWN), vk(VK_RIGHT), vk(VK_LEFT) } },
        // Home and End, family by family.
        { "xterm Home/End", "\x1b[H\x1b[F", { vk(VK_HOME), vk(VK_END) } },
        { "xterm Home/End (application)", "\x1bOH\x1bOF", { vk(VK_HOME), vk(VK_END) } },
        { "screen/tmux/Linux Home/End", "\x1b[1~\x1b[4~", { vk(VK_HOME), vk(VK_END) } },
        { "rxvt Home/End", "\x1b[7~\x1b[8~", { vk(VK_HOME), vk(VK_END) } },
        { "Insert, Delete, PageUp, PageDown", "\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
          { vk(vk_insert), vk(VK_DELETE), vk(vk_prior), vk(vk_next) } },
        // Function keys.
        { "F1-F4 (SS3)", "\x1bOP\x1bOQ\x1bOR\x1bOS", { vk(vk_f1), vk(vk_f1 + 1), vk(vk_f1 + 2), vk(vk_f1 + 3) } },
        { "F1-F4 (rxvt)", "\x1b[11~\x1b[14~", { vk(vk_f1), vk(vk_f1 + 3) } },
        { "F1, F5 (Linux console)", "\x1b[[A\x1b[[E", { vk(vk_f1), vk(vk_f1 + 4) } },
        { "F5, F6, F10, F11, F12", "\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~",
          { vk(vk_f1 + 4), vk(vk_f1 + 5), vk(vk_f1 + 9), vk(vk_f1 + 10), vk(vk_f1 + 11) } },
        { "Shift+F1 (xterm)", "\x1b[1;2P", { vk(vk_f1, true) } },
        // Modifiers.
        { "Ctrl+Left/Right (xterm)", "\x1b[1;5D\x1b[1;5C", { vk(VK_LEFT, false, true), vk(VK_RIGHT, false, true) } },
        { "Shift+Left/Right (xterm)", "\x1b[1;2D\x1b[1;2C", { vk(VK_LEFT, true), vk(VK_RIGHT, true) } },
        { "Shift+Home/End (xterm)", "\x1b[1;2H\x1b[1;2F", { vk(VK_HOME, true), vk(VK_END, true) } },
        { "Ctrl+Shift+Right", "\x1b[1;6C", { vk(VK_RIGHT, true, true) } },
        { "Alt+Left (modifier 3)", "\x1b[1;3D", { vk(VK_LEFT, false, false, true) } },
        { "Ctrl+Delete", "\x1b[3;5~", { vk(VK_DELETE, false, true) } },
        { "old xterm Ctrl+Left", "\x1b[5D", { vk(VK_LEFT, false, true) } },
        { "SS3 with a modifier", "\x1bO5D", { vk(VK_LEFT, false, true) } },
        { "rxvt Shift+arrows", "\x1b[d\x1b[c", { vk(VK_LEFT, true), vk(VK_RIGHT, true) } },
        { "rxvt Ctrl+arrows", "\x1bOd\x1bOc", { vk(VK_LEFT, false, true), vk(VK_RIGHT, false, true) } },
        { "rxvt Shift+Home, Ctrl+End", "\x1b[7$\x1b[8^", { vk(VK_HOME, true), vk(VK_END, false, true) } },
        { "Shift+Tab", "\x1b[Z", { vk(VK_TAB, true) } },
        { "Alt+x is nothing", "\x1bx", {} },
        { "Alt+Enter is nothing", "\x1b\r", {} },
        { "Alt+UTF-8 letter is nothing", "\x1b\xc3\xa9", {} },
        { "Alt+Up as ESC ESC [ A", "\x1b\x1b[A", { vk(VK_UP, false, false, true) } },
        { "CSI u Escape and Ctrl+c", "\x1b[27u\x1b[99;5u", { vk(VK_ESCAPE), act(KeyAction::close) } },
        { "modifyOtherKeys Shift+Tab", "\x1b[27;2;9~", { vk(VK_TAB, true) } },
        // The keypad in application mode.
        { "keypad digits, minus and Enter", "\x1bOm\x1bOt\x1bOu\x1bOM", { chr('-'), chr('4'), chr('5'), vk(VK_RETURN) } },
        // Sequences that mean nothing here are consumed whole.
        { "unknown CSI", "\x1b[99;99z", {} },
        { "CSI with an intermediate", "\x1b[1 q", {} },
        { "private CSI reply", "\x1b[?1;2c", {} },
        { "focus in and out", "\x1b[I\x1b[O", {} },
        { "unknown tilde number", "\x1b[99~", {} },
        { "OSC ended by BEL", "\x1b]11;rgb:0000/0000/0000\x07", {} },
        { "OSC ended by ST", "\x1b]11;x\x1b\\", {} },
        { "DCS", "\x1bP1$r0m\x1b\\", {} },
        { "a stray paste end", "\x1b[201~", {} },
        { "a broken CSI drops only itself", "\x1b[12\x01" "a", { vk(VK_HOME), chr('a') } },
        { "keys around unknown sequences", "1\x1b[99z" "2\x1b]0;t\x07" "3", { chr('1'), chr('2'), chr('3') } },
        // Mouse reports.
        { "SGR press and release", "\x1b[<0;11;6M\x1b[<0;11;6m", { click(10, 5) } },
        { "SGR wheel is nothing", "\x1b[<64;11;6M", {} },
        { "SGR right button is nothing", "\x1b[<2;11;6M", {} },
        { "X10 press and release", "\x1b[M +&\x1b[M#+&", { click(10, 5) } },
        // Escape itself.
        { "lone Escape after the wait", "\x1b", { vk(VK_ESCAPE) } },
        { "Escape twice is one Escape", "\x1b\x1b", { vk(VK_ESCAPE) } },
        { "Escape [ alone is Alt+[", "\x1b[", {} },
        // Pastes.
        { "bracketed paste", "\x1b[200~-45\x1b[201~", { paste(u"-45") } },
        { "paste stops at the first line break", "\x1b[200~-45\nrm -rf ~\r\n\x1b[201~x", { paste(u"-45"), chr('x') } },
        { "paste drops controls", "\x1b[200~1\x1b[A2\t3\x1b[201~", { paste(u"1[A23") } },
        { "paste of UTF-8", "\x1b[200~\xc3\xa9\xf0\x9f\x98\x80\x1b[201~", { paste(u"\u00e9\U0001F600") } },
        { "an unfinished paste ends with what came", "\x1b[200~12", { paste(u"12") } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(decode({ c.bytes }), expected(c.keys)) << c.label;
}

TEST(KeyDecoder, ASequenceSplitAnywhereIsStillOneKey)
{
    Case const cases[] = {
        { "tmux Home", "\x1b[1~", { vk(VK_HOME) } },
        { "Ctrl+Left", "\x1b[1;5D", { vk(VK_LEFT, false, true) } },
        { "F12", "\x1b[24~", { vk(vk_f1 + 11) } },
        { "SS3 End", "\x1bOF", { vk(VK_END) } },
        { "UTF-8 letter", "\xe2\x82\xac", { chr(U'\u20ac') } },
        { "SGR click", "\x1b[<0;3;4M", { click(2, 3) } },
        { "paste with its markers", "\x1b[200~-45\x1b[201~", { paste(u"-45") } },
        { "OSC", "\x1b]0;title\x07" "a", { chr('a') } },
    };
    for (auto const& c : cases) {
        for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
            EXPECT_EQ(decode({ c.bytes.substr(0, cut), c.bytes.substr(cut) }), expected(c.keys))
                << c.label << " cut after " << cut;
        }
        std::vector<std::string> bytes;
        for (char b : c.bytes)
            bytes.emplace_back(1, b);
        EXPECT_EQ(decode(bytes), expected(c.keys)) << c.label << " byte by byte";
    }
}

TEST(KeyDecoder, WhatIsWaitingAndHowLongToWait)
{
    KeyDecoder decoder;
    EXPECT_FALSE(decoder.waiting());
    decoder.feed("\x1b");
    EXPECT_FALSE(decoder.next());
    EXPECT_TRUE(decoder.waiting());
    EXPECT_TRUE(decoder.ambiguous()) << "a lone Escape waits the short delay";
    decoder.feed("[1;");
    EXPECT_FALSE(decoder.next());
    EXPECT_TRUE(decoder.waiting());
    EXPECT_FALSE(decoder.ambiguous()) << "a sequence under way waits longer";
    decoder.feed("5D");
    EXPECT_EQ(decoder.next(), vk(VK_LEFT, false, true));
    EXPECT_FALSE(decoder.waiting());

    decoder.feed("\x1b[200~abc");
    EXPECT_FALSE(decoder.next());
    EXPECT_TRUE(decoder.in_paste());
    EXPECT_FALSE(decoder.ambiguous());
    decoder.feed("\x1b[201");
    EXPECT_FALSE(decoder.next());
    decoder.feed("~");
    EXPECT_EQ(decoder.next(), paste(u"abc"));
    EXPECT_FALSE(decoder.waiting());

    decoder.feed("\x1b[1;5");
    decoder.clear();
    EXPECT_FALSE(decoder.waiting());
    decoder.feed("a");
    EXPECT_EQ(decoder.next(), chr('a'));
}

TEST(KeyDecoder, APasteIsBounded)
{
    KeyDecoder decoder;
    decoder.feed("\x1b[200~");
    std::string const chunk(4096, '7');
    for (int i = 0; i < 100; ++i)
        decoder.feed(chunk);
    decoder.feed("\x1b[201~");
    auto key = decoder.next();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->action, KeyAction::paste);
    EXPECT_LE(key->text.size(), KeyDecoder::paste_limit);
    EXPECT_GE(key->text.size(), 30000u) << "room for the longest field";
}

TEST(KeyDecoder, WithoutUtf8OnlyAsciiIsTyped)
{
    EXPECT_EQ(decode({ "a\xe9" "b" }, false), expected({ chr('a'), chr('b') }));
    EXPECT_EQ(decode({ "\x1b[1~" }, false), expected({ vk(VK_HOME) }));
}

TEST(KeyDecoder, RunsOfSequencesSplitAtRandomDecodeAsEachAlone)
{
    // Any run of the sequences terminals send, however the link cuts it,
    // decodes as the sequences one by one: nothing is lost, merged, taken
    // for Escape or typed.
    std::vector<std::string> const pieces {
        "\x1b[1~", "\x1b[4~",  "\x1bOH",   "\x1b[F",    "\x1b[1;5D", "\x1b[1;2C", "\x1b[24~", "\x1b[[A",
        "\x1bx",   "\x1b[Z",   "\x1b[99z", "\x1b]0;t\a", "\x1b[<0;5;5M", "a",     "-",        "\xc3\xa9",
        "\t",      "\x7f",     "\x1b[200~pasted\x1b[201~", "\x1b[7$", "\x1bOd",
    };
    std::vector<std::vector<std::string>> alone;
    for (auto const& piece : pieces)
        alone.push_back(decode({ piece }));

    std::uint32_t seed = 12345;
    auto random = [&seed](std::uint32_t below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    for (int round = 0; round < 500; ++round) {
        std::string bytes;
        std::vector<std::string> want;
        for (int n = 0; n < 8; ++n) {
            auto const which = random(static_cast<std::uint32_t>(pieces.size()));
            bytes += pieces[which];
            want.insert(want.end(), alone[which].begin(), alone[which].end());
        }
        std::vector<std::string> cut;
        for (std::size_t at = 0; at < bytes.size();) {
            std::size_t const length = 1 + random(6);
            cut.push_back(bytes.substr(at, length));
            at += length;
        }
        ASSERT_EQ(decode(cut), want) << "round " << round;
    }
}

TEST(KeyDecoder, OneRuleForWhatAKeyMayType)
{
    // A code point that UTF-8 input may not type, a key sequence may not
    // either: C1 controls, surrogates, DEL and what lies past U+10FFFF.
    Case const cases[] = {
        { "CSI u of a C1 control", "\x1b[155u", {} },
        { "CSI u of NEL", "\x1b[133u", {} },
        { "CSI u of a lone surrogate", "\x1b[55296u", {} },
        { "CSI u of a low surrogate", "\x1b[57343u", {} },
        { "CSI u past Unicode", "\x1b[1114112u", {} },
        { "modifyOtherKeys of NEL", "\x1b[27;1;133~", {} },
        { "modifyOtherKeys of a surrogate", "\x1b[27;1;56000~", {} },
        { "NEL as UTF-8", "\xc2\x85", {} },
        { "CSI u of a letter still types it", "\x1b[233u", { chr(U'\u00e9') } },
        { "modifyOtherKeys of a letter", "\x1b[27;1;97~", { chr('a') } },
        { "paste of a C1 control as UTF-8", "\x1b[200~1\xc2\x9b" "2\x1b[201~", { paste(u"12") } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(decode({ c.bytes }), expected(c.keys)) << c.label;
}

TEST(KeyDecoder, AnOverlongSequenceIsDroppedWholeHoweverItIsSplit)
{
    // Each of these is longer than any sequence kept: it means nothing, and
    // none of its bytes is typed, whichever read boundary cuts it.
    std::string const csi = "\x1b[" + std::string(300, '1') + ";5u";
    std::string const ss3 = "\x1bO" + std::string(300, '1') + "D";
    std::string const osc = "\x1b]0;" + std::string(5000, 'x') + "\a";
    for (auto const& [label, sequence] : { std::pair { "CSI", csi }, { "SS3", ss3 }, { "OSC", osc } }) {
        std::string const bytes = sequence + "7";
        std::vector<std::string> const want = expected({ chr('7') });
        EXPECT_EQ(decode({ bytes }), want) << label << " fed whole";
        for (std::size_t cut : { std::size_t { 3 }, std::size_t { 255 }, std::size_t { 256 }, std::size_t { 257 },
                                 std::size_t { 300 }, sequence.size() - 1, sequence.size() - 2 }) {
            EXPECT_EQ(decode({ bytes.substr(0, cut), bytes.substr(cut) }), want) << label << " cut after " << cut;
        }
        std::vector<std::string> one_by_one;
        for (char b : bytes)
            one_by_one.emplace_back(1, b);
        EXPECT_EQ(decode(one_by_one), want) << label << " byte by byte";
    }
}

TEST(KeyDecoder, AMegabyteOfEscapesDecodesInBoundedDepth)
{
    // Every pair is the Escape key; nothing recurses per byte, so the run's
    // length cannot exhaust the stack.
    std::string const escapes(1 << 20, '\x1b');
    KeyDecoder decoder;
    decoder.feed(escapes);
    std::size_t keys = 0;
    while (auto key = decoder.next()) {
        ASSERT_EQ(*key, vk(VK_ESCAPE));
        ++keys;
    }
    if (auto key = decoder.expire())
        ++keys;
    EXPECT_EQ(keys, escapes.size() / 2);
    decoder.feed("\x1b\x1b\x1b[A");
    EXPECT_EQ(decoder.next(), vk(VK_ESCAPE));
    EXPECT_EQ(decoder.next(), vk(VK_UP));
}
