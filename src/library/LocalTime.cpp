#include "library/LocalTime.h"

#include <ctime>

namespace library {

namespace {

std::tm ToTm(std::int64_t time) {
    const std::time_t value = static_cast<std::time_t>(time);
    std::tm fields{};
#ifdef _WIN32
    localtime_s(&fields, &value);
#else
    localtime_r(&value, &fields);
#endif
    return fields;
}

}  // namespace

std::int64_t MakeLocalTime(const LocalDateTime& fields) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

LocalDateTime ToLocalDateTime(std::int64_t time) {
    const std::tm tm = ToTm(time);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

int LocalDayOfWeek(std::int64_t time) { return ToTm(time).tm_wday; }

std::int64_t SecondsOfDay(const LocalDateTime& fields) {
    return std::int64_t{fields.hour} * 3600 + std::int64_t{fields.minute} * 60 + fields.second;
}

}  // namespace library
