// The program's own dialog template, as compiled from resources/velquin.rc,
// run by the dialog manager: what it builds, where the focus starts and goes,
// and how each way out ends it.
#include "ScriptedDialog.h"
#include "resource.h"

#include <gtest/gtest.h>

using dialog_test::Procedure;
using dialog_test::run_dialog;
using nlohmann::json;

TEST(BiasTemplate, BuildsEveryControlInTemplateOrder)
{
    auto const run = run_dialog(IDD_BIAS, "dump\n");
    auto const dump = run.last_dump();
    ASSERT_TRUE(dump.is_object());
    EXPECT_EQ(dump["caption"], "Velquin");
    EXPECT_EQ(dump["focus"], IDOK) << "after initialisation the OK button holds the focus";
    struct Expected {
        int id;
        char const* control_class;
        char const* text;
    };
    Expected const controls[] = {
        { IDOK, "Button", "OK" },
        { IDC_DAYLIGHT_BIAS, "Edit", "" },
        { -1, "Static", "DayLight Difference" },
        { -1, "Static", "www.corvane.example" },
        { -1, "Static", "Visit:" },
        { IDC_STANDARD_BIAS, "Edit", "" },
        { -1, "Static", "Standard Difference:" },
        { IDC_STANDARD_DEFAULT, "Static", "Default: " },
        { IDC_DAYLIGHT_DEFAULT, "Static", "Default:" },
        { -1, "Static", "" },
    };
    ASSERT_EQ(dump["controls"].size(), std::size(controls));
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        auto const& c = dump["controls"][i];
        EXPECT_EQ(c["id"], controls[i].id) << "item " << i + 1;
        EXPECT_EQ(c["class"], controls[i].control_class) << "item " << i + 1;
        EXPECT_EQ(c["text"], controls[i].text) << "item " << i + 1;
    }
    EXPECT_FALSE(dump["controls"][9]["icon"].is_null()) << "the icon item shows IDI_APP";
    EXPECT_EQ(dump["controls"][1]["dlu"], json({ { "x", 83 }, { "y", 7 }, { "cx", 40 }, { "cy", 14 } }));
}

TEST(BiasTemplate, TabOrderAndTheWaysOut)
{
    struct Case {
        char const* label;
        std::string script;
        INT_PTR result;
    };
    Case const cases[] = {
        { "Enter", "key Enter\n", IDOK },
        { "the OK button", "click 1\n", IDOK },
        { "the title bar's OK button", "click caption-ok\n", IDOK },
        { "Enter from a field", "key Tab\ntype -60\nkey Enter\n", IDOK },
        { "Escape", "key Escape\n", IDCANCEL },
        { "the title bar's close button", "click caption-close\n", IDCANCEL },
        { "the end of input", "", IDCANCEL },
    };
    for (auto const& c : cases)
        EXPECT_EQ(run_dialog(IDD_BIAS, c.script).result, c.result) << c.label;

    auto const run = run_dialog(IDD_BIAS, "key Tab\ndump\nkey Tab\ndump\nkey Tab\ndump\n");
    auto const dumps = run.dumps();
    ASSERT_EQ(dumps.size(), 3u);
    EXPECT_EQ(dumps[0]["focus"], IDC_DAYLIGHT_BIAS);
    EXPECT_EQ(dumps[1]["focus"], IDC_STANDARD_BIAS);
    EXPECT_EQ(dumps[2]["focus"], IDOK);
}
