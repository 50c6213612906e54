// parse_dialog_template: both template forms as the resource compiler writes
// them, the rarer parts written by hand, and damaged templates refused.
#include "fixture.h"
#include "fixture_access.h"
#include "resources/DialogTemplate.h"

using platform::resources::button_class_atom;
using platform::resources::DialogTemplate;
using platform::resources::edit_class_atom;
using platform::resources::parse_dialog_template;
using platform::resources::static_class_atom;

namespace {

DialogTemplate parsed(WORD id, WORD language = 0x0409)
{
    auto const dialog = parse_dialog_template(fixture::resource(RT_DIALOG, id, language));
    EXPECT_TRUE(dialog) << "dialog " << id;
    return dialog.value_or(DialogTemplate {});
}

TEST(DialogTemplate, ClassicWithoutFontWithClassNamesAndAtoms)
{
    auto const dialog = parsed(IDD_CLASSIC);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style, DWORD { WS_POPUP | WS_CAPTION });
    EXPECT_EQ(dialog.x, 10);
    EXPECT_EQ(dialog.y, 20);
    EXPECT_EQ(dialog.cx, 100);
    EXPECT_EQ(dialog.cy, 50);
    EXPECT_EQ(dialog.window_class.text, u"FixtureDialog");
    EXPECT_FALSE(dialog.window_class.ordinal);
    EXPECT_EQ(dialog.caption, u"Classic");
    EXPECT_EQ(dialog.point_size, 0);
    EXPECT_TRUE(dialog.typeface.empty());
    ASSERT_EQ(dialog.items.size(), 3u);

    auto const& custom = dialog.items[0];
    EXPECT_EQ(custom.id, 300u);
    EXPECT_EQ(custom.window_class.text, u"FixtureControl");
    EXPECT_EQ(custom.title.text, u"Custom");
    EXPECT_EQ(custom.style, DWORD { WS_CHILD | WS_VISIBLE });

    auto const& icon = dialog.items[1];
    EXPECT_EQ(icon.window_class.ordinal, std::optional<WORD>(static_class_atom));
    EXPECT_EQ(icon.title.ordinal, std::optional<WORD>(IDI_FIXTURE));
    EXPECT_EQ(icon.style & SS_TYPEMASK, DWORD { SS_ICON });

    auto const& button = dialog.items[2];
    EXPECT_EQ(button.id, 1u);
    EXPECT_EQ(button.window_class.ordinal, std::optional<WORD>(button_class_atom));
    EXPECT_EQ(button.style & BS_TYPEMASK, DWORD { BS_DEFPUSHBUTTON });
    EXPECT_EQ(button.cy, 12);
}

TEST(DialogTemplate, ExtendedWithHelpIdsFontDetailsAndWideId)
{
    auto const dialog = parsed(IDD_EXTENDED);
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.help_id, 555u);
    EXPECT_EQ(dialog.ex_style, DWORD { WS_EX_CAPTIONOKBTN });
    EXPECT_EQ(dialog.style & DS_SETFONT, DWORD { DS_SETFONT });
    EXPECT_EQ(dialog.caption, u"Extended");
    EXPECT_EQ(dialog.point_size, 9);
    EXPECT_EQ(dialog.weight, 700);
    EXPECT_EQ(dialog.italic, 1);
    EXPECT_EQ(dialog.charset, 0xEE);
    EXPECT_EQ(dialog.typeface, u"Tahoma");
    ASSERT_EQ(dialog.items.size(), 2u);
    EXPECT_EQ(dialog.items[0].id, DWORD { ID_EXTENDED_EDIT });
    EXPECT_EQ(dialog.items[0].ex_style, DWORD { WS_EX_CLIENTEDGE });
    EXPECT_EQ(dialog.items[0].help_id, 777u);
    EXPECT_EQ(dialog.items[0].window_class.ordinal, std::optional<WORD>(edit_class_atom));
    EXPECT_EQ(dialog.items[1].id, 0xFFFFFFFFu);
    EXPECT_TRUE(dialog.items[1].title.empty());
}

TEST(DialogTemplate, NoItems)
{
    auto const dialog = parsed(IDD_NO_ITEMS);
    EXPECT_TRUE(dialog.items.empty());
    EXPECT_TRUE(dialog.caption.empty());
}

// Menus, the message-box font and creation data do not come out of the resource
// compiler here, so these templates are written out by hand.
TEST(DialogTemplate, MenuByOrdinalAndNameClassByAtom)
{
    for (bool by_name : { false, true }) {
        fixture::Writer w;
        w.dword(WS_POPUP).dword(0).word(0).word(1).word(2).word(3).word(4);
        if (by_name)
            w.text(u"MAINMENU");
        else
            w.word(0xFFFF).word(77);
        w.word(0xFFFF).word(0x1234); // the dialog's class as an atom
        w.text(u"Menus");
        auto const dialog = parse_dialog_template(w.bytes());
        ASSERT_TRUE(dialog);
        if (by_name)
            EXPECT_EQ(dialog->menu.text, u"MAINMENU");
        else
            EXPECT_EQ(dialog->menu.ordinal, std::optional<WORD>(77));
        EXPECT_EQ(dialog->window_class.ordinal, std::optional<WORD>(0x1234));
        EXPECT_EQ(dialog->caption, u"Menus");
        EXPECT_EQ(dialog->cy, 4);
    }
}

TEST(DialogTemplate, MessageBoxFontHasNoTypeface)
{
    for (bool extended : { false, true }) {
        SCOPED_TRACE(extended ? "extended" : "classic");
        fixture::Writer w;
        if (extended)
            w.word(1).word(0xFFFF).dword(0).dword(0).dword(WS_POPUP | DS_SETFONT);
        else
            w.dword(WS_POPUP | DS_SETFONT).dword(0);
        w.word(1).word(0).word(0).word(5).word(5);
        w.word(0).word(0).text(u"M");
        w.word(0x7FFF);
        // The item follows at once: nothing of a font name is read.
        w.align();
        if (extended)
            w.dword(0).dword(0).dword(WS_CHILD).word(0).word(0).word(1).word(1).dword(9);
        else
            w.dword(WS_CHILD).dword(0).word(0).word(0).word(1).word(1).word(9);
        w.word(0xFFFF).word(static_class_atom).text(u"x").word(0);
        auto const dialog = parse_dialog_template(w.bytes());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->point_size, 0x7FFF);
        EXPECT_TRUE(dialog->typeface.empty());
        ASSERT_EQ(dialog->items.size(), 1u);
        EXPECT_EQ(dialog->items[0].id, 9u);
        EXPECT_EQ(dialog->items[0].title.text, u"x");
    }
}

TEST(DialogTemplate, CreationDataCountsOnlyTheBytesAfterIt)
{
    fixture::Writer w;
    w.dword(WS_POPUP).dword(0).word(2).word(0).word(0).word(5).word(5).word(0).word(0).word(0);
    w.align();
    w.dword(WS_CHILD).dword(0).word(0).word(0).word(1).word(1).word(7);
    w.word(0xFFFF).word(button_class_atom).word(0);
    w.word(3).byte(0xAA).byte(0xBB).byte(0xCC);
    w.align();
    w.dword(WS_CHILD).dword(0).word(0).word(0).word(1).word(1).word(8);
    w.word(0xFFFF).word(static_class_atom).word(0).word(0);
    auto const dialog = parse_dialog_template(w.bytes());
    ASSERT_TRUE(dialog);
    ASSERT_EQ(dialog->items.size(), 2u);
    EXPECT_EQ(dialog->items[0].creation_data, (std::vector<BYTE> { 0xAA, 0xBB, 0xCC }));
    EXPECT_EQ(dialog->items[1].id, 8u);
    EXPECT_TRUE(dialog->items[1].creation_data.empty());
}

struct TemplateDamage {
    char const* what;
    WORD dialog;
    void (*apply)(std::vector<BYTE>&);
};

TemplateDamage const template_damages[] = {
    { "item count far beyond the items", IDD_CLASSIC, [](auto& b) { fixture::put_word(b, 8, 0xFFFF); } },
    { "extended item count beyond the items", IDD_EXTENDED, [](auto& b) { fixture::put_word(b, 16, 3); } },
    { "creation data longer than the template", IDD_CLASSIC,
      [](auto& b) { fixture::put_word(b, b.size() - 2, 0xFFFF); } },
    { "no terminator anywhere after the header", IDD_CLASSIC,
      [](auto& b) { std::fill(b.begin() + 18, b.end(), BYTE { 0x41 }); } },
    // Fixed part 26 bytes, no menu, no class, "Extended" (18 bytes), then size,
    // weight, italic and character set: the typeface starts at 54.
    { "typeface without terminator", IDD_EXTENDED,
      [](auto& b) { std::fill(b.begin() + 54, b.end(), BYTE { 0x41 }); } },
};

TEST(DialogTemplate, DamagedLengthsAndStringsAreRefused)
{
    for (auto const& damage : template_damages) {
        SCOPED_TRACE(damage.what);
        fixture::expect_refused_after(fixture::resource(RT_DIALOG, damage.dialog), damage.apply,
                                      [](auto data) { return parse_dialog_template(data); });
    }
}

}
