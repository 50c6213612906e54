// Positions are UTF-16 indexes into the text; a boundary is any index that
// does not fall between the halves of a surrogate pair.
#include "dialog/EditText.h"

#include "dialog/WordBreak.h"
#include "text/Utf.h"

#include <algorithm>

namespace platform::dialog {

EditText::EditText(std::u16string& text)
    : m_text(text)
{
}

std::u16string_view EditText::selected() const
{
    return std::u16string_view(m_text).substr(selection_start(), selection_end() - selection_start());
}

std::size_t EditText::previous_boundary(std::size_t index) const
{
    if (index == 0)
        return 0;
    --index;
    if (index > 0 && text::is_low_surrogate(m_text[index]) && text::is_high_surrogate(m_text[index - 1]))
        --index;
    return index;
}

std::size_t EditText::next_boundary(std::size_t index) const
{
    if (index >= m_text.size())
        return m_text.size();
    ++index;
    if (index < m_text.size() && text::is_low_surrogate(m_text[index]) && text::is_high_surrogate(m_text[index - 1]))
        ++index;
    return index;
}

std::size_t EditText::snap_to_boundary(std::size_t index) const
{
    if (index > 0 && index < m_text.size() && text::is_low_surrogate(m_text[index]) && text::is_high_surrogate(m_text[index - 1]))
        return index - 1;
    return index;
}

std::size_t EditText::previous_word(std::size_t index) const
{
    return previous_word_start(m_text, index);
}

std::size_t EditText::next_word(std::size_t index) const
{
    return next_word_start(m_text, index);
}

void EditText::move_caret(std::size_t position, bool extend)
{
    m_caret = std::min(position, m_text.size());
    if (!extend)
        m_anchor = m_caret;
}

void EditText::set_anchor(std::size_t position)
{
    m_anchor = std::min(position, m_text.size());
}

void EditText::select(long long anchor, long long caret)
{
    if (anchor < 0) {
        m_anchor = m_caret;
        return;
    }
    std::size_t const size = m_text.size();
    auto const clamp = [size, this](long long value) {
        if (value < 0 || static_cast<unsigned long long>(value) > size)
            return size;
        return snap_to_boundary(static_cast<std::size_t>(value));
    };
    m_anchor = clamp(anchor);
    m_caret = clamp(caret);
}

std::u16string_view EditText::within_limit(std::u16string_view insert, std::size_t limit) const
{
    std::size_t const kept = m_text.size() - (selection_end() - selection_start());
    std::size_t const room = limit > kept ? limit - kept : 0;
    return insert.substr(0, text::utf16_cut(insert, room));
}

std::u16string EditText::with_insertion(std::u16string_view insert) const
{
    std::u16string result = m_text;
    result.replace(selection_start(), selection_end() - selection_start(), insert);
    return result;
}

void EditText::replace_selection(std::u16string_view insert)
{
    std::size_t const start = selection_start();
    m_text.replace(start, selection_end() - start, insert);
    m_caret = m_anchor = start + insert.size();
}

void EditText::assign(std::u16string_view text)
{
    m_text.assign(text);
    m_caret = m_anchor = 0;
}

void EditText::restore(std::u16string text, std::size_t caret, std::size_t anchor)
{
    m_text = std::move(text);
    m_anchor = std::min(anchor, m_text.size());
    m_caret = std::min(caret, m_text.size());
}

}
