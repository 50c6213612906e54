// Message maps on plain command targets: which handler a command reaches
// through a class's own map and the maps of its bases.
#include "afxwin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT ID_FIRST = 100;
constexpr UINT ID_SECOND = 101;
constexpr UINT ID_CHANGED = 102;
constexpr UINT ID_UNLISTED = 103;

class CBaseTarget : public CCmdTarget {
public:
    std::vector<std::string> calls;

protected:
    afx_msg void OnFirst() { calls.push_back("base first"); }
    afx_msg virtual void OnSecond() { calls.push_back("base second"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
    ON_COMMAND(ID_FIRST, OnFirst)
    ON_COMMAND(ID_SECOND, OnSecond)
END_MESSAGE_MAP()

// Lists ID_FIRST again (its own entry wins), overrides the virtual handler of
// ID_SECOND without listing it, and handles a control notification.
class CDerivedTarget : public CBaseTarget {
protected:
    afx_msg void OnOwnFirst() { calls.push_back("derived first"); }
    void OnSecond() override { calls.push_back("derived second"); }
    afx_msg void OnChanged() { calls.push_back("derived changed"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_COMMAND(ID_FIRST, OnOwnFirst)
    ON_EN_CHANGE(ID_CHANGED, OnChanged)
END_MESSAGE_MAP()

// No map of its own: the base's map serves it.
class CMaplessTarget : public CDerivedTarget {
};

// An empty map between two that list handlers still passes commands on.
class CEmptyMapTarget : public CDerivedTarget {
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEmptyMapTarget, CDerivedTarget)
END_MESSAGE_MAP()

struct RouteCase {
    char const* label;
    UINT id;
    int code;
    BOOL handled;
    char const* call; // the handler expected, or null
};

template<typename Target>
void check_routes(char const* target_name, std::vector<RouteCase> const& cases)
{
    for (auto const& c : cases) {
        Target target;
        BOOL const handled = target.OnCmdMsg(c.id, c.code, nullptr, nullptr);
        std::vector<std::string> const expected = c.call ? std::vector<std::string> { c.call }
                                                         : std::vector<std::string> {};
        EXPECT_EQ(handled, c.handled) << target_name << ": " << c.label;
        EXPECT_EQ(target.calls, expected) << target_name << ": " << c.label;
    }
}

}

TEST(MessageMap, BaseMapRoutesItsOwnCommands)
{
    check_routes<CBaseTarget>("base", {
        { "listed command", ID_FIRST, CN_COMMAND, TRUE, "base first" },
        { "virtual handler", ID_SECOND, CN_COMMAND, TRUE, "base second" },
        { "unlisted identifier", ID_UNLISTED, CN_COMMAND, FALSE, nullptr },
        { "listed identifier, other code", ID_FIRST, EN_CHANGE, FALSE, nullptr },
        { "derived class's entry is not the base's", ID_CHANGED, EN_CHANGE, FALSE, nullptr },
    });
}

TEST(MessageMap, DerivedMapComesFirstAndChainsToTheBase)
{
    std::vector<RouteCase> const cases = {
        { "own entry replaces the base's", ID_FIRST, CN_COMMAND, TRUE, "derived first" },
        { "base entry reaches the override", ID_SECOND, CN_COMMAND, TRUE, "derived second" },
        { "notification code", ID_CHANGED, EN_CHANGE, TRUE, "derived changed" },
        { "notification entry is not a command", ID_CHANGED, CN_COMMAND, FALSE, nullptr },
        { "unlisted identifier", ID_UNLISTED, CN_COMMAND, FALSE, nullptr },
    };
    check_routes<CDerivedTarget>("derived", cases);
    check_routes<CMaplessTarget>("without a map", cases);
    check_routes<CEmptyMapTarget>("empty map", cases);
}

TEST(MessageMap, HandlerInfoFindsTheTargetWithoutCalling)
{
    CDerivedTarget target;
    AFX_CMDHANDLERINFO info { nullptr };
    EXPECT_TRUE(target.OnCmdMsg(ID_FIRST, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &target);
    EXPECT_TRUE(target.calls.empty());

    AFX_CMDHANDLERINFO none { nullptr };
    EXPECT_FALSE(target.OnCmdMsg(ID_UNLISTED, CN_COMMAND, nullptr, &none));
    EXPECT_EQ(none.pTarget, nullptr);
}

TEST(MessageMap, FrameworkClassesHandleNothingUnasked)
{
    CCmdTarget target;
    EXPECT_FALSE(target.OnCmdMsg(IDOK, CN_COMMAND, nullptr, nullptr));
    CWnd window;
    EXPECT_FALSE(window.OnCmdMsg(IDOK, CN_COMMAND, nullptr, nullptr));
}
