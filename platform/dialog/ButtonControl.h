// The Button class: a push button that sends BN_CLICKED when pressed by the
// mouse or by the space bar while it has the focus.
#pragma once

#include "dialog/Control.h"

namespace platform::dialog {

class ButtonControl final : public Control {
public:
    explicit ButtonControl(DialogWindow& dialog);

    frontends::ControlClass control_class() const override { return frontends::ControlClass::Button; }
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void describe(frontends::ControlView& view) const override;

    bool is_push_button() const;
    bool is_default_style() const;

private:
    void click();

    bool m_pressed { false };
    bool m_by_space { false }; // pressed by the space bar, not the mouse
};

}
