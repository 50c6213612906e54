// Stands in for the terminal front end in a build that does not have it: the
// program can still be driven with CE_DEVICE_UI=script, and the default says
// so instead of failing later.
#include "frontends/FrontEnds.h"

namespace platform::frontends {

namespace {

class TerminalUnavailable final : public FrontEnd {
public:
    std::optional<std::string> prepare() override
    {
        return "terminal front end not available in this build; use CE_DEVICE_UI=script";
    }
    SIZE screen_size() const override { return { 0, 0 }; }
    BaseUnits base_units() const override { return {}; }
    bool show(DialogView const&) override { return false; }
    void refresh(DialogView const&) override { }
    InputEvent next_event() override { return CloseRequest { true }; }
    void close(INT_PTR) override { }
};

}

std::unique_ptr<FrontEnd> create_terminal_front_end()
{
    return std::make_unique<TerminalUnavailable>();
}

}
