// Choosing the front end from CE_DEVICE_UI.
#include "frontends/FrontEnds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace platform::frontends;

namespace {

// CE_DEVICE_UI as given, and no display: the choice must not depend on the
// machine the tests run on.
class Environment {
public:
    explicit Environment(char const* ui)
    {
        if (ui)
            setenv("CE_DEVICE_UI", ui, 1);
        else
            unsetenv("CE_DEVICE_UI");
        for (char const* name : { "DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER" }) {
            if (char const* value = std::getenv(name))
                m_saved.emplace_back(name, value);
            unsetenv(name);
        }
    }
    ~Environment()
    {
        unsetenv("CE_DEVICE_UI");
        for (auto const& [name, value] : m_saved)
            setenv(name.c_str(), value.c_str(), 1);
    }
    Environment(Environment const&) = delete;
    Environment& operator=(Environment const&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> m_saved;
};

// What a choice came to: the error's words, or nullopt when a front end was
// chosen and prepared.
std::optional<std::string> refusal(platform::Result<std::unique_ptr<FrontEnd>> const& chosen)
{
    if (chosen)
        return std::nullopt;
    return chosen.error().message;
}

}

TEST(FrontEnds, ScriptIsPreparedAndEachChoiceIsNew)
{
    Environment const environment("script");
    auto const first = choose_front_end();
    ASSERT_TRUE(first.has_value()) << first.error().message;
    ASSERT_NE(first->get(), nullptr);
    auto const second = choose_front_end();
    ASSERT_TRUE(second.has_value()) << "a second call succeeds";
    EXPECT_NE(second->get(), first->get()) << "and is a front end of its own: nothing is kept here";
}

TEST(FrontEnds, UnknownNameIsAnError)
{
    Environment const environment("curses");
    EXPECT_EQ(refusal(choose_front_end()), "CE_DEVICE_UI=curses is not a front end; use window, terminal or script");
}

TEST(FrontEnds, WindowWithoutDisplayIsRefusedInOneLine)
{
    Environment const environment("window");
    auto const error = refusal(choose_front_end());
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("DISPLAY"), std::string::npos) << *error;
    EXPECT_EQ(error->find('\n'), std::string::npos) << *error;
}

TEST(FrontEnds, UnsetWithoutDisplayIsTheTerminal)
{
    std::optional<std::string> with_unset, with_terminal;
    {
        Environment const environment(nullptr);
        with_unset = refusal(choose_front_end());
    }
    {
        Environment const environment("terminal");
        with_terminal = refusal(choose_front_end());
    }
    EXPECT_EQ(with_unset, with_terminal);
}

TEST(FrontEnds, EmptyNameIsTheTerminal)
{
    std::optional<std::string> with_empty, with_terminal;
    {
        Environment const environment("");
        with_empty = refusal(choose_front_end());
    }
    {
        Environment const environment("terminal");
        with_terminal = refusal(choose_front_end());
    }
    EXPECT_EQ(with_empty, with_terminal);
}

TEST(FrontEnds, TerminalMissingFromTheBuildSaysSo)
{
    if (std::filesystem::exists(CE_SOURCE_DIR "/platform/frontends/terminal/CMakeLists.txt"))
        GTEST_SKIP() << "this build has the terminal front end";
    Environment const environment(nullptr);
    EXPECT_EQ(refusal(choose_front_end()), "terminal front end not available in this build; use CE_DEVICE_UI=script");
}

TEST(FrontEnds, AWindowSettingThatCannotBeHonouredIsRefusedWhicheverFrontEndRuns)
{
    for (char const* ui : { static_cast<char const*>(nullptr), "script", "terminal", "window" }) {
        for (auto const& [name, value] : { std::pair { "CE_DEVICE_ZOOM", "9" }, std::pair { "CE_DEVICE_SCREEN", "63x64" } }) {
            Environment const environment(ui);
            setenv(name, value, 1);
            auto const error = refusal(choose_front_end());
            unsetenv(name);
            std::string const label = std::string(ui ? ui : "unset") + ", " + name;
            ASSERT_TRUE(error.has_value()) << label;
            EXPECT_EQ(error->rfind(std::string(name) + "=" + value + " ", 0), 0u) << label << ": " << *error;
        }
    }
}
