// Filling the fields of a time-zone record from a zone's rules, whatever
// describes the zone (ICU, or a POSIX TZ rule): names cut to fit, and a
// transition day turned into the record's recurring form.
#pragma once

#include "windows.h"

#include <cstdint>
#include <string_view>

namespace platform::timezone {

// Fills a name field: at most 31 characters, never half a surrogate pair, the
// rest zero.
void set_name(WCHAR (&field)[32], std::u16string_view name);

int days_in_month(int year, int month);

// The days of the month on which a rule can fall: [first, last_day].
struct DayWindow {
    int first;
    int last_day;
};

// A transition as a recurring date (wYear 0): in `month` of `year`, on the
// `weekday` (0 = Sunday) that falls within `window`, at `local_ms` after that
// day's midnight on the clock running until the change. A time before
// midnight or past the end of the day moves the day, as Windows writes such a
// change ("last Saturday, 22:00"); the occurrence (1-5, 5 the last) is the one
// whose days best cover the window, and a window that reaches the end of the
// month is the last occurrence.
SYSTEMTIME recurring_date(int year, int month, int weekday, DayWindow window, std::int64_t local_ms);

}
