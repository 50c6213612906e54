// The record's names and recurring transition dates, shared by every source of
// a zone's rules.
#include "timezone/RecordFields.h"

#include "text/Utf.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace platform::timezone {

namespace {

constexpr std::int64_t ms_per_day = 86'400'000;

// The occurrence (1-5, 5 the last) whose days best cover the window.
WORD occurrence_for(DayWindow window, int month_length)
{
    if (window.last_day >= month_length)
        return 5;
    WORD best = 1;
    int best_overlap = -1;
    for (WORD n = 1; n <= 5; ++n) {
        int const first = n == 5 ? month_length - 6 : 7 * n - 6;
        int const last_of_n = n == 5 ? month_length : 7 * n;
        int const overlap = std::min(last_of_n, window.last_day) - std::max(first, window.first);
        if (overlap > best_overlap) {
            best = n;
            best_overlap = overlap;
        }
    }
    return best;
}

}

void set_name(WCHAR (&field)[32], std::u16string_view name)
{
    std::size_t const length = text::utf16_cut(name, 31);
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(name.begin(), length, field);
}

int days_in_month(int year, int month)
{
    using namespace std::chrono;
    return static_cast<int>(static_cast<unsigned>(
        year_month_day_last(std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) / last).day()));
}

SYSTEMTIME recurring_date(int year, int month, int weekday, DayWindow window, std::int64_t local_ms)
{
    int const month_length = days_in_month(year, month);
    std::int64_t const day_shift = local_ms >= 0 ? local_ms / ms_per_day : -((-local_ms + ms_per_day - 1) / ms_per_day);
    local_ms -= day_shift * ms_per_day;
    int const shift = static_cast<int>(day_shift);
    weekday = ((weekday + shift) % 7 + 7) % 7;
    window = { std::clamp(window.first + shift, 1, month_length), std::clamp(window.last_day + shift, 1, month_length) };

    SYSTEMTIME date {};
    date.wYear = 0;
    date.wMonth = static_cast<WORD>(month);
    date.wDayOfWeek = static_cast<WORD>(weekday);
    date.wDay = occurrence_for(window, month_length);
    date.wHour = static_cast<WORD>(local_ms / 3'600'000);
    date.wMinute = static_cast<WORD>(local_ms / 60'000 % 60);
    date.wSecond = static_cast<WORD>(local_ms / 1000 % 60);
    date.wMilliseconds = static_cast<WORD>(local_ms % 1000);
    return date;
}

}
