// The desktop window's size follows the front end's screen.
#include "dialog/DesktopWindow.h"

#include <utility>

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
    if (!m_front_end)
        return { 0, 0, 0, 0 };
    SIZE const size = m_front_end->screen_size();
    return { 0, 0, size.cx, size.cy };
}

void install_front_end(std::unique_ptr<frontends::FrontEnd> front_end)
{
    DesktopWindow::instance().set_front_end(std::move(front_end));
}

frontends::FrontEnd* installed_front_end()
{
    return DesktopWindow::instance().front_end();
}

}
