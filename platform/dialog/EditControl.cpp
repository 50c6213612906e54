// Single-line edit control. Positions are UTF-16 indexes into the text, kept
// on character boundaries so that no edit splits a surrogate pair.
#include "dialog/EditControl.h"

#include "dialog/DialogWindow.h"
#include "dialog/WordBreak.h"
#include "frontends/FrontEnd.h"

#include <algorithm>

namespace platform::dialog {

namespace {

bool is_high_surrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool is_low_surrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool shift_held()
{
    return GetKeyState(VK_SHIFT) < 0;
}

bool ctrl_held()
{
    return GetKeyState(VK_CONTROL) < 0;
}

bool is_word_break(char16_t c)
{
    return c == u' ' || c == u'\t';
}

}

EditControl::EditControl(DialogWindow& dialog)
    : Control(dialog)
{
}

void EditControl::describe(frontends::ControlView& view) const
{
    view.caret = m_caret;
    view.selection_start = selection_start();
    view.selection_end = selection_end();
    view.scroll = m_scroll;
}

void EditControl::set_rect(RECT const& rect)
{
    Control::set_rect(rect);
    scroll_to_caret();
}

void EditControl::text_changed()
{
    m_caret = m_anchor = m_scroll = 0;
    m_pending_high = 0;
    m_undo.reset();
    m_typing_run = false;
    notify_parent(EN_CHANGE);
}

LRESULT EditControl::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETFOCUS:
        notify_parent(EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        m_pending_high = 0;
        m_dragging = false;
        m_typing_run = false;
        notify_parent(EN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
        key_down(static_cast<UINT>(wparam));
        return 0;
    case WM_CHAR:
        char_typed(static_cast<char16_t>(wparam));
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(handle());
        m_typing_run = false;
        click_at(static_cast<short>(LOWORD(lparam)));
        m_dragging = true;
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragging && (wparam & MK_LBUTTON)) {
            // Past an edge, the selection goes on a character at a time and
            // the text scrolls to show it.
            int const x = static_cast<short>(LOWORD(lparam));
            RECT const area = text_area();
            if (x < area.left)
                move_caret(previous_boundary(std::min(m_scroll, m_caret)), true);
            else if (x >= area.right)
                move_caret(next_boundary(boundary_nearest(area.right)), true);
            else
                move_caret(boundary_nearest(x), true);
        }
        return 0;
    case WM_LBUTTONUP:
        if (m_dragging)
            offer_selection();
        m_dragging = false;
        return 0;
    case WM_LBUTTONDBLCLK: {
        SetFocus(handle());
        auto const [start, end] = word_around(text(), boundary_nearest(static_cast<short>(LOWORD(lparam))));
        m_anchor = start;
        move_caret(end, true);
        m_dragging = false;
        offer_selection();
        return 0;
    }
    case WM_COPY:
        if (has_selection())
            front_end().set_clipboard_text(std::u16string_view(text()).substr(selection_start(), selection_end() - selection_start()));
        return 0;
    case WM_CUT:
        if (has_selection() && !(style() & ES_READONLY)) {
            SendMessageW(handle(), WM_COPY, 0, 0);
            remember_for_undo(false);
            replace_selection({});
            notify_parent(EN_CHANGE);
        }
        return 0;
    case WM_CLEAR:
        if (has_selection() && !(style() & ES_READONLY)) {
            remember_for_undo(false);
            replace_selection({});
            notify_parent(EN_CHANGE);
        }
        return 0;
    case WM_PASTE:
        paste_text(front_end().clipboard_text());
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        return undo() ? TRUE : FALSE;
    case EM_CANUNDO:
        return m_undo && !(style() & ES_READONLY) ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
        m_undo.reset();
        m_typing_run = false;
        return 0;
    case EM_GETSEL: {
        auto const start = static_cast<DWORD>(selection_start());
        auto const end = static_cast<DWORD>(selection_end());
        if (auto* out = reinterpret_cast<DWORD*>(wparam))
            *out = start;
        if (auto* out = reinterpret_cast<DWORD*>(lparam))
            *out = end;
        if (start > 0xFFFF || end > 0xFFFF)
            return -1;
        return MAKELRESULT(start, end);
    }
    case EM_SETSEL:
        set_selection(static_cast<LPARAM>(static_cast<INT>(wparam)), static_cast<LPARAM>(static_cast<INT>(lparam)));
        return 0;
    case EM_REPLACESEL: {
        auto const* text = reinterpret_cast<LPCWSTR>(lparam);
        std::u16string_view insert = text ? std::u16string_view(text) : std::u16string_view();
        std::size_t const kept = text_size_without_selection();
        std::size_t const room = m_limit > kept ? m_limit - kept : 0;
        if (insert.size() > room) {
            insert = insert.substr(0, room);
            if (!insert.empty() && is_high_surrogate(insert.back()))
                insert.remove_suffix(1);
            notify_parent(EN_MAXTEXT);
        }
        // wParam TRUE: the replacement can be undone.
        if (wparam)
            remember_for_undo(false);
        replace_selection(insert);
        notify_parent(EN_CHANGE);
        return 0;
    }
    case EM_LIMITTEXT: {
        auto const asked = static_cast<std::size_t>(static_cast<UINT>(wparam));
        m_limit = asked == 0 ? largest_limit : std::min(asked, largest_limit);
        return 0;
    }
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(m_limit);
    default:
        return default_proc(message, wparam, lparam);
    }
}

std::size_t EditControl::text_size_without_selection() const
{
    return text().size() - (selection_end() - selection_start());
}

// A single-line edit takes Up and Down as Left and Right; with Shift they
// select. Delete with Shift cuts the selection (or deletes before the caret),
// with Ctrl clears it (or deletes to the end); Ctrl+Insert copies and
// Shift+Insert pastes.
void EditControl::key_down(UINT vk)
{
    bool const extend = shift_held();
    m_typing_run = false;
    switch (vk) {
    case VK_LEFT:
    case VK_UP:
        if (ctrl_held())
            move_caret(previous_word(m_caret), extend);
        else if (has_selection() && !extend)
            move_caret(selection_start(), false);
        else
            move_caret(previous_boundary(m_caret), extend);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        if (ctrl_held())
            move_caret(next_word(m_caret), extend);
        else if (has_selection() && !extend)
            move_caret(selection_end(), false);
        else
            move_caret(next_boundary(m_caret), extend);
        break;
    case VK_HOME:
        move_caret(0, extend);
        break;
    case VK_END:
        move_caret(text().size(), extend);
        break;
    case VK_DELETE:
        delete_key();
        return;
    case VK_INSERT:
        if (ctrl_held() && !extend)
            SendMessageW(handle(), WM_COPY, 0, 0);
        else if (extend && !ctrl_held())
            user_paste();
        return;
    default:
        return;
    }
    if (extend)
        offer_selection();
}

void EditControl::delete_key()
{
    if (style() & ES_READONLY)
        return;
    bool const shift = shift_held();
    bool const ctrl = ctrl_held();
    if (shift && ctrl)
        return;
    if (has_selection()) {
        SendMessageW(handle(), shift ? WM_CUT : WM_CLEAR, 0, 0);
        return;
    }
    std::size_t const to = shift ? previous_boundary(m_caret) : ctrl ? text().size() : next_boundary(m_caret);
    if (to != m_caret) {
        remember_for_undo(false);
        m_anchor = to;
        replace_selection({});
        notify_parent(EN_CHANGE);
    }
}

void EditControl::user_paste()
{
    if (style() & ES_READONLY)
        return;
    if (!front_end().request_clipboard_paste())
        paste_text(front_end().clipboard_text());
}

void EditControl::offer_selection()
{
    if (has_selection() && !(style() & ES_PASSWORD))
        front_end().set_selection_text(std::u16string_view(text()).substr(selection_start(), selection_end() - selection_start()));
}

void EditControl::remember_for_undo(bool typing)
{
    if (typing && m_typing_run && m_undo)
        return;
    m_undo = UndoState { text(), m_caret, m_anchor };
    m_typing_run = typing;
}

// Swaps the text with the one before the last change, so that a second
// undo brings the change back.
bool EditControl::undo()
{
    if (!m_undo || (style() & ES_READONLY))
        return false;
    UndoState previous = std::move(*m_undo);
    m_undo = UndoState { text(), m_caret, m_anchor };
    m_typing_run = false;
    text_in_place() = std::move(previous.text);
    m_anchor = std::min(previous.anchor, text().size());
    m_caret = std::min(previous.caret, text().size());
    m_scroll = std::min(m_scroll, m_caret);
    scroll_to_caret();
    notify_parent(EN_CHANGE);
    return true;
}

void EditControl::char_typed(char16_t c)
{
    if (c == u'\b') {
        m_pending_high = 0;
        m_typing_run = false;
        if (style() & ES_READONLY)
            return;
        std::size_t const from = has_selection() ? m_anchor : previous_boundary(m_caret);
        if (from != m_caret) {
            remember_for_undo(false);
            m_anchor = from;
            replace_selection({});
            notify_parent(EN_CHANGE);
        }
        return;
    }
    if (is_high_surrogate(c)) {
        m_pending_high = c;
        return;
    }
    if (is_low_surrogate(c)) {
        char16_t const high = m_pending_high;
        m_pending_high = 0;
        if (high) {
            char16_t const pair[] = { high, c };
            type_text(std::u16string_view(pair, 2));
        }
        return;
    }
    m_pending_high = 0;
    // The clipboard's accelerators come as the control characters that
    // Ctrl+C, Ctrl+X and Ctrl+V make.
    switch (c) {
    case 0x03:
        SendMessageW(handle(), WM_COPY, 0, 0);
        return;
    case 0x18:
        SendMessageW(handle(), WM_CUT, 0, 0);
        return;
    case 0x16:
        user_paste();
        return;
    case 0x1A: // Ctrl+Z
        SendMessageW(handle(), WM_UNDO, 0, 0);
        return;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F)
        return;
    if ((style() & ES_NUMBER) && (c < u'0' || c > u'9'))
        return;
    type_text(std::u16string_view(&c, 1));
}

void EditControl::paste_text(std::u16string_view pasted)
{
    m_pending_high = 0;
    if (style() & ES_READONLY)
        return;
    std::u16string insert;
    for (std::size_t i = 0; i < pasted.size(); ++i) {
        char16_t const c = pasted[i];
        if (c == u'\r' || c == u'\n')
            break;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            continue;
        if (is_high_surrogate(c) || is_low_surrogate(c)) {
            // Only whole pairs: a lone half is no character.
            if (is_high_surrogate(c) && i + 1 < pasted.size() && is_low_surrogate(pasted[i + 1])) {
                insert.push_back(c);
                insert.push_back(pasted[++i]);
            }
            continue;
        }
        insert.push_back(c);
    }
    std::size_t const kept = text_size_without_selection();
    std::size_t const room = m_limit > kept ? m_limit - kept : 0;
    bool cut = false;
    if (insert.size() > room) {
        insert.resize(room);
        cut = true;
    }
    if (!(style() & ES_AUTOHSCROLL)) {
        // Only what fits the field: the longest part of it that does.
        std::u16string candidate = text();
        std::size_t const start = selection_start();
        candidate.erase(start, selection_end() - start);
        auto const fits_with = [&](std::size_t length) {
            std::u16string trial = candidate;
            trial.insert(start, insert, 0, length);
            return front_end().text_extent(trial) <= visible_width();
        };
        std::size_t low = 0, high = insert.size();
        while (low < high) {
            std::size_t const middle = (low + high + 1) / 2;
            if (fits_with(middle))
                low = middle;
            else
                high = middle - 1;
        }
        if (low < insert.size()) {
            insert.resize(low);
            cut = true;
        }
    }
    if (!insert.empty() && is_high_surrogate(insert.back()))
        insert.pop_back();
    if (cut)
        notify_parent(EN_MAXTEXT);
    if (insert.empty())
        return;
    remember_for_undo(false);
    replace_selection(insert);
    notify_parent(EN_CHANGE);
}

bool EditControl::type_text(std::u16string_view insert)
{
    if (style() & ES_READONLY)
        return false;
    if (text_size_without_selection() + insert.size() > m_limit) {
        notify_parent(EN_MAXTEXT);
        return false;
    }
    if (!(style() & ES_AUTOHSCROLL)) {
        std::u16string candidate = text();
        candidate.replace(selection_start(), selection_end() - selection_start(), insert);
        if (front_end().text_extent(candidate) > visible_width()) {
            notify_parent(EN_MAXTEXT);
            return false;
        }
    }
    remember_for_undo(true);
    replace_selection(insert);
    notify_parent(EN_CHANGE);
    return true;
}

void EditControl::replace_selection(std::u16string_view insert)
{
    std::size_t const start = selection_start();
    text_in_place().replace(start, selection_end() - start, insert);
    m_caret = m_anchor = start + insert.size();
    scroll_to_caret();
}

void EditControl::move_caret(std::size_t position, bool extend)
{
    m_caret = std::min(position, text().size());
    if (!extend)
        m_anchor = m_caret;
    scroll_to_caret();
}

void EditControl::set_selection(LPARAM start, LPARAM end)
{
    std::size_t const size = text().size();
    if (start < 0) {
        m_anchor = m_caret;
        return;
    }
    auto const clamp = [size, this](LPARAM value) {
        if (value < 0 || static_cast<std::size_t>(value) > size)
            return size;
        return snap_to_boundary(static_cast<std::size_t>(value));
    };
    m_anchor = clamp(start);
    m_caret = clamp(end);
    scroll_to_caret();
}

void EditControl::click_at(int x)
{
    move_caret(boundary_nearest(x), shift_held());
}

// The character boundary nearest to `x` in the control; between two equally
// near, the left one.
std::size_t EditControl::boundary_nearest(int x) const
{
    std::u16string_view const all(text());
    std::size_t const first = std::min(m_scroll, all.size());
    int const target = x - text_left();
    std::size_t best = first;
    int best_distance = target < 0 ? -target : target;
    for (std::size_t i = first; i < all.size();) {
        i = next_boundary(i);
        int const offset = front_end().text_extent(all.substr(first, i - first));
        int const distance = offset > target ? offset - target : target - offset;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        } else if (offset > target) {
            break;
        }
    }
    return best;
}

std::size_t EditControl::previous_boundary(std::size_t index) const
{
    auto const& t = text();
    if (index == 0)
        return 0;
    --index;
    if (index > 0 && is_low_surrogate(t[index]) && is_high_surrogate(t[index - 1]))
        --index;
    return index;
}

std::size_t EditControl::next_boundary(std::size_t index) const
{
    auto const& t = text();
    if (index >= t.size())
        return t.size();
    ++index;
    if (index < t.size() && is_low_surrogate(t[index]) && is_high_surrogate(t[index - 1]))
        ++index;
    return index;
}

std::size_t EditControl::snap_to_boundary(std::size_t index) const
{
    auto const& t = text();
    if (index > 0 && index < t.size() && is_low_surrogate(t[index]) && is_high_surrogate(t[index - 1]))
        return index - 1;
    return index;
}

// Ctrl+Left: to the start of the word before the caret (or the one it is
// in); Ctrl+Right: to the start of the next word. Words are broken at
// spaces and tabs.
std::size_t EditControl::previous_word(std::size_t index) const
{
    auto const& t = text();
    while (index > 0 && is_word_break(t[index - 1]))
        --index;
    while (index > 0 && !is_word_break(t[index - 1]))
        --index;
    return index;
}

std::size_t EditControl::next_word(std::size_t index) const
{
    auto const& t = text();
    while (index < t.size() && !is_word_break(t[index]))
        ++index;
    while (index < t.size() && is_word_break(t[index]))
        ++index;
    return index;
}

RECT EditControl::text_area() const
{
    RECT const control { 0, 0, rect().right - rect().left, rect().bottom - rect().top };
    return front_end().edit_text_rect(control, style());
}

int EditControl::visible_width() const
{
    RECT const area = text_area();
    return area.right - area.left;
}

int EditControl::text_left() const
{
    return text_area().left;
}

// The caret must stay within the text area, with room for itself: the text
// before it, from the first shown character, is narrower than the area. When
// the text would leave room at the right, it moves back to fill it. Only
// about a field's width of text is ever measured, however long the text.
void EditControl::scroll_to_caret()
{
    if (!(style() & ES_AUTOHSCROLL)) {
        m_scroll = 0;
        return;
    }
    std::u16string_view const all(text());
    int const width = visible_width();
    m_scroll = std::min(m_scroll, m_caret);
    if (width <= 0) {
        m_scroll = m_caret;
        return;
    }
    if (!fits(m_scroll, m_caret, width)) {
        // The first position from which the text up to the caret fits: found
        // among the last few characters before the caret, widening the look
        // back until the text there no longer fits.
        std::size_t reach = 16;
        std::size_t low = m_scroll; // does not fit
        while (m_caret - m_scroll > reach) {
            std::size_t const from = snap_to_boundary(m_caret - reach);
            if (!fits(from, m_caret, width)) {
                low = from;
                break;
            }
            reach *= 2;
        }
        std::size_t high = m_caret; // fits
        while (next_boundary(low) < high) {
            std::size_t middle = snap_to_boundary(low + (high - low) / 2);
            if (middle <= low)
                middle = next_boundary(low);
            if (fits(middle, m_caret, width))
                high = middle;
            else
                low = middle;
        }
        m_scroll = high;
    }
    while (m_scroll > 0 && fits(previous_boundary(m_scroll), all.size(), width))
        m_scroll = previous_boundary(m_scroll);
}

// Is the text from `from` to `to` narrower than `width`? Measures no more
// of it than it takes to tell.
bool EditControl::fits(std::size_t from, std::size_t to, int width) const
{
    std::u16string_view const all(text());
    auto const& metrics = front_end();
    for (std::size_t length = 32;; length *= 2) {
        std::size_t const end = length >= to - from ? to : snap_to_boundary(from + length);
        if (metrics.text_extent(all.substr(from, end - from)) >= width)
            return false;
        if (end == to)
            return true;
    }
}

}
