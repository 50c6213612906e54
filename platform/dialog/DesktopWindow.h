// The desktop: the window that stands for the front end's whole screen, for
// GetDesktopWindow and for centring a dialog on it.
#pragma once

#include "dialog/Window.h"

namespace platform::dialog {

class DesktopWindow final : public Window {
public:
    static DesktopWindow& instance();

    // The screen, as the front end reports it now; empty without a front end.
    RECT screen_rect() const;

private:
    DesktopWindow();
};

}
