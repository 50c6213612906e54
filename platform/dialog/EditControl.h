// The Edit class, single-line: any text, a caret and a selection, editing keys,
// a limit on what the user can type, and sideways scrolling so that the caret
// stays in view.
#pragma once

#include "dialog/Control.h"
#include "dialog/EditText.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::dialog {

class EditControl final : public Control {
public:
    // The device's limits on typed text: as an edit is created, and the most
    // EM_LIMITTEXT can set (which is also what it sets when asked for 0).
    static constexpr std::size_t initial_limit = 30000;
    static constexpr std::size_t largest_limit = 0x7FFE;

    explicit EditControl(DialogWindow& dialog);

    frontends::ControlClass control_class() const override { return frontends::ControlClass::Edit; }
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void describe(frontends::ControlView& view) const override;
    void set_rect(RECT const& rect) override;

    // Text the user pasted: replaces the selection with the text up to its
    // first line break, control characters dropped, cut to the limit. Does
    // nothing in a read-only edit.
    void paste_text(std::u16string_view pasted);

private:
    // How text comes to be inserted, which decides the rest: the user's
    // typing and pastes are refused by a read-only edit and cut to what fits
    // a field that does not scroll; a program's EM_REPLACESEL is not.
    enum class Insertion {
        typed,             // undone with the run of typing it belongs to
        pasted,            // undone on its own
        replaced,          // not to be undone
        replaced_undoable, // EM_REPLACESEL with wParam TRUE
    };
    // The one way text goes in, in place of the selection: cut to the limit
    // (and to the field) with EN_MAXTEXT when cut, then EN_CHANGE. False when
    // nothing went in.
    bool insert(std::u16string_view text, Insertion how);
    // The longest start of `text` that fits the field in place of the
    // selection.
    std::u16string_view fitting_part(std::u16string_view text) const;
    // WM_SETTEXT: a new text, the caret at its start, nothing to undo.
    void set_text(std::u16string_view text);
    // Removes the text between `from` and the caret (the selection, when
    // `from` is the anchor), as one change to undo.
    void erase_to(std::size_t from);

    void key_down(UINT vk);
    void delete_key();
    // A paste the user asked for: the host's clipboard may answer later.
    void user_paste();
    // The selection the user made becomes the host's (X's PRIMARY).
    void offer_selection();
    // Before a change: what undo brings back. Typing in a run is one change.
    void remember_for_undo(bool typing);
    bool undo();
    void char_typed(char16_t c);
    void click_at(int x);
    std::size_t boundary_nearest(int x) const;
    void move_caret(std::size_t position, bool extend);

    // The text area's width in front-end units, and the scrolling that keeps
    // the caret inside it.
    RECT text_area() const;
    int visible_width() const;
    int text_left() const;
    void scroll_to_caret();
    bool fits(std::size_t from, std::size_t to, int width) const;

    EditText m_buffer;
    std::size_t m_scroll { 0 };
    std::size_t m_limit { initial_limit };
    char16_t m_pending_high { 0 };
    // The primary button went down in the control and is still held.
    bool m_dragging { false };

    // The one-level undo: the text and selection before the last change.
    struct UndoState {
        std::u16string text;
        std::size_t caret { 0 };
        std::size_t anchor { 0 };
    };
    std::optional<UndoState> m_undo;
    bool m_typing_run { false };
};

}
