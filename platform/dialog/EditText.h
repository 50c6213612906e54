// The text of a single-line edit with its caret and selection: positions kept
// on character boundaries, so that nothing splits a surrogate pair; moves by
// characters and by words; and the one rule for how much of an insertion the
// edit's limit lets in. The edit control decides what to insert and what to
// tell its dialog; this class only keeps the text consistent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::dialog {

class EditText {
public:
    // `text` is the window's own text, changed in place.
    explicit EditText(std::u16string& text);
    EditText(EditText const&) = delete;
    EditText& operator=(EditText const&) = delete;

    std::u16string const& text() const { return m_text; }
    std::size_t caret() const { return m_caret; }
    std::size_t anchor() const { return m_anchor; }
    std::size_t selection_start() const { return m_anchor < m_caret ? m_anchor : m_caret; }
    std::size_t selection_end() const { return m_anchor < m_caret ? m_caret : m_anchor; }
    bool has_selection() const { return m_anchor != m_caret; }
    std::u16string_view selected() const;

    // The boundary before and after `index`, and `index` moved back onto one.
    std::size_t previous_boundary(std::size_t index) const;
    std::size_t next_boundary(std::size_t index) const;
    std::size_t snap_to_boundary(std::size_t index) const;
    // Ctrl+Left and Ctrl+Right (WordBreak.h's words).
    std::size_t previous_word(std::size_t index) const;
    std::size_t next_word(std::size_t index) const;

    // The caret to `position` (at most the end); with `extend` the anchor
    // stays, making a selection.
    void move_caret(std::size_t position, bool extend);
    void set_anchor(std::size_t position);
    // EM_SETSEL's rule: a negative start keeps the caret and selects nothing;
    // a negative end or one past the text is the end.
    void select(long long anchor, long long caret);

    // The limit's one rule: what of `insert` may replace the selection
    // without the text passing `limit` code units, cut at a character
    // boundary.
    std::u16string_view within_limit(std::u16string_view insert, std::size_t limit) const;
    // The whole text as it would be with `insert` in place of the selection.
    std::u16string with_insertion(std::u16string_view insert) const;
    // Puts `insert` in place of the selection, the caret after it.
    void replace_selection(std::u16string_view insert);

    // A new text altogether (WM_SETTEXT), the caret at its start; no limit
    // applies to it.
    void assign(std::u16string_view text);
    // A text and its selection as they were (undo), the positions kept
    // within it.
    void restore(std::u16string text, std::size_t caret, std::size_t anchor);

private:
    std::u16string& m_text;
    std::size_t m_caret { 0 };
    std::size_t m_anchor { 0 };
};

}
