// The dialog's rules as every part of the device applies them. The same dialog
// descriptions are built by the dialog manager at the terminal's scale and at
// the window's, laid out and hit-tested by both front ends' painters, and
// clicked through the dialog manager itself: all must give one answer (a
// title bar or none, the same title-bar buttons, the same control under a
// point). Then the one choice of an icon's image, and the device's notices
// from the registry into the snapshot, the script's dump and both screens.
#include "TemplateWriter.h"
#include "dialog/DesktopWindow.h"
#include "frontends/DialogRules.h"
#include "frontends/FrontEnds.h"
#include "frontends/ScriptFrontEnd.h"
#include "frontends/terminal/DialogPainter.h"
#include "frontends/terminal/IconCells.h"
#include "frontends/terminal/TerminalFrontEnd.h"
#include "frontends/window/DeviceFont.h"
#include "frontends/window/DeviceSettings.h"
#include "frontends/window/Painter.h"
#include "frontends/window/Palette.h"
#include "registry/LostWrites.h"
#include "registry/RegistryStore.h"
#include "resource.h"
#include "resources/Icon.h"
#include "text/Utf.h"
#include "windows.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace platform::frontends;
namespace terminal = platform::frontends::terminal;
namespace window = platform::frontends::window;
using platform::resources::IconImage;

namespace {

// --- dialog descriptions --------------------------------------------------------

struct Item {
    DWORD style;
    short x, y, cx, cy; // dialog units
    WORD id;
    std::u16string text;
};

struct Description {
    DWORD style;
    DWORD ex_style;
    std::vector<Item> items;
    short cx { 160 }, cy { 80 }; // dialog units
};

constexpr DWORD push_button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// The description as the resource compiler would lay out its DLGTEMPLATE.
std::vector<BYTE> template_of(Description const& d)
{
    test_support::TemplateWriter w;
    w.dword(d.style);
    w.dword(d.ex_style);
    w.word(static_cast<WORD>(d.items.size()));
    w.word(0), w.word(0), w.word(static_cast<WORD>(d.cx)), w.word(static_cast<WORD>(d.cy));
    w.word(0), w.word(0); // no menu, the dialog class
    w.text(u"Rules");
    for (auto const& item : d.items) {
        w.align();
        w.dword(item.style);
        w.dword(0);
        w.word(static_cast<WORD>(item.x)), w.word(static_cast<WORD>(item.y));
        w.word(static_cast<WORD>(item.cx)), w.word(static_cast<WORD>(item.cy));
        w.word(item.id);
        w.word(0xFFFF), w.word(0x0080); // the button class
        w.text(item.text);
        w.word(0); // no creation data
    }
    return w.bytes();
}

// --- the two front ends' metrics ----------------------------------------------

struct WindowFonts {
    WindowFonts()
    {
        auto dialog_font = window::DeviceFont::open(window::dialog_font_path, window::dialog_font_points);
        auto caption_font = window::DeviceFont::open(window::caption_font_path, window::dialog_font_points);
        if (!dialog_font)
            ADD_FAILURE() << dialog_font.error().message;
        else
            dialog = std::move(dialog_font).value();
        if (!caption_font)
            ADD_FAILURE() << caption_font.error().message;
        else
            caption = std::move(caption_font).value();
    }
    window::Fonts fonts() const { return { *dialog, *caption }; }
    std::unique_ptr<window::DeviceFont> dialog;
    std::unique_ptr<window::DeviceFont> caption;
};

WindowFonts& window_fonts()
{
    static WindowFonts fonts;
    return fonts;
}

enum class Scale { terminal, window };

constexpr SIZE terminal_screen { 80, 24 };

// A front end with the metrics of the terminal or of the window, whose input
// is a fixed list of events; keeps every snapshot it is given.
class Recorder final : public FrontEnd {
public:
    Recorder(Scale scale, std::vector<InputEvent> events)
        : m_scale(scale)
        , m_events(std::move(events))
    {
    }
    platform::Result<void> prepare() override { return {}; }
    SIZE screen_size() const override
    {
        return m_scale == Scale::terminal ? terminal_screen : window::default_screen;
    }
    BaseUnits base_units() const override
    {
        return m_scale == Scale::terminal ? m_terminal.base_units() : window_fonts().dialog->base_units();
    }
    Insets non_client_insets(DWORD style, DWORD ex_style) const override
    {
        return m_scale == Scale::terminal ? m_terminal.non_client_insets(style, ex_style)
                                          : window::dialog_insets(style, ex_style);
    }
    int text_extent(std::u16string_view text) const override
    {
        return m_scale == Scale::terminal ? m_terminal.text_extent(text) : window_fonts().dialog->extent(text);
    }
    RECT edit_text_rect(RECT const& control, DWORD style) const override
    {
        return m_scale == Scale::terminal ? m_terminal.edit_text_rect(control, style)
                                          : window::edit_text_area(control, style);
    }
    platform::Result<void> show(DialogView const& view) override
    {
        views.push_back(view);
        return {};
    }
    void refresh(DialogView const& view) override { views.push_back(view); }
    InputEvent next_event() override
    {
        if (m_next < m_events.size())
            return m_events[m_next++];
        return CloseRequest { true };
    }
    void close(INT_PTR) override { }

    std::vector<DialogView> views;

private:
    Scale m_scale;
    terminal::TerminalFrontEnd m_terminal;
    std::vector<InputEvent> m_events;
    std::size_t m_next { 0 };
};

// What the dialog's procedure saw: the buttons clicked and the close
// requests, which it refuses so that only the end of input ends the dialog.
struct Seen {
    std::vector<WORD> clicked;
    int closes { 0 };
};

INT_PTR CALLBACK recording_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        return TRUE;
    }
    auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!seen)
        return FALSE;
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        seen->clicked.push_back(LOWORD(wparam));
        return TRUE;
    }
    if (message == WM_CLOSE) {
        ++seen->closes;
        return TRUE;
    }
    return FALSE;
}

struct Run {
    std::vector<DialogView> views;
    Seen seen;
};

// Runs the description through the dialog manager at a front end's scale,
// with these events and then the end of input.
Run run(Description const& description, Scale scale, std::vector<InputEvent> events = {})
{
    auto const bytes = template_of(description);
    auto front_end = std::make_unique<Recorder>(scale, std::move(events));
    Recorder* recorder = front_end.get();
    platform::dialog::install_front_end(std::move(front_end));
    Run result;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATE>(bytes.data()), nullptr,
                            recording_procedure, reinterpret_cast<LPARAM>(&result.seen));
    result.views = recorder->views;
    platform::dialog::install_front_end(nullptr);
    return result;
}

DialogView first_view(Description const& description, Scale scale)
{
    auto const result = run(description, scale);
    if (result.views.empty()) {
        ADD_FAILURE() << "the dialog was never shown";
        return {};
    }
    return result.views.front();
}

// --- what each part says about the title bar ----------------------------------

struct TitleBar {
    bool bar { false };
    bool ok { false };
    bool close { false };

    bool operator==(TitleBar const&) const = default;
};

std::ostream& operator<<(std::ostream& out, TitleBar const& t)
{
    return out << "{bar " << t.bar << ", ok " << t.ok << ", close " << t.close << "}";
}

TitleBar terminal_title_bar(Description const& description)
{
    DialogView const view = first_view(description, Scale::terminal);
    auto const g = terminal::dialog_geometry(view, terminal_screen.cx, terminal_screen.cy);
    TitleBar seen;
    // The terminal does not drag the dialog: its title bar is the top edge
    // drawn in the title's look, with the caption in it.
    terminal::Canvas canvas(terminal_screen.cx, terminal_screen.cy);
    terminal::paint_dialog(canvas, view, g, {});
    seen.bar = canvas.at(g.window.col + 1, g.window.row).role == terminal::Role::title
        && canvas.row_text(g.window.row).find(" Rules ") != std::string::npos;
    if (g.caption_ok)
        seen.ok = terminal::hit_test(view, g, g.caption_ok->col, g.caption_ok->row).kind == HitKind::caption_ok;
    if (g.caption_close)
        seen.close
            = terminal::hit_test(view, g, g.caption_close->col, g.caption_close->row).kind == HitKind::caption_close;
    return seen;
}

TitleBar window_title_bar(Description const& description)
{
    DialogView const view = first_view(description, Scale::window);
    auto const g = window::screen_geometry(view, window_fonts().fonts());
    TitleBar seen;
    if (g.caption)
        seen.bar = window::hit_test(view, g, g.caption->x + 1, g.caption->y + 1).kind == HitKind::caption;
    if (g.caption_ok)
        seen.ok = window::hit_test(view, g, g.caption_ok->x + 1, g.caption_ok->y + 1).kind == HitKind::caption_ok;
    if (g.caption_close)
        seen.close
            = window::hit_test(view, g, g.caption_close->x + 1, g.caption_close->y + 1).kind == HitKind::caption_close;
    return seen;
}

// The dialog manager: the title bar drags the dialog, and the buttons act.
TitleBar dialog_manager_title_bar(Description const& description)
{
    TitleBar seen;
    auto const dragged = run(description, Scale::window, { DialogMove { { 3, 4 } } });
    if (dragged.views.size() >= 2)
        seen.bar = dragged.views[1].window_rect.left == 3 && dragged.views[1].window_rect.top == 4;
    auto const ok = run(description, Scale::window, { CaptionClick { CaptionButton::Ok } });
    seen.ok = ok.seen.clicked == std::vector<WORD> { IDOK };
    // The end of input asks once more.
    auto const close = run(description, Scale::window, { CaptionClick { CaptionButton::Close } });
    seen.close = close.seen.closes == 2;
    return seen;
}

// --- what each part says is under a point -------------------------------------

// Which control (its identifier) gets a click at the middle of the place
// where two controls' areas meet: `a` and `b` index DialogView::controls.
struct UnderPoint {
    int terminal { 0 };
    int window { 0 };
    int dialog_manager { 0 };
};

RECT meet(RECT const& a, RECT const& b)
{
    return { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom) };
}

UnderPoint under_point(Description const& description, std::size_t a, std::size_t b)
{
    UnderPoint under;
    {
        DialogView const view = first_view(description, Scale::terminal);
        auto const g = terminal::dialog_geometry(view, terminal_screen.cx, terminal_screen.cy);
        // Where each control's cells are: the screen holds the whole dialog,
        // so no row or column is left out. The terminal places no hidden
        // control: one is taken at its columns, on the other's row.
        EXPECT_EQ(g.client.cols, g.natural_client.cols);
        auto cells = [&](std::size_t i) {
            auto c = g.local.at(i);
            if (c.cols == 0) {
                RECT const& r = view.controls.at(i).rect;
                auto const& other = g.local.at(i == a ? b : a);
                c = { static_cast<int>(r.left), other.row, static_cast<int>(r.right - r.left), other.rows };
            }
            return RECT { g.client.col + c.col, g.client.row + c.row, g.client.col + c.col + c.cols,
                          g.client.row + c.row + c.rows };
        };
        RECT const m = meet(cells(a), cells(b));
        EXPECT_LT(m.left, m.right) << "the cells meet";
        auto const hit = terminal::hit_test(view, g, static_cast<int>((m.left + m.right) / 2),
                                            static_cast<int>(m.top));
        under.terminal = hit.kind == HitKind::control ? view.controls[hit.index].id : 0;
    }
    DialogView const view = first_view(description, Scale::window);
    RECT const m = meet(view.controls.at(a).rect, view.controls.at(b).rect);
    EXPECT_LT(m.left, m.right) << "the rectangles meet";
    POINT const on_screen { view.client_rect.left + (m.left + m.right) / 2,
                            view.client_rect.top + (m.top + m.bottom) / 2 };
    {
        auto const g = window::screen_geometry(view, window_fonts().fonts());
        auto const hit = window::hit_test(view, g, static_cast<int>(on_screen.x), static_cast<int>(on_screen.y));
        under.window = hit.kind == HitKind::control ? view.controls[hit.index].id : 0;
    }
    auto const clicked = run(description, Scale::window, { PointClick { on_screen } });
    under.dialog_manager = clicked.seen.clicked.empty() ? 0 : clicked.seen.clicked.front();
    return under;
}

}

TEST(DialogRules, TitleBarAndItsButtonsAreOneAnswerEverywhere)
{
    struct Case {
        char const* label;
        DWORD style;
        DWORD ex_style;
        TitleBar expected;
    };
    DWORD const popup = WS_POPUP | DS_MODALFRAME;
    Case const cases[] = {
        { "WS_CAPTION, close and OK", popup | WS_CAPTION | WS_SYSMENU, WS_EX_CAPTIONOKBTN, { true, true, true } },
        { "WS_CAPTION, close only", popup | WS_CAPTION | WS_SYSMENU, 0, { true, false, true } },
        { "WS_CAPTION, OK only", popup | WS_CAPTION, WS_EX_CAPTIONOKBTN, { true, true, false } },
        { "WS_CAPTION alone", popup | WS_CAPTION, 0, { true, false, false } },
        { "WS_BORDER alone, one bit of WS_CAPTION", WS_POPUP | WS_BORDER | WS_SYSMENU, WS_EX_CAPTIONOKBTN,
          { false, false, false } },
        { "WS_DLGFRAME alone, the other bit", WS_POPUP | WS_DLGFRAME | WS_SYSMENU, WS_EX_CAPTIONOKBTN,
          { false, false, false } },
        { "no frame at all", WS_POPUP | WS_SYSMENU, WS_EX_CAPTIONOKBTN, { false, false, false } },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.label);
        Description const description { c.style, c.ex_style, { { push_button, 10, 10, 50, 14, 101, u"One" } } };
        EXPECT_EQ(terminal_title_bar(description), c.expected) << "the terminal";
        EXPECT_EQ(window_title_bar(description), c.expected) << "the window";
        EXPECT_EQ(dialog_manager_title_bar(description), c.expected) << "the dialog manager";
    }
}

TEST(DialogRules, TheControlOnTopIsTheFirstInTemplateOrderEverywhere)
{
    DWORD const style = WS_POPUP | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU;
    struct Case {
        char const* label;
        std::vector<Item> items;
        std::size_t a, b; // the two that meet
        int expected;
    };
    Case const cases[] = {
        { "two buttons side by side, overlapping",
          { { push_button, 10, 20, 60, 14, 101, u"First" }, { push_button, 40, 20, 60, 14, 102, u"Second" } }, 0, 1,
          101 },
        { "the same two the other way round",
          { { push_button, 40, 20, 60, 14, 102, u"Second" }, { push_button, 10, 20, 60, 14, 101, u"First" } }, 0, 1,
          102 },
        { "a hidden one on top is passed over",
          { { WS_CHILD | BS_PUSHBUTTON, 10, 20, 60, 14, 103, u"Hidden" },
            { push_button, 40, 20, 60, 14, 102, u"Second" } },
          0, 1, 102 },
        { "a small button inside a large one",
          { { push_button, 30, 20, 20, 14, 104, u"In" }, { push_button, 10, 20, 100, 14, 105, u"Around" } }, 0, 1,
          104 },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.label);
        Description const description { style, 0, c.items };
        UnderPoint const under = under_point(description, c.a, c.b);
        EXPECT_EQ(under.terminal, c.expected) << "the terminal";
        EXPECT_EQ(under.window, c.expected) << "the window";
        EXPECT_EQ(under.dialog_manager, c.expected) << "the dialog manager";
    }
}

TEST(DialogRules, TheControlOnTopIsDrawnOverTheOtherInTheTerminal)
{
    // The first button has the focus, and the focused look: where the two
    // meet, its look is the one that shows.
    Description const description { WS_POPUP | DS_MODALFRAME | WS_CAPTION,
                                    0,
                                    { { push_button, 10, 20, 60, 14, 101, u"First" },
                                      { push_button, 40, 20, 60, 14, 102, u"Second" } } };
    DialogView const view = first_view(description, Scale::terminal);
    ASSERT_TRUE(view.controls[0].focused);
    auto const g = terminal::dialog_geometry(view, terminal_screen.cx, terminal_screen.cy);
    terminal::Canvas canvas(terminal_screen.cx, terminal_screen.cy);
    terminal::paint_dialog(canvas, view, g, {});
    auto const& first = g.controls[0];
    auto const& second = g.controls[1];
    int const inside_both = second.col + 1;
    ASSERT_LT(inside_both, first.col + first.cols);
    EXPECT_EQ(canvas.at(inside_both, first.row).role, terminal::Role::focused_button);
    EXPECT_EQ(canvas.at(second.col + second.cols - 2, second.row).role, terminal::Role::button)
        << "the second shows where it is alone";
}

// --- an icon's image for a size ------------------------------------------------

TEST(DialogRules, BothFrontEndsDrawTheImageTheRuleChooses)
{
    HICON const icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr);
    auto const images = platform::resources::icon_images(icon);
    ASSERT_GE(images.size(), 2u) << "an icon with a choice to make";

    // The terminal draws in a box of cells two pixels high each.
    struct Box {
        int cols, rows;
    };
    for (Box const box : { Box { 8, 3 }, Box { 16, 8 }, Box { 32, 16 }, Box { 64, 32 } }) {
        IconImage const* chosen = icon_image_for_box(images, box.cols, box.rows * 2);
        ASSERT_NE(chosen, nullptr);
        auto const all = terminal::render_icon(images, box.cols, box.rows);
        auto const alone = terminal::render_icon(std::span(chosen, 1), box.cols, box.rows);
        EXPECT_EQ(all.cells, alone.cells) << box.cols << " x " << box.rows << " cells";
    }

    // The window draws the icon control's image at 32 x 32 pixels.
    IconImage const* chosen = icon_image_for_box(images, window::Metrics::icon_size, window::Metrics::icon_size);
    ASSERT_NE(chosen, nullptr);
    DialogView view;
    view.style = WS_POPUP | WS_VISIBLE;
    view.window_rect = view.client_rect = { 10, 10, 110, 110 };
    ControlView control;
    control.control_class = ControlClass::Static;
    control.style = WS_CHILD | WS_VISIBLE | SS_ICON;
    control.shows_icon = true;
    control.icon = icon;
    control.rect = { 5, 5, 45, 45 };
    view.controls.push_back(control);
    window::Canvas canvas(120, 120);
    window::paint_screen(canvas, view, window_fonts().fonts(), {});
    int differing = 0;
    for (int y = 0; y < std::min(chosen->height, 32); ++y) {
        for (int x = 0; x < std::min(chosen->width, 32); ++x) {
            DWORD const argb = chosen->pixel(x, y);
            if ((argb >> 24) >= 0x80 && canvas.pixel(15 + x, 15 + y) != (argb & 0xFFFFFF))
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0) << "the window drew the image of " << chosen->width << " x " << chosen->height;
}

// --- the device's notices --------------------------------------------------------

// Points the device at a directory that cannot be one (a plain file), for the
// life of the fixture, and forgets the process's record of problems after.
class BrokenRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char const* dir = std::getenv("CE_DEVICE_DIR");
        m_saved = dir ? dir : "";
        // One file for each test: CTest runs them side by side, and one
        // test's clean-up must not mend another's broken registry.
        std::string const test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_file = std::filesystem::path(CE_BINARY_DIR) / "test-device" / ("BrokenRegistry." + test + ".not-a-directory");
        std::filesystem::create_directories(m_file.parent_path());
        std::filesystem::remove_all(m_file);
        std::ofstream(m_file) << "not a directory\n";
        forget();
    }
    void TearDown() override
    {
        if (m_saved.empty())
            unsetenv("CE_DEVICE_DIR");
        else
            setenv("CE_DEVICE_DIR", m_saved.c_str(), 1);
        std::filesystem::remove_all(m_file);
        forget();
    }
    void break_registry() { setenv("CE_DEVICE_DIR", m_file.c_str(), 1); }
    static void forget()
    {
        platform::registry::RegistryStore::forget_reported_problems();
        platform::registry::clear_lost_writes();
    }

private:
    std::string m_saved;
    std::filesystem::path m_file;
};

namespace {

Description const plain_dialog { WS_POPUP | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
                                 0,
                                 { { push_button, 10, 10, 50, 14, IDOK, u"OK" } } };

}

TEST_F(BrokenRegistry, TheModalLoopPutsTheDevicesNoticesInTheSnapshot)
{
    EXPECT_TRUE(first_view(plain_dialog, Scale::window).notices.empty()) << "nothing to tell";

    platform::registry::record_lost_write("the registry value Test", "a test");
    EXPECT_EQ(first_view(plain_dialog, Scale::window).notices,
              std::vector<DeviceNotice> { { NoticeKind::change_not_kept } })
        << "a change not kept, the registry otherwise fine";

    break_registry();
    HKEY key = nullptr;
    EXPECT_NE(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Rules", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(first_view(plain_dialog, Scale::window).notices,
              std::vector<DeviceNotice> { { NoticeKind::registry_unusable } })
        << "the registry's notice, which says that changes are lost";

}

namespace {

// Touches the registry when its OK button is clicked, as a program that
// saves on OK does.
INT_PTR CALLBACK saving_procedure(HWND, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Rules", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

}

TEST_F(BrokenRegistry, AFailureWhileTheDialogIsUpReachesTheNextSnapshot)
{
    break_registry();
    auto const bytes = template_of(plain_dialog);
    auto front_end = std::make_unique<Recorder>(Scale::window, std::vector<InputEvent> { ControlClick { 0, { 2, 2 } } });
    Recorder* recorder = front_end.get();
    platform::dialog::install_front_end(std::move(front_end));
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATE>(bytes.data()), nullptr,
                            saving_procedure, 0);
    auto const views = recorder->views;
    platform::dialog::install_front_end(nullptr);
    ASSERT_GE(views.size(), 2u);
    EXPECT_TRUE(views[0].notices.empty()) << "shown before the registry was touched";
    EXPECT_EQ(views[1].notices, std::vector<DeviceNotice> { { NoticeKind::registry_unusable } });
}

TEST_F(BrokenRegistry, TheScriptsDumpCarriesTheNotices)
{
    auto dump_of = [] {
        auto const bytes = template_of(plain_dialog);
        std::istringstream input("dump\n");
        std::ostringstream output, errors;
        platform::dialog::install_front_end(std::make_unique<ScriptFrontEnd>(input, output, errors));
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATE>(bytes.data()), nullptr,
                                recording_procedure, 0);
        platform::dialog::install_front_end(nullptr);
        std::istringstream lines(output.str());
        std::string first;
        std::getline(lines, first);
        return nlohmann::json::parse(first, nullptr, false);
    };
    EXPECT_EQ(dump_of()["notices"], nlohmann::json::array());

    break_registry();
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Rules", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(dump_of()["notices"],
              nlohmann::json::array({ { { "kind", "registry-unusable" },
                                        { "text", "The device's registry cannot be used: changes will not be kept." } } }));
}

TEST(DialogRules, BothScreensShowTheNoticesOutsideTheDialog)
{
    DialogView view = first_view(plain_dialog, Scale::terminal);
    view.notices = { { NoticeKind::registry_unusable } };
    std::string const text = platform::text::to_utf8(notice_text(NoticeKind::registry_unusable));

    // The terminal: the screen's last row, below the dialog.
    terminal::PaintOptions options;
    for (auto const& notice : view.notices)
        options.notices.emplace_back(notice_text(notice.kind));
    auto const g = terminal::dialog_geometry(view, terminal_screen.cx, terminal_screen.cy, options);
    terminal::Canvas canvas(terminal_screen.cx, terminal_screen.cy);
    terminal::paint_dialog(canvas, view, g, options);
    EXPECT_NE(canvas.row_text(terminal_screen.cy - 1).find(text), std::string::npos);
    EXPECT_LE(g.window.row + g.window.rows, terminal_screen.cy - 1);

    // The window: the screen's bottom edge in the colours of a tip, the
    // dialog untouched.
    DialogView shown = first_view(plain_dialog, Scale::window);
    window::Canvas without(window::default_screen.cx, window::default_screen.cy);
    window::paint_screen(without, shown, window_fonts().fonts(), {});
    shown.notices = view.notices;
    window::Canvas with(window::default_screen.cx, window::default_screen.cy);
    window::paint_screen(with, shown, window_fonts().fonts(), {});
    int const bottom = window::default_screen.cy - 1;
    EXPECT_EQ(with.pixel(0, bottom), window::colour(window::Role::info_background));
    EXPECT_EQ(without.pixel(0, bottom), window::colour(window::Role::desktop));
    int text_pixels = 0;
    for (int y = 0; y < window::default_screen.cy; ++y) {
        for (int x = 0; x < window::default_screen.cx; ++x) {
            bool const in_dialog = x >= shown.window_rect.left && x < shown.window_rect.right
                && y >= shown.window_rect.top && y < shown.window_rect.bottom;
            if (in_dialog)
                ASSERT_EQ(with.pixel(x, y), without.pixel(x, y)) << "the dialog at " << x << ", " << y;
            else if (with.pixel(x, y) == window::colour(window::Role::info_text) && y > shown.window_rect.bottom)
                ++text_pixels;
        }
    }
    EXPECT_GT(text_pixels, 100) << "the notice's words are drawn";
}

TEST(DialogRules, TheWindowsNoticesLieOverATallDialogAndTakeTheClicksThere)
{
    // A dialog as tall as the screen, with a button along its bottom edge.
    Description const tall { WS_POPUP | DS_MODALFRAME | WS_CAPTION,
                             0,
                             { { push_button, 10, 10, 50, 14, 101, u"Top" },
                               { push_button, 10, 156, 140, 20, 102, u"Bottom" } },
                             160,
                             182 };
    DialogView view = first_view(tall, Scale::window);
    view.notices = { { NoticeKind::registry_unusable } };
    auto const g = window::screen_geometry(view, window_fonts().fonts());
    ASSERT_TRUE(g.notices);
    EXPECT_EQ(g.notices->y + g.notices->h, window::default_screen.cy) << "along the bottom edge";
    EXPECT_EQ(g.notices->w, window::default_screen.cx);
    RECT const& bottom = view.controls[1].rect;
    int const x = static_cast<int>(view.client_rect.left + (bottom.left + bottom.right) / 2);
    int const top = static_cast<int>(view.client_rect.top + bottom.top);
    int const end = static_cast<int>(view.client_rect.top + bottom.bottom);
    ASSERT_LT(top, g.notices->y) << "the button shows above the notices";
    ASSERT_GT(end, g.notices->y) << "and goes on under them";
    EXPECT_EQ(window::hit_test(view, g, x, top).kind, HitKind::control);
    EXPECT_EQ(window::hit_test(view, g, x, g.notices->y + 1).kind, HitKind::nothing) << "the notice is on top";

    window::Canvas canvas(window::default_screen.cx, window::default_screen.cy);
    window::paint_screen(canvas, view, window_fonts().fonts(), {});
    EXPECT_EQ(canvas.pixel(g.notices->x + 1, g.notices->y + g.notices->h - 1),
              window::colour(window::Role::info_background))
        << "drawn over the dialog";
}

TEST(DialogRules, WhatMayReachAFieldIsOneRule)
{
    struct Case {
        char32_t character;
        bool reaches;
    };
    Case const cases[] = {
        { U'a', true },      { U' ', true },      { U'\u00A0', true }, { U'\u00E9', true },
        { U'\u202E', true }, // a bidi control is the field's own text; it is shown safely, not refused
        { U'\U0001F600', true }, { U'\U0010FFFF', true },
        { 0x00, false },     { U'\t', false },    { 0x1B, false },     { 0x1F, false },
        { 0x7F, false },     { 0x80, false },     { 0x85, false },     { 0x9B, false },
        { 0x9F, false },     { 0xD800, false },   { 0xDFFF, false },   { 0x110000, false },
    };
    for (Case const& c : cases)
        EXPECT_EQ(may_reach_a_field(c.character), c.reaches) << "U+" << std::hex << static_cast<unsigned>(c.character);
}
