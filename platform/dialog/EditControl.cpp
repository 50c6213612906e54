// Single-line edit control: its messages and keys, its undo, and the
// scrolling that keeps the caret in view. The text with its caret and
// selection is an EditText; every change to it goes through insert(),
// erase_to() or set_text().
#include "dialog/EditControl.h"

#include "dialog/DialogWindow.h"
#include "dialog/WordBreak.h"
#include "frontends/DialogRules.h"
#include "frontends/FrontEnd.h"
#include "text/Utf.h"

#include <algorithm>

namespace platform::dialog {

namespace {

bool shift_held()
{
    return GetKeyState(VK_SHIFT) < 0;
}

bool ctrl_held()
{
    return GetKeyState(VK_CONTROL) < 0;
}

}

EditControl::EditControl(DialogWindow& dialog)
    : Control(dialog)
    , m_buffer(text_in_place())
{
}

void EditControl::describe(frontends::ControlView& view) const
{
    view.caret = m_buffer.caret();
    view.selection_start = m_buffer.selection_start();
    view.selection_end = m_buffer.selection_end();
    view.scroll = m_scroll;
}

void EditControl::set_rect(RECT const& rect)
{
    Control::set_rect(rect);
    scroll_to_caret();
}

void EditControl::set_text(std::u16string_view text)
{
    m_buffer.assign(text);
    m_scroll = 0;
    m_pending_high = 0;
    m_undo.reset();
    m_typing_run = false;
    notify_parent(EN_CHANGE);
}

LRESULT EditControl::window_proc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_SETTEXT: {
        auto const* text = reinterpret_cast<LPCWSTR>(lparam);
        set_text(text ? std::u16string_view(text) : std::u16string_view());
        return TRUE;
    }
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
                move_caret(m_buffer.previous_boundary(std::min(m_scroll, m_buffer.caret())), true);
            else if (x >= area.right)
                move_caret(m_buffer.next_boundary(boundary_nearest(area.right)), true);
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
        m_buffer.set_anchor(start);
        move_caret(end, true);
        m_dragging = false;
        offer_selection();
        return 0;
    }
    case WM_COPY:
        if (m_buffer.has_selection())
            front_end().set_clipboard_text(m_buffer.selected());
        return 0;
    case WM_CUT:
        if (m_buffer.has_selection() && !(style() & ES_READONLY)) {
            SendMessageW(handle(), WM_COPY, 0, 0);
            erase_to(m_buffer.anchor());
        }
        return 0;
    case WM_CLEAR:
        if (m_buffer.has_selection() && !(style() & ES_READONLY))
            erase_to(m_buffer.anchor());
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
        auto const start = static_cast<DWORD>(m_buffer.selection_start());
        auto const end = static_cast<DWORD>(m_buffer.selection_end());
        if (auto* out = reinterpret_cast<DWORD*>(wparam))
            *out = start;
        if (auto* out = reinterpret_cast<DWORD*>(lparam))
            *out = end;
        if (start > 0xFFFF || end > 0xFFFF)
            return -1;
        return MAKELRESULT(start, end);
    }
    case EM_SETSEL:
        m_buffer.select(static_cast<INT>(wparam), static_cast<INT>(lparam));
        scroll_to_caret();
        return 0;
    case EM_REPLACESEL: {
        auto const* text = reinterpret_cast<LPCWSTR>(lparam);
        // wParam TRUE: the replacement can be undone.
        insert(text ? std::u16string_view(text) : std::u16string_view(),
               wparam ? Insertion::replaced_undoable : Insertion::replaced);
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
            move_caret(m_buffer.previous_word(m_buffer.caret()), extend);
        else if (m_buffer.has_selection() && !extend)
            move_caret(m_buffer.selection_start(), false);
        else
            move_caret(m_buffer.previous_boundary(m_buffer.caret()), extend);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        if (ctrl_held())
            move_caret(m_buffer.next_word(m_buffer.caret()), extend);
        else if (m_buffer.has_selection() && !extend)
            move_caret(m_buffer.selection_end(), false);
        else
            move_caret(m_buffer.next_boundary(m_buffer.caret()), extend);
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
    if (m_buffer.has_selection()) {
        SendMessageW(handle(), shift ? WM_CUT : WM_CLEAR, 0, 0);
        return;
    }
    std::size_t const caret = m_buffer.caret();
    std::size_t const to = shift ? m_buffer.previous_boundary(caret) : ctrl ? text().size() : m_buffer.next_boundary(caret);
    if (to != caret)
        erase_to(to);
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
    if (m_buffer.has_selection() && !(style() & ES_PASSWORD))
        front_end().set_selection_text(m_buffer.selected());
}

void EditControl::remember_for_undo(bool typing)
{
    if (typing && m_typing_run && m_undo)
        return;
    m_undo = UndoState { text(), m_buffer.caret(), m_buffer.anchor() };
    m_typing_run = typing;
}

// Swaps the text with the one before the last change, so that a second
// undo brings the change back.
bool EditControl::undo()
{
    if (!m_undo || (style() & ES_READONLY))
        return false;
    UndoState previous = std::move(*m_undo);
    m_undo = UndoState { text(), m_buffer.caret(), m_buffer.anchor() };
    m_typing_run = false;
    m_buffer.restore(std::move(previous.text), previous.caret, previous.anchor);
    m_scroll = std::min(m_scroll, m_buffer.caret());
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
        std::size_t const from = m_buffer.has_selection() ? m_buffer.anchor() : m_buffer.previous_boundary(m_buffer.caret());
        if (from != m_buffer.caret())
            erase_to(from);
        return;
    }
    if (text::is_high_surrogate(c)) {
        m_pending_high = c;
        return;
    }
    if (text::is_low_surrogate(c)) {
        char16_t const high = m_pending_high;
        m_pending_high = 0;
        if (high) {
            char16_t const pair[] = { high, c };
            insert(std::u16string_view(pair, 2), Insertion::typed);
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
    insert(std::u16string_view(&c, 1), Insertion::typed);
}

void EditControl::paste_text(std::u16string_view pasted)
{
    m_pending_high = 0;
    std::u16string pasted_text;
    for (std::size_t i = 0; i < pasted.size();) {
        text::Utf16Character const character = text::utf16_character_at(pasted, i);
        std::u16string_view const units = pasted.substr(i, character.length);
        i += character.length;
        if (character.value == U'\r' || character.value == U'\n')
            break;
        // Controls and a lone half of a pair are no text for a field.
        if (frontends::may_reach_a_field(character.value))
            pasted_text.append(units);
    }
    insert(pasted_text, Insertion::pasted);
}

bool EditControl::insert(std::u16string_view text, Insertion how)
{
    bool const by_user = how == Insertion::typed || how == Insertion::pasted;
    if (by_user && (style() & ES_READONLY))
        return false;
    std::u16string_view going_in = m_buffer.within_limit(text, m_limit);
    if (by_user && !(style() & ES_AUTOHSCROLL))
        going_in = fitting_part(going_in);
    if (going_in.size() < text.size())
        notify_parent(EN_MAXTEXT);
    if (by_user && going_in.empty())
        return false;
    switch (how) {
    case Insertion::typed: remember_for_undo(true); break;
    case Insertion::pasted:
    case Insertion::replaced_undoable: remember_for_undo(false); break;
    case Insertion::replaced: break;
    }
    m_buffer.replace_selection(going_in);
    scroll_to_caret();
    notify_parent(EN_CHANGE);
    return true;
}

// The longest start of the text that, in place of the selection, is no wider
// than the field, found by halving; never half a surrogate pair.
std::u16string_view EditControl::fitting_part(std::u16string_view text) const
{
    auto const fits_with = [&](std::size_t length) {
        return front_end().text_extent(m_buffer.with_insertion(text.substr(0, length))) <= visible_width();
    };
    std::size_t low = 0, high = text.size();
    while (low < high) {
        std::size_t const middle = (low + high + 1) / 2;
        if (fits_with(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return text.substr(0, text::utf16_cut(text, low));
}

void EditControl::erase_to(std::size_t from)
{
    remember_for_undo(false);
    m_buffer.set_anchor(from);
    m_buffer.replace_selection({});
    scroll_to_caret();
    notify_parent(EN_CHANGE);
}

void EditControl::move_caret(std::size_t position, bool extend)
{
    m_buffer.move_caret(position, extend);
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
        i = m_buffer.next_boundary(i);
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
    m_scroll = std::min(m_scroll, m_buffer.caret());
    if (width <= 0) {
        m_scroll = m_buffer.caret();
        return;
    }
    if (!fits(m_scroll, m_buffer.caret(), width)) {
        // The first position from which the text up to the caret fits: found
        // among the last few characters before the caret, widening the look
        // back until the text there no longer fits.
        std::size_t reach = 16;
        std::size_t low = m_scroll; // does not fit
        while (m_buffer.caret() - m_scroll > reach) {
            std::size_t const from = m_buffer.snap_to_boundary(m_buffer.caret() - reach);
            if (!fits(from, m_buffer.caret(), width)) {
                low = from;
                break;
            }
            reach *= 2;
        }
        std::size_t high = m_buffer.caret(); // fits
        while (m_buffer.next_boundary(low) < high) {
            std::size_t middle = m_buffer.snap_to_boundary(low + (high - low) / 2);
            if (middle <= low)
                middle = m_buffer.next_boundary(low);
            if (fits(middle, m_buffer.caret(), width))
                high = middle;
            else
                low = middle;
        }
        m_scroll = high;
    }
    while (m_scroll > 0 && fits(m_buffer.previous_boundary(m_scroll), all.size(), width))
        m_scroll = m_buffer.previous_boundary(m_scroll);
}

// Is the text from `from` to `to` narrower than `width`? Measures no more
// of it than it takes to tell.
bool EditControl::fits(std::size_t from, std::size_t to, int width) const
{
    std::u16string_view const all(text());
    auto const& metrics = front_end();
    for (std::size_t length = 32;; length *= 2) {
        std::size_t const end = length >= to - from ? to : m_buffer.snap_to_boundary(from + length);
        if (metrics.text_extent(all.substr(from, end - from)) >= width)
            return false;
        if (end == to)
            return true;
    }
}

}
