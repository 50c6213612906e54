// UTF-16 and UTF-8 conversion through ICU.
#include "text/Utf.h"

#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <climits>

namespace platform::text {

static constexpr UChar32 replacement_character = 0xFFFD;

std::string to_utf8(std::u16string_view text)
{
    if (text.empty() || text.size() > INT32_MAX / 3)
        return {};
    std::string result(text.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length,
                       reinterpret_cast<UChar const*>(text.data()), static_cast<int32_t>(text.size()),
                       replacement_character, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::u16string to_utf16(std::string_view text)
{
    if (text.empty() || text.size() > INT32_MAX)
        return {};
    // One UTF-16 unit per byte is always enough: no UTF-8 sequence is shorter
    // than the UTF-16 it decodes to, and a replacement takes one unit per byte.
    std::u16string result(text.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()), &length,
                         text.data(), static_cast<int32_t>(text.size()), replacement_character, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    result.resize(static_cast<std::size_t>(length));
    return result;
}

}
