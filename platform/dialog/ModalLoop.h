// Runs one modal dialog box: initialises it, shows it through the front end,
// turns the front end's input into the messages a dialog gets on the device
// (the keyboard rules of IsDialogMessage included), and stops when it ends.
#pragma once

#include "dialog/DialogWindow.h"
#include "frontends/FrontEnd.h"

namespace platform::dialog {

class ModalLoop {
public:
    ModalLoop(DialogWindow& dialog, frontends::FrontEnd& front_end);

    // WM_INITDIALOG with `init_param`, then input until the dialog ends. The
    // EndDialog result, or -1 when the front end cannot show the dialog.
    INT_PTR run(LPARAM init_param);

    // The loop of the dialog running now, if any: one modal dialog at a time.
    static ModalLoop* running();

private:
    void initialise(LPARAM init_param);
    // The dialog as it is now, with the device's notices, into m_view.
    void take_snapshot();
    void handle(frontends::InputEvent const& event);
    void press_key(frontends::KeyPress const& key);
    // The two halves of a key press; key_down returns the window that got
    // WM_KEYDOWN, if any.
    HWND key_down(frontends::KeyPress const& key);
    void key_up(HWND target, UINT vk);
    void move_dialog(POINT position);
    void type_character(char32_t character);
    void paste(std::u16string const& text);
    void press_enter();
    void click_control(std::size_t index, POINT offset);
    void click_point(POINT point);
    void click_caption(frontends::CaptionButton button);
    void press_pointer(frontends::PointerPress const& press);
    void move_pointer(POINT offset);
    void release_pointer(POINT offset);
    void close(bool final);
    void resize(SIZE screen);
    void deliver_posted();
    void finish();
    bool is_open() const;

    DialogWindow& m_dialog;
    frontends::FrontEnd& m_front_end;
    frontends::DialogView m_view;
    SIZE m_screen { 0, 0 };
    // Where the loop last put the dialog itself, and whether that was centred.
    RECT m_placed { 0, 0, 0, 0 };
    bool m_centred { false };
    ModalLoop* m_outer { nullptr };
    // The control that has the mouse while its button is held, if any.
    HWND m_captured { nullptr };
};

}
