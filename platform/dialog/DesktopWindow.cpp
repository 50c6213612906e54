// The desktop window's size follows the front end's screen.
#include "dialog/DesktopWindow.h"

#include "frontends/FrontEnds.h"

namespace platform::dialog {

DesktopWindow::DesktopWindow()
    : Window(nullptr)
{
}

DesktopWindow& DesktopWindow::instance()
{
    static DesktopWindow desktop;
    return desktop;
}

RECT DesktopWindow::screen_rect() const
{
    auto const* front_end = frontends::current_front_end();
    if (!front_end)
        return { 0, 0, 0, 0 };
    SIZE const size = front_end->screen_size();
    return { 0, 0, size.cx, size.cy };
}

}
