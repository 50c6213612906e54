// The desktop: the window that stands for the front end's whole screen, for
// GetDesktopWindow and for centring a dialog on it. It holds the front end
// that whoever composes the process (the process entry, a test) hands to the
// dialog manager; every dialog is shown through that one.
#pragma once

#include "dialog/Window.h"
#include "frontends/FrontEnd.h"

#include <memory>
#include <utility>

namespace platform::dialog {

class DesktopWindow final : public Window {
public:
    static DesktopWindow& instance();

    // The screen, as the front end reports it now; empty without a front end.
    RECT screen_rect() const;

    frontends::FrontEnd* front_end() const { return m_front_end.get(); }
    void set_front_end(std::unique_ptr<frontends::FrontEnd> front_end) { m_front_end = std::move(front_end); }

private:
    DesktopWindow();

    std::unique_ptr<frontends::FrontEnd> m_front_end;
};

// Hands the dialog manager the front end it shows dialogs through, replacing
// any other (which is destroyed); null takes it away, and dialogs then cannot
// be shown. The front end is expected to be prepared already.
void install_front_end(std::unique_ptr<frontends::FrontEnd> front_end);

// The front end dialogs are shown through, or null when none was handed over.
frontends::FrontEnd* installed_front_end();

}
