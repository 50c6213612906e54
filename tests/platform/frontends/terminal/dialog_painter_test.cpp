// The dialog as the terminal paints it, off-screen: the bias dialog built from
// the program's own compiled template and icon, the way the terminal draws
// fields, buttons, carets and selections, and what a click on a cell means.
#include "class_atoms.h"
#include "frontends/terminal/DialogPainter.h"
#include "resource.h"
#include "resources/DialogTemplate.h"
#include "windows.h"

#include <gtest/gtest.h>

using namespace platform::frontends;
using namespace platform::frontends::terminal;

namespace {

RECT cells_of(int x, int y, int cx, int cy)
{
    return { cols_of(x, terminal_scale), rows_of(y, terminal_scale), cols_of(x + cx, terminal_scale),
             rows_of(y + cy, terminal_scale) };
}

// The bias dialog as the dialog manager would hand it over after its
// initialisation on an 80x24 screen: centred, fields filled, focus on OK.
DialogView bias_view()
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_BIAS), RT_DIALOG);
    auto* bytes = static_cast<BYTE const*>(LockResource(LoadResource(nullptr, found)));
    auto dialog = platform::resources::parse_dialog_template({ bytes, SizeofResource(nullptr, found) });
    EXPECT_TRUE(dialog);
    DialogView view;
    view.caption = dialog->caption;
    view.style = dialog->style;
    view.ex_style = dialog->ex_style;
    int cols = cols_of(dialog->cx, terminal_scale) + 2, rows = rows_of(dialog->cy, terminal_scale) + 2;
    int left = (80 - cols) / 2, top = (24 - rows) / 2;
    view.window_rect = { left, top, left + cols, top + rows };
    view.client_rect = { left + 1, top + 1, left + cols - 1, top + rows - 1 };
    for (auto const& item : dialog->items) {
        ControlView control;
        control.id = item.id == 0xFFFF ? -1 : static_cast<int>(item.id);
        control.control_class = item.window_class.ordinal == button_class ? ControlClass::Button
            : item.window_class.ordinal == edit_class                     ? ControlClass::Edit
                                                                          : ControlClass::Static;
        control.style = item.style;
        control.text = item.title.text;
        control.rect = cells_of(item.x, item.y, item.cx, item.cy);
        control.dialog_units = { item.x, item.y, item.cx, item.cy };
        if ((item.style & 0x1F) == SS_ICON && control.control_class == ControlClass::Static) {
            control.shows_icon = true;
            control.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
            control.text.clear();
        }
        if (control.id == IDC_DAYLIGHT_BIAS)
            control.text = u"-60";
        if (control.id == IDC_STANDARD_BIAS)
            control.text = u"0";
        if (control.id == IDC_DAYLIGHT_DEFAULT)
            control.text = u"Default: -60";
        if (control.id == IDC_STANDARD_DEFAULT)
            control.text = u"Default: 0";
        view.controls.push_back(control);
    }
    view.controls[0].focused = true;
    view.focus = 0;
    return view;
}

ControlView* control_with_id(DialogView& view, int id)
{
    for (auto& control : view.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

struct Painted {
    Canvas canvas;
    DialogGeometry geometry;
};

Painted paint(DialogView const& view, int cols = 80, int rows = 24, Charset charset = Charset::unicode,
              PaintOptions options = {})
{
    options.charset = charset;
    Painted painted { Canvas(cols, rows), dialog_geometry(view, cols, rows, options) };
    paint_dialog(painted.canvas, view, painted.geometry, options);
    return painted;
}

// The characters of `cols` cells of a row (a space for the right half of a
// wide character).
std::u32string cells_text(Canvas const& canvas, int col, int row, int cols)
{
    std::u32string text;
    for (int c = col; c < col + cols; ++c)
        text += canvas.at(c, row).continuation ? U"" : canvas.at(c, row).chars;
    return text;
}

int find_in_row(Canvas const& canvas, int row, std::u32string_view what)
{
    std::u32string text = cells_text(canvas, 0, row, canvas.cols());
    auto found = text.find(what);
    return found == std::u32string::npos ? -1 : static_cast<int>(found);
}

std::string screen_text(Canvas const& canvas)
{
    std::string text;
    for (int r = 0; r < canvas.rows(); ++r)
        text += canvas.row_text(r) + "\n";
    return text;
}

}

TEST(DialogPainter, PaintsTheBiasDialogCentredWithEveryTextWhole)
{
    auto painted = paint(bias_view());
    std::string const expected =
        "            ┌ Velquin ────────────────────────────────── [OK] [×] ┐\n"
        "            │                                                     │\n"
        "            │     DayLight Difference       [-60          ]       │\n"
        "            │                                                     │\n"
        "            │                    Default: -60                     │\n"
        "            │                                                     │\n"
        "            │     Standard Difference:       [0            ]      │\n"
        "            │                                                     │\n"
        "            │                    Default: 0                       │\n"
        "            │                                                     │\n"
        "            │                       Visit:                        │\n"
        "            │ www.corvane.example                                 │\n"
        "            │                                                     │\n"
        "            │               [     > OK <      ]                   │\n"
        "            │                                                     │\n"
        "            │                                                     │\n"
        "            │                        ▄███▄                        │\n"
        "            │                       ██████                        │\n"
        "            │                       ▀████▀                        │\n"
        "            │                                                     │\n"
        "            │                                                     │\n"
        "            │                                                     │\n"
        "            └─────────────────────────────────────────────────────┘\n"
        "\n";
    EXPECT_EQ(screen_text(painted.canvas), expected);
    EXPECT_FALSE(painted.canvas.cursor) << "no caret while the OK button has the focus";
}

TEST(DialogPainter, AFocusedFieldShowsItsCaretSelectionAndScrolledText)
{
    auto view = bias_view();
    view.controls[0].focused = false;
    auto* field = control_with_id(view, IDC_DAYLIGHT_BIAS);
    field->focused = true;
    field->text = u"12345678901234567890";
    field->scroll = 10;
    field->caret = 12;
    field->selection_start = 11;
    field->selection_end = 13;
    auto painted = paint(view);
    auto geometry = painted.geometry;
    CellRect box = geometry.controls[1];

    // Brackets at the ends, the text from its eleventh character.
    EXPECT_EQ(cells_text(painted.canvas, box.col, box.row, box.cols), U"[1234567890   ]");
    field->scroll = 2;
    EXPECT_EQ(cells_text(paint(view).canvas, box.col, box.row, box.cols), U"[3456789012345]") << "clipped";
    for (int c = 0; c < box.cols; ++c) {
        Role role = painted.canvas.at(box.col + c, box.row).role;
        bool selected = c == 2 || c == 3; // characters 11 and 12 (from 0)
        EXPECT_EQ(role, selected ? Role::selection : Role::focused_field) << c;
    }
    ASSERT_TRUE(painted.canvas.cursor);
    EXPECT_EQ(*painted.canvas.cursor, (std::pair { box.col + 1 + 2, box.row }));
}

TEST(DialogPainter, ControlCharactersInATextAreDrawnAsPicturesInsideTheirBox)
{
    auto view = bias_view();
    control_with_id(view, IDC_DAYLIGHT_DEFAULT)->text = u"\x1b]0;owned\x07\x1b[2J";
    auto painted = paint(view);
    CellRect box = painted.geometry.controls[8];
    std::string row = painted.canvas.row_text(box.row);
    EXPECT_NE(row.find("␛]0;owned␇␛[2J"), std::string::npos) << row;
    for (int c = 0; c < painted.canvas.cols(); ++c) {
        for (char32_t ch : painted.canvas.at(c, box.row).chars)
            EXPECT_TRUE(ch >= 0x20 && ch != 0x7F && !(ch >= 0x80 && ch < 0xA0)) << c;
    }
}

TEST(DialogPainter, ALongStaticTextIsClippedToItsBox)
{
    auto view = bias_view();
    control_with_id(view, IDC_STANDARD_DEFAULT)->text = u"Default: -2147483648 and then some more";
    auto painted = paint(view);
    CellRect box = painted.geometry.controls[7];
    std::u32string const text = U"Default: -2147483648 and then some more";
    EXPECT_EQ(cells_text(painted.canvas, box.col, box.row, box.cols), text.substr(0, static_cast<std::size_t>(box.cols)));
    EXPECT_EQ(painted.canvas.at(box.col + box.cols, box.row).chars, U" ") << "drawn past its box";
}

TEST(DialogPainter, WithoutUnicodeTheFrameIsDrawnInAscii)
{
    auto painted = paint(bias_view(), 80, 24, Charset::ascii);
    EXPECT_EQ(painted.canvas.row_text(0), "            + Velquin ---------------------------------- [OK] [X] +");
    EXPECT_EQ(painted.canvas.row_text(1), "            |                                                     |");
    EXPECT_EQ(painted.canvas.row_text(22), "            +-----------------------------------------------------+");
}

TEST(DialogPainter, ATerminalTooSmallShowsTheSizeNeededAndNoDialog)
{
    auto view = bias_view();
    auto painted = paint(view, 30, 10);
    EXPECT_FALSE(painted.geometry.fits);
    std::string text = screen_text(painted.canvas);
    EXPECT_NE(text.find("Terminal too small"), std::string::npos) << text;
    // The smallest it can squeeze into: the dialog without its empty rows
    // and columns.
    EXPECT_NE(text.find("need 48x12, have 30x10"), std::string::npos) << text;
    EXPECT_NE(text.find("Escape cancels"), std::string::npos) << text;
    EXPECT_EQ(text.find("Velquin"), std::string::npos) << text;
    // Nothing under the notice can be clicked.
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 30; ++c)
            EXPECT_EQ(hit_test(view, painted.geometry, c, r).kind, HitTarget::Kind::nothing);
    }
}

TEST(DialogPainter, ASmallerTerminalTakesRoomFromEmptyRowsAndColumns)
{
    // The dialog manager centres the dialog as best it can on the small
    // screen: at the top left.
    auto view = bias_view();
    auto const natural = paint(view);
    struct Size {
        int cols, rows;
    };
    for (Size size : { Size { 54, 22 }, Size { 60, 18 }, Size { 48, 12 }, Size { 55, 23 } }) {
        auto moved = view;
        int dx = -moved.window_rect.left, dy = -moved.window_rect.top;
        for (RECT* r : { &moved.window_rect, &moved.client_rect }) {
            r->left += dx;
            r->right += dx;
            r->top += dy;
            r->bottom += dy;
        }
        auto painted = paint(moved, size.cols, size.rows);
        std::string label = std::to_string(size.cols) + "x" + std::to_string(size.rows);
        ASSERT_TRUE(painted.geometry.fits) << label;
        std::string text = screen_text(painted.canvas);
        for (char const* whole : { "┌ Velquin", "[OK] [×]", "DayLight Difference", "Standard Difference:",
                                   "Default: -60", "Visit:", "> OK <", "[-60", "[0 " })
            EXPECT_NE(text.find(whole), std::string::npos) << label << " lacks " << whole << "\n" << text;
        EXPECT_LE(painted.geometry.window.cols, size.cols) << label;
        EXPECT_LE(painted.geometry.window.rows, size.rows) << label;

        // Every control keeps its order and its place relative to the
        // others, and a click still finds it.
        auto const& g = painted.geometry;
        for (std::size_t i = 0; i < view.controls.size(); ++i) {
            for (std::size_t j = 0; j < view.controls.size(); ++j) {
                auto const& a = natural.geometry.controls[i];
                auto const& b = natural.geometry.controls[j];
                if (a.row < b.row) {
                    EXPECT_LT(g.controls[i].row, g.controls[j].row) << label << " " << i << " above " << j;
                }
                if (a.col + a.cols <= b.col && a.row == b.row) {
                    EXPECT_LE(g.controls[i].col + g.controls[i].cols, g.controls[j].col) << label;
                }
            }
            if (view.controls[i].control_class != ControlClass::Static) {
                EXPECT_EQ(g.controls[i].cols, natural.geometry.controls[i].cols) << label << " " << i;
                auto hit = hit_test(moved, g, g.controls[i].col + 1, g.controls[i].row);
                EXPECT_EQ(hit.kind, HitTarget::Kind::control) << label << " " << i;
                EXPECT_EQ(hit.index, i) << label;
                EXPECT_EQ(hit.offset_x, 1) << label;
            }
        }
    }
}

TEST(DialogPainter, ADeviceNoticeShowsOnTheLastRowOutsideTheDialog)
{
    PaintOptions options;
    options.notices = { u"Registry gone \x1b[2J" };
    auto painted = paint(bias_view(), 80, 24, Charset::unicode, options);
    EXPECT_EQ(painted.canvas.row_text(23), std::string(31, ' ') + "Registry gone ␛[2J");
    EXPECT_LE(painted.geometry.window.row + painted.geometry.window.rows, 23) << "the dialog stays above it";
    EXPECT_EQ(painted.canvas.row_text(0).find("┌ Velquin"), 12u);

    // On a screen the dialog fills, the dialog gives up a row for it.
    auto small = paint(bias_view(), 60, 18, Charset::unicode, options);
    ASSERT_TRUE(small.geometry.fits);
    EXPECT_LE(small.geometry.window.rows, 17);
    EXPECT_NE(small.canvas.row_text(17).find("Registry gone"), std::string::npos);
}

TEST(DialogPainter, WithoutUnicodeTheTerminalsLineDrawingFramesTheDialog)
{
    PaintOptions options;
    options.line_drawing = true;
    auto painted = paint(bias_view(), 80, 24, Charset::ascii, options);
    EXPECT_EQ(painted.canvas.row_text(0), "            ┌ Velquin ────────────────────────────────── [OK] [X] ┐");
    EXPECT_EQ(painted.canvas.row_text(22), "            └─────────────────────────────────────────────────────┘");
}

TEST(DialogPainter, ClicksFindTheTitleBarButtonsAndTheControlUnderTheCell)
{
    auto view = bias_view();
    auto painted = paint(view);
    auto const& g = painted.geometry;

    struct Case {
        char const* label;
        int col, row;
        HitTarget::Kind kind;
        std::size_t index;
        int offset_x;
    };
    int ok_col = find_in_row(painted.canvas, 0, U"[OK]");
    ASSERT_GT(ok_col, 20);
    ASSERT_EQ(find_in_row(painted.canvas, 0, U"[×]"), ok_col + 5);
    Case const cases[] = {
        { "title bar OK, first cell", ok_col, 0, HitTarget::Kind::caption_ok, 0, 0 },
        { "title bar OK, last cell", ok_col + 3, 0, HitTarget::Kind::caption_ok, 0, 0 },
        { "close button", ok_col + 6, 0, HitTarget::Kind::caption_close, 0, 0 },
        { "between them", ok_col + 4, 0, HitTarget::Kind::nothing, 0, 0 },
        { "the caption", 15, 0, HitTarget::Kind::nothing, 0, 0 },
        { "OK button", g.controls[0].col + 5, g.controls[0].row, HitTarget::Kind::control, 0, 5 },
        { "daylight field, third cell", g.controls[1].col + 3, g.controls[1].row, HitTarget::Kind::control, 1, 3 },
        { "frame", g.window.col, 5, HitTarget::Kind::nothing, 0, 0 },
        { "outside", 2, 2, HitTarget::Kind::nothing, 0, 0 },
    };
    for (auto const& c : cases) {
        HitTarget hit = hit_test(view, g, c.col, c.row);
        EXPECT_EQ(hit.kind, c.kind) << c.label;
        if (c.kind == HitTarget::Kind::control) {
            EXPECT_EQ(hit.index, c.index) << c.label;
            EXPECT_EQ(hit.offset_x, c.offset_x) << c.label;
        }
    }
}

TEST(DialogPainter, HiddenControlsAreNeitherDrawnNorClicked)
{
    auto view = bias_view();
    view.controls[0].visible = false;
    auto painted = paint(view);
    EXPECT_EQ(screen_text(painted.canvas).find("OK <"), std::string::npos);
    CellRect where = dialog_geometry(bias_view(), 80, 24).controls[0];
    EXPECT_EQ(hit_test(view, painted.geometry, where.col + 2, where.row).kind, HitTarget::Kind::nothing);
}

TEST(DialogPainter, AWindowPlacedOffTheScreenIsBroughtOnIt)
{
    auto view = bias_view();
    view.window_rect = { 60, 10, 115, 33 };
    view.client_rect = { 61, 11, 114, 32 };
    auto painted = paint(view);
    EXPECT_EQ(painted.geometry.window, (CellRect { 25, 1, 55, 23 }));
    EXPECT_EQ(painted.geometry.client, (CellRect { 26, 2, 53, 21 }));
}
