// The front end a build stands in for one it was built without: it refuses to
// prepare, with a message that names what can be used instead, and so never
// shows a dialog.
#pragma once

#include "frontends/FrontEnd.h"

#include <string>
#include <utility>

namespace platform::frontends {

class UnavailableFrontEnd final : public FrontEnd {
public:
    explicit UnavailableFrontEnd(std::string refusal)
        : m_refusal(std::move(refusal))
    {
    }

    Result<void> prepare() override { return Error { m_refusal }; }
    SIZE screen_size() const override { return { 0, 0 }; }
    BaseUnits base_units() const override { return {}; }
    Result<void> show(DialogView const&) override { return Error { m_refusal }; }
    void refresh(DialogView const&) override { }
    InputEvent next_event() override { return CloseRequest { true }; }
    void close(INT_PTR) override { }

private:
    std::string m_refusal;
};

}
