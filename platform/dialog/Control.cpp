// Controls belong to exactly one dialog box, which outlives them.
#include "dialog/Control.h"

#include "dialog/DialogWindow.h"

namespace platform::dialog {

Control::Control(DialogWindow& dialog)
    : Window(&dialog)
    , m_dialog(dialog)
{
}

DialogWindow* Control::dialog()
{
    return &m_dialog;
}

frontends::FrontEnd& Control::front_end() const
{
    return *m_dialog.front_end();
}

}
