// The script front end on its own: which command line becomes which input,
// what it reports and where, what a dump holds, and the end of input.
#include "frontends/ScriptFrontEnd.h"
#include "windows.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <streambuf>

using namespace platform::frontends;
using nlohmann::json;

namespace {

DialogView sample_view()
{
    DialogView view;
    view.caption = u"Sample";
    view.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    view.ex_style = WS_EX_CAPTIONOKBTN;
    view.window_rect = { 10, 20, 110, 90 };
    view.client_rect = { 11, 38, 109, 89 };
    ControlView button;
    button.id = 1;
    button.control_class = ControlClass::Button;
    button.text = u"OK";
    button.rect = { 5, 40, 45, 54 };
    button.is_default = true;
    ControlView edit;
    edit.id = 1002;
    edit.control_class = ControlClass::Edit;
    edit.text = u"-60";
    edit.rect = { 50, 5, 90, 19 };
    edit.caret = 3;
    edit.selection_start = 0;
    edit.selection_end = 3;
    edit.focused = true;
    ControlView label;
    label.id = -1;
    label.control_class = ControlClass::Static;
    label.text = std::u16string(u"\x1b]0;x\x07 \xD800!");
    view.controls = { button, edit, label };
    view.focus = 1;
    return view;
}

struct Script {
    explicit Script(std::string const& text)
        : input(text)
        , front_end(input, output, errors)
    {
        EXPECT_TRUE(front_end.show(sample_view()).has_value());
    }
    std::vector<InputEvent> events(std::size_t count)
    {
        std::vector<InputEvent> result;
        for (std::size_t i = 0; i < count; ++i)
            result.push_back(front_end.next_event());
        return result;
    }
    std::istringstream input;
    std::ostringstream output;
    std::ostringstream errors;
    ScriptFrontEnd front_end;
};

bool same(InputEvent const& a, InputEvent const& b)
{
    if (a.index() != b.index())
        return false;
    if (auto const* k = std::get_if<KeyPress>(&a)) {
        auto const& o = std::get<KeyPress>(b);
        return k->vk == o.vk && k->shift == o.shift && k->ctrl == o.ctrl;
    }
    if (auto const* c = std::get_if<CharInput>(&a))
        return c->ch == std::get<CharInput>(b).ch;
    if (auto const* c = std::get_if<ControlClick>(&a)) {
        auto const& o = std::get<ControlClick>(b);
        return c->index == o.index && c->offset.x == o.offset.x && c->offset.y == o.offset.y;
    }
    if (auto const* c = std::get_if<CaptionClick>(&a))
        return c->button == std::get<CaptionClick>(b).button;
    if (auto const* c = std::get_if<CloseRequest>(&a))
        return c->final == std::get<CloseRequest>(b).final;
    if (auto const* r = std::get_if<ScreenResize>(&a)) {
        auto const& o = std::get<ScreenResize>(b);
        return r->size.cx == o.size.cx && r->size.cy == o.size.cy;
    }
    return false;
}

// Counts the flushes of the stream it backs.
class FlushCounter : public std::stringbuf {
public:
    int flushes { 0 };

protected:
    int sync() override
    {
        ++flushes;
        return std::stringbuf::sync();
    }
};

}

TEST(ScriptFrontEnd, CommandsBecomeInput)
{
    struct Case {
        char const* line;
        std::vector<InputEvent> events;
    };
    Case const cases[] = {
        { "key Tab", { KeyPress { VK_TAB, false, false } } },
        { "key Shift+Tab", { KeyPress { VK_TAB, true, false } } },
        { "key Enter", { KeyPress { VK_RETURN, false, false } } },
        { "key Escape", { KeyPress { VK_ESCAPE, false, false } } },
        { "key Space", { KeyPress { VK_SPACE, false, false } } },
        { "key Backspace", { KeyPress { VK_BACK, false, false } } },
        { "key Delete", { KeyPress { VK_DELETE, false, false } } },
        { "key Left", { KeyPress { VK_LEFT, false, false } } },
        { "key Right", { KeyPress { VK_RIGHT, false, false } } },
        { "key Home", { KeyPress { VK_HOME, false, false } } },
        { "key End", { KeyPress { VK_END, false, false } } },
        { "key shift+end", { KeyPress { VK_END, true, false } } },
        { "key Ctrl+L", { KeyPress { 'L', false, true } } },
        { "type -6", { CharInput { U'-' }, CharInput { U'6' } } },
        { "type a b", { CharInput { U'a' }, KeyPress { VK_SPACE, false, false }, CharInput { U'b' } } },
        { "type \xc3\xa4\xf0\x9f\x98\x80", { CharInput { U'\u00e4' }, CharInput { U'\U0001F600' } } },
        // Control characters in typed text are never keys: they are left out.
        { "type 1\r2\x1b" "3\t4\x7f" "5\b6\xc2\x9b" "7",
          { CharInput { U'1' }, CharInput { U'2' }, CharInput { U'3' }, CharInput { U'4' }, CharInput { U'5' },
            CharInput { U'6' }, CharInput { U'7' } } },
        { "type \x1b\r", {} },
        { "click 1002", { ControlClick { 1, { 20, 7 } } } },
        { "click 1 3 4", { ControlClick { 0, { 3, 4 } } } },
        { "click -1", { ControlClick { 2, { 0, 0 } } } },
        { "click caption-ok", { CaptionClick { CaptionButton::Ok } } },
        { "click caption-close", { CaptionClick { CaptionButton::Close } } },
        { "close", { CloseRequest { false } } },
        { "resize 80 24", { ScreenResize { { 80, 24 } } } },
        { "key Enter\r", { KeyPress { VK_RETURN, false, false } } },
    };
    for (auto const& c : cases) {
        Script script(std::string(c.line) + "\n");
        auto const events = script.events(c.events.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            EXPECT_TRUE(same(events[i], c.events[i])) << c.line << ": event " << i;
        EXPECT_TRUE(same(script.front_end.next_event(), CloseRequest { true })) << c.line << ": then the end";
        EXPECT_EQ(script.errors.str(), "") << c.line;
    }
}

TEST(ScriptFrontEnd, LinesNotUnderstoodAreReportedAndSkipped)
{
    Script script("dance\nkey Tab\nkey Hyper\n\nclick 4711\nclick\nclick 1 x 2\ntype \xff\nresize 0 5\ndump now\n"
                  "key Enter\n");
    auto const events = script.events(3);
    EXPECT_TRUE(same(events[0], KeyPress { VK_TAB, false, false }));
    EXPECT_TRUE(same(events[1], KeyPress { VK_RETURN, false, false }));
    EXPECT_TRUE(same(events[2], CloseRequest { true }));
    EXPECT_EQ(script.errors.str(), "script: line 1: unknown command: \"dance\"\n"
                                   "script: line 3: unknown key: \"key Hyper\"\n"
                                   "script: line 5: no control has the id 4711: \"click 4711\"\n"
                                   "script: line 6: click needs a control id, caption-ok or caption-close: \"click\"\n"
                                   "script: line 7: a click position is two whole numbers: \"click 1 x 2\"\n"
                                   "script: line 8: text is not UTF-8: \"type \xef\xbf\xbd\"\n"
                                   "script: line 9: resize needs a width and a height above 0: \"resize 0 5\"\n"
                                   "script: line 10: unknown command: \"dump now\"\n");
    EXPECT_EQ(script.output.str(), "") << "errors never go to the output";
}

// The reference page lists every form of every command in the table, in its
// order, and nothing else; each one is a command line the front end takes.
TEST(ScriptFrontEnd, TheReferencePageListsTheCommandTable)
{
    std::ifstream page(std::string(CE_SOURCE_DIR) + "/docs/script-front-end.md");
    ASSERT_TRUE(page) << "docs/script-front-end.md";
    std::vector<std::string> documented; // the first column of the table of commands
    bool in_table = false;
    for (std::string line; std::getline(page, line);) {
        if (line.starts_with("| Command |"))
            in_table = true;
        else if (in_table && !line.starts_with("|"))
            break;
        else if (in_table && line.starts_with("| `"))
            documented.push_back(line.substr(3, line.find('`', 3) - 3));
    }
    std::vector<std::string> listed;
    for (auto const& command : ScriptFrontEnd::commands()) {
        for (auto const arguments : command.forms)
            listed.push_back(std::string(command.name) + (arguments.empty() ? "" : " ") + std::string(arguments));
    }
    EXPECT_EQ(documented, listed);
    EXPECT_EQ(listed.size(), 8u) << "dump, key, type, three forms of click, close, resize";
}

// Input of a head, `length` letters and a tail, made as it is read: a long
// line that the test itself never holds.
class LongLine : public std::streambuf {
public:
    LongLine(std::string head, std::size_t length, std::string tail)
        : m_head(std::move(head))
        , m_left(length)
        , m_tail(std::move(tail))
    {
    }

protected:
    int_type underflow() override
    {
        std::string* part = nullptr;
        if (m_stage == 0)
            part = &m_head;
        else if (m_stage == 1 && m_left > 0) {
            std::size_t const n = std::min(m_left, sizeof m_chunk);
            std::fill_n(m_chunk, n, 'a');
            m_left -= n;
            setg(m_chunk, m_chunk, m_chunk + n);
            return traits_type::to_int_type(m_chunk[0]);
        } else if (m_stage <= 2) {
            m_stage = 2;
            part = &m_tail;
        }
        ++m_stage;
        if (!part || part->empty())
            return part ? underflow() : traits_type::eof();
        setg(part->data(), part->data(), part->data() + part->size());
        return traits_type::to_int_type((*part)[0]);
    }

private:
    std::string m_head;
    std::size_t m_left;
    std::string m_tail;
    int m_stage { 0 };
    char m_chunk[65536];
};

TEST(ScriptFrontEnd, AnOverlongLineIsAnsweredAndSkipped)
{
    LongLine source("type ", 20u << 20, "\nkey Enter\n");
    std::istream input(&source);
    std::ostringstream output;
    std::ostringstream errors;
    ScriptFrontEnd front_end(input, output, errors);
    EXPECT_TRUE(front_end.show(sample_view()).has_value());
    EXPECT_TRUE(same(front_end.next_event(), KeyPress { VK_RETURN, false, false }));
    EXPECT_EQ(output.str(), "{\"error\":\"line too long\",\"limit\":1048576,\"line\":1}\n");
    EXPECT_NE(errors.str().find("script: line 1: longer than 1048576 bytes, skipped"), std::string::npos)
        << errors.str();
    EXPECT_LT(errors.str().size(), 200u);
    EXPECT_TRUE(same(front_end.next_event(), CloseRequest { true }));

    // A line of exactly the limit is taken.
    LongLine longest("type ", ScriptFrontEnd::max_line_bytes - 5, "\n");
    std::istream longest_input(&longest);
    ScriptFrontEnd taken(longest_input, output, errors);
    EXPECT_TRUE(taken.show(sample_view()).has_value());
    EXPECT_TRUE(same(taken.next_event(), CharInput { U'a' }));
}

TEST(ScriptFrontEnd, WhatIsSaidOfBadLinesStaysShort)
{
    // A long line not understood is named by a marked excerpt.
    Script one("dance " + std::string(100000, '\x01') + "\n");
    one.events(1);
    std::string const said = one.errors.str();
    EXPECT_EQ(said.rfind("script: line 1: unknown command: \"dance \\x01", 0), 0u) << said.substr(0, 200);
    EXPECT_NE(said.find("\"\xE2\x80\xA6 (100006 characters)\n"), std::string::npos) << said.substr(0, 2000);
    EXPECT_LT(said.size(), 1200u);

    // A flood of lines not understood: the first ones are reported, the rest
    // counted, so that a megabyte of them says no more than a few kilobytes.
    std::string flood;
    for (int i = 0; i < 500000; ++i)
        flood += "\x01\n";
    Script many(flood + "key Enter\n");
    auto const events = many.events(2);
    EXPECT_TRUE(same(events[0], KeyPress { VK_RETURN, false, false }));
    std::string const reported = many.errors.str();
    EXPECT_LT(reported.size(), 8000u);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), ScriptFrontEnd::max_reported_lines + 2) << reported;
    EXPECT_NE(reported.find("script: line 100: unknown command: \"\\x01\"\n"
                            "script: line 101: more lines not understood; they are counted, not shown\n"
                            "script: 500000 lines in all were not understood\n"),
              std::string::npos)
        << reported.substr(reported.size() > 400 ? reported.size() - 400 : 0);
}

TEST(ScriptFrontEnd, EndOfInputIsAFinalCloseEveryTime)
{
    Script script("");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(same(script.front_end.next_event(), CloseRequest { true }));
}

TEST(ScriptFrontEnd, DumpDescribesTheDialog)
{
    Script script("dump\n");
    script.front_end.next_event();
    std::string const line = script.output.str();
    ASSERT_EQ(line.back(), '\n');
    ASSERT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << "one line";
    auto const dump = json::parse(line);
    EXPECT_EQ(dump["caption"], "Sample");
    EXPECT_EQ(dump["focus"], 1002);
    EXPECT_EQ(dump["window"], json({ { "x", 10 }, { "y", 20 }, { "cx", 100 }, { "cy", 70 } }));
    EXPECT_EQ(dump["style"], WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(dump["ex_style"], WS_EX_CAPTIONOKBTN);
    EXPECT_EQ(dump["icons"], json({ { "big", nullptr }, { "small", nullptr } }));
    auto const& controls = dump["controls"];
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0]["id"], 1);
    EXPECT_EQ(controls[0]["class"], "Button");
    EXPECT_EQ(controls[0]["text"], "OK");
    EXPECT_EQ(controls[0]["default"], true);
    EXPECT_EQ(controls[1]["class"], "Edit");
    EXPECT_EQ(controls[1]["selection"], json({ 0, 3 }));
    EXPECT_EQ(controls[1]["caret"], 3);
    EXPECT_EQ(controls[1]["rect"], json({ { "x", 50 }, { "y", 5 }, { "cx", 40 }, { "cy", 14 } }));
    EXPECT_EQ(controls[2]["id"], -1);
    EXPECT_EQ(controls[2]["class"], "Static");
    EXPECT_EQ(controls[2]["text"], "\x1b]0;x\x07 \xef\xbf\xbd!") << "control characters escaped, a lone surrogate replaced";
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << "no raw escape in the output";
}

TEST(ScriptFrontEnd, EachLineIsFlushedAtOnce)
{
    std::istringstream input("dump\ndump\n");
    FlushCounter buffer;
    std::ostream output(&buffer);
    std::ostringstream errors;
    ScriptFrontEnd front_end(input, output, errors);
    EXPECT_TRUE(front_end.show(sample_view()).has_value());
    front_end.next_event();
    EXPECT_EQ(buffer.flushes, 2);
    front_end.close(IDOK);
    EXPECT_EQ(buffer.flushes, 3);
    std::string const all = buffer.str();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 3);
    EXPECT_EQ(all.substr(all.rfind('{')), "{\"end\":1}\n");
}

TEST(ScriptFrontEnd, ResizeChangesTheScreen)
{
    Script script("resize 100 40\n");
    EXPECT_EQ(script.front_end.screen_size().cx, 640);
    script.front_end.next_event();
    EXPECT_EQ(script.front_end.screen_size().cx, 100);
    EXPECT_EQ(script.front_end.screen_size().cy, 40);
}
