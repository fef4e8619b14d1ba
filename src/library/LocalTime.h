#pragma once
// Local calendar fields and the C library's conversions between them and seconds.
// The date pickers and the filter bounds meet here. Portable: no Windows header.
#include <cstdint>

namespace library {

// One local date and time as the pickers hold it: month 1-12, day 1-31, hour 0-23.
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Seconds since 1970 of local fields, as `mktime` gives them: out-of-range fields
// roll over (29 February of a common year is 1 March) and the library decides
// whether daylight saving time applies. -1 when the library cannot represent it.
std::int64_t MakeLocalTime(const LocalDateTime& fields);

// The local fields of a time in seconds since 1970, as `localtime` gives them.
LocalDateTime ToLocalDateTime(std::int64_t time);

// Day of the week of a time in local time: 0 Sunday, 1 Monday, ..., 6 Saturday.
int LocalDayOfWeek(std::int64_t time);

// hour x 3600 + minute x 60 + second.
std::int64_t SecondsOfDay(const LocalDateTime& fields);

}  // namespace library
