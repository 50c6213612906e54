// A control in a dialog box: a child window of one of the predefined classes,
// placed by the template in dialog units.
#pragma once

#include "dialog/Window.h"
#include "frontends/DialogView.h"
#include "frontends/FrontEnd.h"

namespace platform::dialog {

class Control : public Window {
public:
    DialogWindow* dialog() override;
    // The front end that shows this control's dialog, for its metrics.
    frontends::FrontEnd& front_end() const;

    virtual frontends::ControlClass control_class() const = 0;

    frontends::DialogUnitRect const& dialog_units() const { return m_dialog_units; }
    void set_dialog_units(frontends::DialogUnitRect const& units) { m_dialog_units = units; }

    // Adds what this kind of control shows (caret, icon...) to its view.
    virtual void describe(frontends::ControlView& view) const { (void)view; }

protected:
    explicit Control(DialogWindow& dialog);

private:
    DialogWindow& m_dialog;
    frontends::DialogUnitRect m_dialog_units;
};

}
