// GetDlgItemInt and SetDlgItemInt: a dialog item's text as a decimal number.
//
// Reading follows the documented rule and nothing looser: white space at the
// start is skipped, then a minus sign is taken when the number is signed, then
// decimal digits up to the first character that is not one. No digits, or a
// value that does not fit 32 bits (INT for signed, UINT for unsigned), gives 0
// and FALSE through the flag. A plus sign is not a digit, so "+5" has none.
#include "windows.h"

#include "text/ApiTrace.h"

#include <cstdint>
#include <string>

namespace {

bool is_white_space(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// The item's whole text, whatever its length.
std::u16string item_text(HWND item)
{
    auto const length = SendMessageW(item, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    auto const copied = SendMessageW(item, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}

UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned)
{
    platform::trace::TracedCall trace("GetDlgItemInt",
                                      [&] { return std::to_string(nIDDlgItem) + (bSigned ? " signed" : " unsigned"); });
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND const item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    std::u16string const text = item_text(item);

    std::size_t i = 0;
    while (i < text.size() && is_white_space(text[i]))
        ++i;
    bool negative = false;
    if (bSigned && i < text.size() && text[i] == u'-') {
        negative = true;
        ++i;
    }
    std::uint64_t const limit = bSigned ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - u'0');
        if (value > limit)
            return 0;
    }
    if (digits == 0)
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return negative ? static_cast<UINT>(0u - static_cast<std::uint32_t>(value)) : static_cast<UINT>(value);
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    platform::trace::TracedCall trace("SetDlgItemInt", [&] {
        return std::to_string(nIDDlgItem) + " "
            + (bSigned ? std::to_string(static_cast<INT>(uValue)) + " signed" : std::to_string(uValue) + " unsigned");
    });
    std::string const digits = bSigned ? std::to_string(static_cast<INT>(uValue)) : std::to_string(uValue);
    std::u16string const text(digits.begin(), digits.end());
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}
