// The window front end's pieces without a display: the dialog font and its
// base units, the bias dialog's template mapped to pixels through the dialog
// manager, the palette, the settings, and the device's screen painted in the
// states that matter, compared pixel for pixel with golden pictures
// (CE_UPDATE_GOLDEN=1 rewrites them).
#include "dialog/DesktopWindow.h"
#include "frontends/window/DeviceFont.h"
#include "frontends/window/DeviceSettings.h"
#include "frontends/window/Painter.h"
#include "frontends/window/Palette.h"
#include "frontends/window/PngFile.h"
#include "resource.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

using namespace platform::frontends;
using namespace platform::frontends::window;
using platform::dialog::install_front_end;

namespace {

struct TestFonts {
    TestFonts()
    {
        auto dialog_font = DeviceFont::open(dialog_font_path, dialog_font_points);
        auto caption_font = DeviceFont::open(caption_font_path, dialog_font_points);
        if (!dialog_font || !caption_font)
            ADD_FAILURE() << (dialog_font ? caption_font.error() : dialog_font.error()).message;
        if (dialog_font)
            dialog = std::move(*dialog_font);
        if (caption_font)
            caption = std::move(*caption_font);
    }
    Fonts fonts() const { return { *dialog, *caption }; }
    std::unique_ptr<DeviceFont> dialog;
    std::unique_ptr<DeviceFont> caption;
};

TestFonts& test_fonts()
{
    static TestFonts fonts;
    return fonts;
}

// The window front end's metrics and painter on a 240 x 320 screen, with
// input from a list; keeps the last snapshot it was given.
class PaintedScreen final : public FrontEnd {
public:
    explicit PaintedScreen(std::deque<InputEvent> input)
        : m_input(std::move(input))
    {
    }
    platform::Result<void> prepare() override { return {}; }
    SIZE screen_size() const override { return default_screen; }
    BaseUnits base_units() const override { return test_fonts().dialog->base_units(); }
    Insets non_client_insets(DWORD style, DWORD ex_style) const override { return dialog_insets(style, ex_style); }
    int text_extent(std::u16string_view text) const override { return test_fonts().dialog->extent(text); }
    RECT edit_text_rect(RECT const& control, DWORD style) const override { return edit_text_area(control, style); }
    platform::Result<void> show(DialogView const& view) override
    {
        last = view;
        return {};
    }
    void refresh(DialogView const& view) override { last = view; }
    InputEvent next_event() override
    {
        if (m_input.empty())
            return CloseRequest { true };
        InputEvent event = m_input.front();
        m_input.pop_front();
        return event;
    }
    void close(INT_PTR) override { }

    DialogView last;

private:
    std::deque<InputEvent> m_input;
};

// How the dialog is filled when it starts.
struct DialogSetup {
    std::u16string daylight { u"-60" };
    std::u16string standard { u"0" };
    std::u16string daylight_default { u"Default: -60" };
    std::u16string standard_default { u"Default: 0" };
    std::u16string caption; // empty: the template's
};

DialogSetup const* g_setup = nullptr;
std::function<void(HWND)> g_on_init;

INT_PTR CALLBACK bias_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemTextW(dialog, IDC_DAYLIGHT_BIAS, reinterpret_cast<LPCWSTR>(g_setup->daylight.c_str()));
        SetDlgItemTextW(dialog, IDC_STANDARD_BIAS, reinterpret_cast<LPCWSTR>(g_setup->standard.c_str()));
        SetDlgItemTextW(dialog, IDC_DAYLIGHT_DEFAULT, reinterpret_cast<LPCWSTR>(g_setup->daylight_default.c_str()));
        SetDlgItemTextW(dialog, IDC_STANDARD_DEFAULT, reinterpret_cast<LPCWSTR>(g_setup->standard_default.c_str()));
        if (!g_setup->caption.empty())
            SetWindowTextW(dialog, reinterpret_cast<LPCWSTR>(g_setup->caption.c_str()));
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        RECT window {};
        GetWindowRect(dialog, &window);
        int const width = window.right - window.left, height = window.bottom - window.top;
        SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        if (g_on_init)
            g_on_init(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

struct DialogRun {
    DialogView view; // the last snapshot
    INT_PTR result { 0 };
    std::u16string clipboard; // afterwards
};

// Runs the bias dialog with this input (and this on the clipboard) and tells
// how it ended. Input that runs out closes it as the close button does.
DialogRun run_dialog(DialogSetup const& setup, std::deque<InputEvent> input, std::u16string const& clipboard = {})
{
    auto screen = std::make_unique<PaintedScreen>(std::move(input));
    PaintedScreen* const seen = screen.get();
    seen->set_clipboard_text(clipboard);
    install_front_end(std::move(screen));
    g_setup = &setup;
    DialogRun run;
    run.result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BIAS), nullptr, bias_procedure, 0);
    run.view = seen->last;
    run.clipboard = seen->clipboard_text();
    install_front_end(nullptr);
    g_setup = nullptr;
    g_on_init = nullptr;
    return run;
}

DialogView run_bias_dialog(DialogSetup const& setup, std::deque<InputEvent> input)
{
    return run_dialog(setup, std::move(input)).view;
}

Canvas paint(DialogView const& view, PaintState const& state = {})
{
    Canvas canvas(default_screen.cx, default_screen.cy);
    paint_screen(canvas, view, test_fonts().fonts(), state);
    return canvas;
}

std::string golden_path(std::string const& name)
{
    return std::string(CE_SOURCE_DIR) + "/tests/platform/frontends/window/golden/" + name + ".png";
}

void expect_golden(Canvas const& canvas, std::string const& name)
{
    std::string const path = golden_path(name);
    char const* update = std::getenv("CE_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        auto const written = write_png(path, canvas);
        ASSERT_TRUE(written) << written.error().message;
        return;
    }
    auto const golden = read_png(path);
    ASSERT_TRUE(golden) << golden.error().message << "; run with CE_UPDATE_GOLDEN=1 to create it";
    ASSERT_EQ(golden->width(), canvas.width());
    ASSERT_EQ(golden->height(), canvas.height());
    int differing = 0;
    int first_x = -1, first_y = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (golden->pixel(x, y) != canvas.pixel(x, y) && differing++ == 0) {
                first_x = x;
                first_y = y;
            }
        }
    }
    if (differing) {
        std::string const actual = std::string(CE_BINARY_DIR) + "/tests/" + name + ".actual.png";
        (void)write_png(actual, canvas);
        ADD_FAILURE() << differing << " pixels differ from " << path << ", the first at " << first_x << "," << first_y
                      << "; the picture drawn is " << actual;
    }
}

std::size_t index_of(DialogView const& view, int id)
{
    for (std::size_t i = 0; i < view.controls.size(); ++i) {
        if (view.controls[i].id == id)
            return i;
    }
    ADD_FAILURE() << "no control " << id;
    return 0;
}

}

TEST(DialogFont, BaseUnitsAreThoseOfTheDevicesEightPointFont)
{
    // The 52 letters measure 313 pixels: 313 / 52 rounds to 6; the font is 13
    // pixels high. The device's Tahoma 8 gives the same 6 x 13.
    BaseUnits const units = test_fonts().dialog->base_units();
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 13);
    EXPECT_EQ(units.divisor, 1);
    EXPECT_EQ(test_fonts().dialog->height(), 13);
}

TEST(DialogFont, ControlCharactersAreDrawnAsBoxesOfTheirWidth)
{
    DeviceFont const& font = *test_fonts().dialog;
    struct Case {
        std::u16string text;
        int width;
    };
    Case const cases[] = {
        { u"\x1B", hex_box_advance(0x1B) },
        { u"\x7F", hex_box_advance(0x7F) },
        { u"\x85", hex_box_advance(0x85) },
        { u"\u202E", hex_box_advance(0x202E) },
        { std::u16string(1, char16_t(0xD800)), hex_box_advance(0xD800) },
        { u"\r\n", 2 * hex_box_advance(0x0D) },
    };
    for (auto const& c : cases)
        EXPECT_EQ(font.extent(c.text), c.width) << int(c.text[0]);
    EXPECT_EQ(hex_box_advance(0x1B), 12);
    EXPECT_EQ(hex_box_advance(0x202E), 12);
    EXPECT_EQ(hex_box_advance(0x10FFFF), 16);
    // Something is drawn for each of them.
    Canvas canvas(40, 20);
    canvas.fill({ 0, 0, 40, 20 }, 0xFFFFFF);
    font.draw(canvas, 0, 0, u"\x07", 0);
    int inked = 0;
    for (Rgb p : canvas.pixels())
        inked += p == 0;
    EXPECT_GT(inked, 20);
}

TEST(DialogFont, ExtentIsTheSumOfTheAdvances)
{
    DeviceFont const& font = *test_fonts().dialog;
    EXPECT_EQ(font.extent(u""), 0);
    EXPECT_EQ(font.extent(u"-60"), font.extent(u"-") + font.extent(u"60"));
    // A surrogate pair is one character.
    EXPECT_EQ(font.piece_at(u"\U0001F600x", 0).units, 2u);
}

TEST(BiasTemplate, MapDialogRectUsesTheFontsBaseUnits)
{
    RECT mapped { 0, 0, 0, 0 };
    std::vector<std::pair<int, RECT>> items;
    g_on_init = [&](HWND dialog) {
        mapped = { 41, 92, 41 + 50, 92 + 14 };
        MapDialogRect(dialog, &mapped);
    };
    DialogSetup const setup;
    DialogView const view = run_bias_dialog(setup, {});
    // MulDiv(x, 6, 4) and MulDiv(y, 13, 8), rounded to nearest.
    EXPECT_EQ(mapped.left, 62);
    EXPECT_EQ(mapped.top, 150);
    EXPECT_EQ(mapped.right, 137);
    EXPECT_EQ(mapped.bottom, 172);
    auto mul_div = [](int value, int numerator, int denominator) {
        return (value * numerator + denominator / 2) / denominator;
    };
    ASSERT_EQ(view.controls.size(), 10u);
    for (auto const& control : view.controls) {
        auto const& du = control.dialog_units;
        EXPECT_EQ(control.rect.left, mul_div(du.x, 6, 4)) << control.id;
        EXPECT_EQ(control.rect.top, mul_div(du.y, 13, 8)) << control.id;
        // Controls are created with their position and size mapped apart.
        EXPECT_EQ(control.rect.right - control.rect.left, mul_div(du.cx, 6, 4)) << control.id;
        EXPECT_EQ(control.rect.bottom - control.rect.top, mul_div(du.cy, 13, 8)) << control.id;
    }
    // The client area is 141 x 169 dialog units; the frame and caption go
    // round it, and the whole dialog fits the 240 x 320 screen, centred.
    EXPECT_EQ(view.client_rect.right - view.client_rect.left, 212);
    EXPECT_EQ(view.client_rect.bottom - view.client_rect.top, 275);
    EXPECT_EQ(view.window_rect.right - view.window_rect.left, 212 + 2 * Metrics::dialog_frame);
    EXPECT_EQ(view.window_rect.bottom - view.window_rect.top, 275 + 2 * Metrics::dialog_frame + Metrics::caption_height);
    EXPECT_GE(view.window_rect.left, 0);
    EXPECT_GE(view.window_rect.top, 0);
    EXPECT_LE(view.window_rect.right, default_screen.cx);
    EXPECT_LE(view.window_rect.bottom, default_screen.cy);
}

TEST(Palette, ClassicSchemeRoles)
{
    struct Case {
        Role role;
        Rgb rgb;
    };
    Case const cases[] = {
        { Role::desktop, 0x008080 },          { Role::button_face, 0xC0C0C0 },
        { Role::button_highlight, 0xFFFFFF }, { Role::button_shadow, 0x808080 },
        { Role::dark_shadow, 0x000000 },      { Role::window, 0xFFFFFF },
        { Role::window_frame, 0x000000 },     { Role::active_caption, 0x000080 },
        { Role::caption_text, 0xFFFFFF },     { Role::highlight, 0x000080 },
        { Role::highlight_text, 0xFFFFFF },   { Role::gray_text, 0x808080 },
    };
    for (auto const& c : cases)
        EXPECT_EQ(colour(c.role), c.rgb) << static_cast<int>(c.role);
    for (std::size_t i = 0; i < palette_table.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(palette_table[i].role), i) << "the table is in role order";
        EXPECT_FALSE(palette_table[i].why.empty());
    }
}

TEST(Palette, PushButtonEdgesAreTheClassicBevel)
{
    DialogSetup const setup;
    DialogView const view = run_bias_dialog(setup, {});
    std::size_t const ok = index_of(view, IDOK);
    Canvas const up = paint(view);
    Canvas const down = paint(view, { true, true, Target { Target::Kind::control, ok } });
    RECT const r = view.controls[ok].rect;
    int const left = view.client_rect.left + r.left, top = view.client_rect.top + r.top;
    int const right = view.client_rect.left + r.right - 1, bottom = view.client_rect.top + r.bottom - 1;
    // The default button: a black frame, then the raised edge (white and
    // light above and left, black and grey below and right).
    EXPECT_EQ(up.pixel(left, top + 5), 0x000000u);
    EXPECT_EQ(up.pixel(left + 1, top + 5), 0xFFFFFFu);
    EXPECT_EQ(up.pixel(right - 1, top + 5), 0x000000u);
    EXPECT_EQ(up.pixel(right - 2, top + 5), 0x808080u);
    EXPECT_EQ(up.pixel(left + 5, bottom - 1), 0x000000u);
    // Pressed, a default button is flat: the frame, then one shadow line.
    EXPECT_EQ(down.pixel(left, top + 5), 0x000000u);
    EXPECT_EQ(down.pixel(left + 1, top + 5), 0x808080u);
    EXPECT_EQ(down.pixel(right - 1, top + 5), 0x808080u);
    EXPECT_EQ(down.pixel(right - 2, top + 5), 0xC0C0C0u);
}

TEST(DeviceSettingsTest, ScreenAndZoomAreReadStrictly)
{
    EXPECT_EQ(parse_screen_size("240x320")->cx, 240);
    EXPECT_EQ(parse_screen_size("640X480")->cy, 480);
    for (char const* bad : { "", "240", "x320", "240x", "240x320x", "-240x320", "240 x 320", "63x320", "240x5000",
                             "99999999999x1" })
        EXPECT_FALSE(parse_screen_size(bad)) << bad;
    EXPECT_EQ(parse_zoom("2"), 2);
    for (char const* bad : { "", "0", "9", "1.5", "2x", "-1" })
        EXPECT_FALSE(parse_zoom(bad)) << bad;
    EXPECT_EQ(automatic_zoom(default_screen, 1920, 1050), 2);
    EXPECT_EQ(automatic_zoom(default_screen, 1366, 740), 1);
    EXPECT_EQ(automatic_zoom(default_screen, 3840, 2100), 4);
    EXPECT_EQ(automatic_zoom(default_screen, 200, 200), 1);
}

TEST(DeviceScreen, FirstFrame)
{
    DialogSetup const setup;
    expect_golden(paint(run_bias_dialog(setup, {})), "first_frame");
}

TEST(DeviceScreen, FocusInEachFieldSelectsItsText)
{
    DialogSetup const setup;
    DialogView const in_daylight = run_bias_dialog(setup, { KeyPress { VK_TAB } });
    ASSERT_TRUE(in_daylight.focus);
    EXPECT_EQ(in_daylight.controls[*in_daylight.focus].id, IDC_DAYLIGHT_BIAS);
    expect_golden(paint(in_daylight), "daylight_focused");
    DialogView const in_standard = run_bias_dialog(setup, { KeyPress { VK_TAB }, KeyPress { VK_TAB } });
    EXPECT_EQ(in_standard.controls[*in_standard.focus].id, IDC_STANDARD_BIAS);
    expect_golden(paint(in_standard), "standard_focused");
}

TEST(DeviceScreen, ButtonsPressedAndHeld)
{
    DialogSetup const setup;
    DialogView const view = run_bias_dialog(setup, {});
    expect_golden(paint(view, { true, true, Target { Target::Kind::control, index_of(view, IDOK) } }), "ok_held");
    expect_golden(paint(view, { true, true, Target { Target::Kind::caption_ok, 0 } }), "caption_ok_held");
    expect_golden(paint(view, { true, true, Target { Target::Kind::caption_close, 0 } }), "caption_close_held");
}

TEST(DeviceScreen, LongTextScrolledToTheCaret)
{
    DialogSetup setup;
    std::deque<InputEvent> input { KeyPress { VK_TAB } };
    for (char c : std::string("-1234567890123456789"))
        input.push_back(CharInput { static_cast<char32_t>(c) });
    DialogView const view = run_bias_dialog(setup, input);
    auto const& field = view.controls[index_of(view, IDC_DAYLIGHT_BIAS)];
    EXPECT_EQ(field.text, u"-1234567890123456789");
    EXPECT_GT(field.scroll, 0u);
    expect_golden(paint(view), "long_text_scrolled");
    // Home: back to the start, with the caret before the first character.
    input.push_back(KeyPress { VK_HOME });
    expect_golden(paint(run_bias_dialog(setup, input)), "long_text_home");
}

TEST(DeviceScreen, ControlCharactersInAStoredDefaultAreShownNotObeyed)
{
    DialogSetup setup;
    setup.daylight_default = u"Default:\x1B[2J\x07";
    setup.standard_default = u"Default:\r\n0\t\u202E1";
    expect_golden(paint(run_bias_dialog(setup, {})), "control_characters");
}

TEST(DeviceScreen, LongCaptionIsCutBeforeTheCaptionButtons)
{
    DialogSetup setup;
    setup.caption = u"Velquin: a caption much longer than the title bar has room for";
    DialogView const view = run_bias_dialog(setup, {});
    EXPECT_EQ(view.caption, setup.caption);
    expect_golden(paint(view), "long_caption");
    // Inactive: the caption in the inactive colours, no focus rectangle.
    expect_golden(paint(view, { false, true, std::nullopt }), "inactive");
}

namespace {

// Pixels of the selection's colour inside a control.
int highlighted_pixels(Canvas const& canvas, DialogView const& view, std::size_t index)
{
    RECT const& r = view.controls[index].rect;
    int count = 0;
    for (LONG y = view.client_rect.top + r.top; y < view.client_rect.top + r.bottom; ++y) {
        for (LONG x = view.client_rect.left + r.left; x < view.client_rect.left + r.right; ++x)
            count += canvas.pixel(static_cast<int>(x), static_cast<int>(y)) == colour(Role::highlight);
    }
    return count;
}

}

TEST(DeviceScreen, SelectionShowsOnlyInTheFocusedFieldOfTheActiveWindow)
{
    DialogSetup const setup;
    DialogView view = run_bias_dialog(setup, { KeyPress { VK_TAB } });
    std::size_t const field = index_of(view, IDC_DAYLIGHT_BIAS);
    ASSERT_EQ(view.controls[field].selection_end, 3u);
    EXPECT_GT(highlighted_pixels(paint(view, { true, true, std::nullopt }), view, field), 0) << "active";
    EXPECT_EQ(highlighted_pixels(paint(view, { false, true, std::nullopt }), view, field), 0)
        << "the window inactive: the field has lost the focus";
    view.controls[field].focused = false;
    view.focus.reset();
    EXPECT_EQ(highlighted_pixels(paint(view), view, field), 0) << "the focus elsewhere";
    view.controls[field].style |= ES_NOHIDESEL;
    EXPECT_GT(highlighted_pixels(paint(view, { false, true, std::nullopt }), view, field), 0) << "ES_NOHIDESEL";
}

TEST(DeviceScreen, EditLineSitsAtTheTopInsideTheBorder)
{
    DialogSetup const setup;
    DialogView const view = run_bias_dialog(setup, { KeyPress { VK_TAB } });
    std::size_t const field = index_of(view, IDC_DAYLIGHT_BIAS);
    Canvas const canvas = paint(view);
    RECT const& r = view.controls[field].rect;
    int const x = static_cast<int>(view.client_rect.left + r.left) + 3;
    int const top = static_cast<int>(view.client_rect.top + r.top);
    EXPECT_EQ(canvas.pixel(x, top), colour(Role::window_frame)) << "the border";
    EXPECT_EQ(canvas.pixel(x, top + 1), colour(Role::highlight)) << "the selected line starts right inside it";
    EXPECT_NE(canvas.pixel(x, top + 1 + test_fonts().dialog->height()), colour(Role::highlight)) << "one line high";
}

TEST(DeviceScreen, SpacePushedButtonIsDrawnAsHeld)
{
    DialogSetup const setup;
    DialogView view = run_bias_dialog(setup, {});
    std::size_t const ok = index_of(view, IDOK);
    Canvas const held = paint(view, { true, true, Target { Target::Kind::control, ok } });
    view.controls[ok].pushed = true;
    EXPECT_EQ(paint(view).pixels(), held.pixels());
}

TEST(DeviceScreen, TheTitleBarOutsideItsButtonsIsWhereTheDialogIsDragged)
{
    DialogSetup const setup;
    DialogView const view = run_bias_dialog(setup, {});
    ScreenGeometry const geometry = screen_geometry(view, test_fonts().fonts());
    ASSERT_TRUE(geometry.caption && geometry.caption_ok && geometry.caption_close);
    int const y = geometry.caption->y + geometry.caption->h / 2;
    EXPECT_EQ(hit_test(view, geometry, geometry.caption->x + 20, y).kind, Target::Kind::caption);
    EXPECT_EQ(hit_test(view, geometry, geometry.caption_ok->x + 2, y).kind, Target::Kind::caption_ok);
    EXPECT_EQ(hit_test(view, geometry, geometry.caption_close->x + 2, y).kind, Target::Kind::caption_close);
    EXPECT_EQ(hit_test(view, geometry, geometry.window.x + 1, y).kind, Target::Kind::nothing) << "the frame";
}

// The edit control under the mouse and the clipboard keys, through the dialog
// manager's pointer events, as the window hands them over. The daylight field
// is control 1 (after the OK button); its text starts 2 pixels in.
namespace {

constexpr std::size_t daylight_index = 1;
constexpr std::size_t standard_index = 5;
constexpr std::size_t ok_index = 0;

struct Selection {
    std::size_t start;
    std::size_t end;
    bool operator==(Selection const&) const = default;
};

Selection selection_of(DialogView const& view, std::size_t index)
{
    return { view.controls[index].selection_start, view.controls[index].selection_end };
}

// The x offset in the daylight field of the boundary before character `i` of "-60".
int x_before(std::size_t i)
{
    return 2 + test_fonts().dialog->extent(std::u16string_view(u"-60").substr(0, i));
}

}

TEST(EditMouse, ClickDragDoubleClickAndShiftClick)
{
    DialogSetup const setup;
    ASSERT_EQ(run_bias_dialog(setup, {}).controls[daylight_index].id, IDC_DAYLIGHT_BIAS);
    ASSERT_EQ(run_bias_dialog(setup, {}).controls[standard_index].id, IDC_STANDARD_BIAS);
    struct Case {
        char const* label;
        std::deque<InputEvent> input;
        Selection selection;
    };
    Case const cases[] = {
        { "a click puts the caret at the nearest boundary",
          { PointerPress { daylight_index, { x_before(1) + 1, 5 } }, PointerRelease { { x_before(1) + 1, 5 } } },
          { 1, 1 } },
        { "dragging selects, past the edge too",
          { PointerPress { daylight_index, { 0, 5 } }, PointerMove { { x_before(2), 5 } },
            PointerMove { { 200, 5 } }, PointerRelease { { 200, 5 } } },
          { 0, 3 } },
        { "dragging back to the left",
          { PointerPress { daylight_index, { x_before(3), 5 } }, PointerMove { { x_before(1), 5 } },
            PointerRelease { { x_before(1), 5 } } },
          { 1, 3 } },
        { "a move after the release selects nothing more",
          { PointerPress { daylight_index, { x_before(1), 5 } }, PointerRelease { { x_before(1), 5 } },
            PointerMove { { x_before(3), 5 } } },
          { 1, 1 } },
        { "a double click selects the word under it",
          { PointerPress { daylight_index, { x_before(2), 5 } }, PointerRelease { { x_before(2), 5 } },
            PointerPress { daylight_index, { x_before(2), 5 }, false, true }, PointerRelease { { x_before(2), 5 } } },
          { 1, 3 } },
        { "Shift+click extends from the caret",
          { PointerPress { daylight_index, { x_before(1), 5 } }, PointerRelease { { x_before(1), 5 } },
            PointerPress { daylight_index, { x_before(3), 5 }, true }, PointerRelease { { x_before(3), 5 } } },
          { 1, 3 } },
    };
    for (auto const& c : cases) {
        DialogRun const run = run_dialog(setup, c.input);
        ASSERT_TRUE(run.view.focus) << c.label;
        EXPECT_EQ(*run.view.focus, daylight_index) << c.label << ": the click gives the field the focus";
        EXPECT_EQ(selection_of(run.view, daylight_index), c.selection) << c.label;
    }
}

TEST(EditMouse, PushButtonActsOnlyWhenReleasedOverIt)
{
    DialogSetup const setup;
    DialogRun const inside = run_dialog(setup, { PointerPress { ok_index, { 10, 10 } }, PointerRelease { { 12, 11 } } });
    EXPECT_EQ(inside.result, IDOK);
    DialogRun const outside = run_dialog(setup, { PointerPress { ok_index, { 10, 10 } }, PointerMove { { 10, 60 } },
                                                  PointerRelease { { 10, 60 } } });
    EXPECT_EQ(outside.result, IDCANCEL) << "only the end of the input closed it";
    // A release without a press reaches nobody.
    DialogRun const stray = run_dialog(setup, { PointerRelease { { 10, 10 } } });
    EXPECT_EQ(stray.result, IDCANCEL);
}

TEST(EditClipboard, CopyCutAndPaste)
{
    DialogSetup const setup;
    KeyPress const copy { 'C', false, true }, cut { 'X', false, true }, paste { 'V', false, true };
    KeyPress const tab { VK_TAB };
    {
        // Tab selects the daylight field's text; Ctrl+C copies it and leaves
        // it; in the standard field Ctrl+V replaces the selected "0".
        DialogRun const run = run_dialog(setup, { tab, copy, tab, paste });
        EXPECT_EQ(run.clipboard, u"-60");
        EXPECT_EQ(run.view.controls[daylight_index].text, u"-60");
        EXPECT_EQ(run.view.controls[standard_index].text, u"-60");
        EXPECT_EQ(run.result, IDCANCEL) << "Ctrl+C copies; it does not close the dialog";
    }
    {
        DialogRun const run = run_dialog(setup, { tab, cut });
        EXPECT_EQ(run.clipboard, u"-60");
        EXPECT_EQ(run.view.controls[daylight_index].text, u"");
    }
    {
        // Nothing selected: copying and cutting leave the clipboard alone.
        DialogRun const run = run_dialog(setup, { tab, KeyPress { VK_END }, copy, cut }, u"kept");
        EXPECT_EQ(run.clipboard, u"kept");
        EXPECT_EQ(run.view.controls[daylight_index].text, u"-60");
    }
    {
        // A single-line field pastes the first line only, at the caret.
        DialogRun const run = run_dialog(setup, { tab, KeyPress { VK_END }, paste }, u"12\r\n34");
        EXPECT_EQ(run.view.controls[daylight_index].text, u"-6012");
        EXPECT_EQ(run.view.controls[daylight_index].caret, 5u);
    }
    {
        // As pasted text: control characters are dropped.
        DialogRun const run = run_dialog(setup, { tab, paste }, u"1\x1B" u"2");
        EXPECT_EQ(run.view.controls[daylight_index].text, u"12");
    }
}
