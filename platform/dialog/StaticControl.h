// The Static class: a text label, or with SS_ICON an icon loaded from the
// module's resources by the name or ordinal the template gives as its title.
#pragma once

#include "dialog/Control.h"

namespace platform::dialog {

class StaticControl final : public Control {
public:
    explicit StaticControl(DialogWindow& dialog);

    frontends::ControlClass control_class() const override { return frontends::ControlClass::Static; }
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void describe(frontends::ControlView& view) const override;

    bool shows_icon() const { return (style() & SS_TYPEMASK) == SS_ICON; }
    void set_icon(HICON icon) { m_icon = icon; }

private:
    HICON m_icon { nullptr };
};

}
