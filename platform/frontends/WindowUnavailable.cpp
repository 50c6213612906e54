// Stands in for the window front end in a build that does not have it: asking
// for the window says so, and the default falls back to the terminal.
#include "frontends/FrontEnds.h"

namespace platform::frontends {

namespace {

class WindowUnavailable final : public FrontEnd {
public:
    std::optional<std::string> prepare() override
    {
        return "window front end not available in this build; use CE_DEVICE_UI=terminal or script";
    }
    SIZE screen_size() const override { return { 0, 0 }; }
    BaseUnits base_units() const override { return {}; }
    bool show(DialogView const&) override { return false; }
    void refresh(DialogView const&) override { }
    InputEvent next_event() override { return CloseRequest { true }; }
    void close(INT_PTR) override { }
};

}

std::unique_ptr<FrontEnd> create_window_front_end()
{
    return std::make_unique<WindowUnavailable>();
}

}
