// The seam between the dialog manager and whatever shows the dialog to a user: a
// desktop window, a terminal, a script on standard input. The dialog manager
// owns the windows and every rule of focus, keys and commands; a front end only
// reports its screen and metrics, draws the snapshots it is given, and hands
// input back. The dialog manager sees this interface and nothing else of the
// front ends: the process entry chooses one (FrontEnds.h) and hands it over.
//
// The order of calls for one modal dialog:
//   check_settings(), prepare()    once per process, by whoever chooses the front
//                                  end, before anything is created
//   screen_size(), base_units(),   while the dialog and its controls are built
//   non_client_insets(), ...       and initialised (WM_INITDIALOG), any number of times
//   show(view)                     once the dialog is initialised; an error: the
//                                  dialog cannot be shown and DialogBox returns -1
//   next_event()  / refresh(view)  in turn until the dialog ends; refresh after
//                                  every event that was handled
//   close(result)                  once the dialog has ended, before its windows go
//
// One implementation per file: ScriptFrontEnd (CE_DEVICE_UI=script) here, the
// terminal front end (CE_DEVICE_UI=terminal) in terminal/, the window front end
// (CE_DEVICE_UI=window) in window/. Each of those folders, when present,
// provides a CMakeLists.txt defining a static library (`ce_frontend_terminal`,
// `ce_frontend_window`, linked into the chooser ce_frontends) that defines
//     std::unique_ptr<FrontEnd> platform::frontends::create_terminal_front_end();
//     std::unique_ptr<FrontEnd> platform::frontends::create_window_front_end();
// Without one, TerminalUnavailable.cpp or WindowUnavailable.cpp stands in and
// its prepare() fails.
//
// Nothing here throws: a front end reports failure through its results.
#pragma once

#include "frontends/DialogView.h"
#include "frontends/InputEvent.h"
#include "text/Result.h"
#include "text/Utf.h"
#include "wintypes.h"

#include <string>
#include <string_view>

namespace platform::frontends {

// Front-end units per dialog unit, as the dialog manager's MapDialogRect uses
// them: a horizontal dialog unit is x / (4 * divisor) front-end units, a
// vertical one y / (8 * divisor), rounded to the nearest unit. With divisor 1
// these are Windows' dialog base units (the average character width and the
// character height); a larger divisor allows a scale between whole numbers.
struct BaseUnits {
    int x { 4 };
    int y { 8 };
    int divisor { 1 };
};

// The frame and title bar around the client area, in front-end units.
struct Insets {
    int left { 0 };
    int top { 0 };
    int right { 0 };
    int bottom { 0 };
};

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // Reads this front end's own settings from the environment, before any
    // front end is picked: a setting the user gave that cannot be honoured is
    // refused whichever front end then runs. The error names it.
    virtual Result<void> check_settings() { return {}; }

    // After prepare() failed: whether it failed on a setting the user gave
    // (which no other front end can honour either) rather than on the host.
    virtual bool refused_a_setting() const { return false; }

    // Checks that this front end can run here (a usable terminal, say), before
    // any dialog or device state is touched. The error says why it cannot.
    virtual Result<void> prepare() = 0;

    // The screen the dialog is placed on (GetSystemMetrics(SM_CXSCREEN) and
    // SM_CYSCREEN, the desktop window's rectangle), in front-end units.
    virtual SIZE screen_size() const = 0;

    // The scale from dialog units to front-end units, fixed for a dialog's life.
    virtual BaseUnits base_units() const = 0;

    // The frame and title bar this front end draws around a dialog of the given
    // WS_* and WS_EX_* styles.
    virtual Insets non_client_insets(DWORD style, DWORD ex_style) const
    {
        (void)style;
        (void)ex_style;
        return {};
    }

    // The width of a text as this front end draws it, in front-end units; edits
    // scroll and place the caret by it. One unit per character by default.
    virtual int text_extent(std::u16string_view text) const;

    // Where an edit control's text is drawn inside the control's rectangle
    // (both relative to the control's top-left corner). The whole rectangle by
    // default; a front end that draws a box inside the control narrows it.
    virtual RECT edit_text_rect(RECT const& control, DWORD style) const
    {
        (void)style;
        return { 0, 0, control.right - control.left, control.bottom - control.top };
    }

    // Shows the initialised dialog. The error says why it cannot be shown.
    virtual Result<void> show(DialogView const& view) = 0;

    // The dialog changed (or may have): draw this snapshot.
    virtual void refresh(DialogView const& view) = 0;

    // Waits for the next input. A front end whose input has ended returns a
    // CloseRequest with final set, and keeps returning it if asked again.
    virtual InputEvent next_event() = 0;

    // The dialog ended with this result (EndDialog's); take it off the screen.
    virtual void close(INT_PTR result) = 0;

    // The clipboard that edits copy to and paste from (WM_COPY, WM_CUT,
    // WM_PASTE): the host's where the front end has one, by default one kept
    // in the process.
    virtual std::u16string clipboard_text() const { return m_clipboard; }
    virtual void set_clipboard_text(std::u16string_view text) { m_clipboard = text; }

    // The user asked for a paste (Ctrl+V): a front end whose clipboard may
    // answer late starts reading it and returns true; the text then comes as
    // a PasteText event, where the caret is when it comes. False: read
    // clipboard_text() now.
    virtual bool request_clipboard_paste() { return false; }

    // The user selected this text in an edit: where the host has a selection
    // of its own (X's PRIMARY), it becomes that.
    virtual void set_selection_text(std::u16string_view text) { (void)text; }

private:
    std::u16string m_clipboard;
};

// The default text extent: one unit per Unicode character (a surrogate pair is
// one character).
inline int FrontEnd::text_extent(std::u16string_view text) const
{
    int units = 0;
    for (char16_t c : text) {
        if (!platform::text::is_low_surrogate(c))
            ++units;
    }
    return units;
}

}
