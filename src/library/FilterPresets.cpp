#include "library/FilterPresets.h"

#include <algorithm>
#include <limits>

namespace library {

namespace {

constexpr std::int64_t kDayStep = 86400;
constexpr int kMonday = 1;
// Enough steps to reach a Monday or the first of the month even when daylight saving
// skips a date; it only stops a broken clock library from looping for ever.
constexpr int kMaxDaySteps = 70;

LocalDateTime AtClock(LocalDateTime date, int hour, int minute, int second) {
    date.hour = hour;
    date.minute = minute;
    date.second = second;
    return date;
}

// Seconds of a clock time on the local day of `time`.
std::int64_t DayAt(std::int64_t time, int hour, int minute, int second) {
    return MakeLocalTime(AtClock(ToLocalDateTime(time), hour, minute, second));
}

std::int64_t StepBackUntil(std::int64_t start, bool (*reached)(std::int64_t)) {
    std::int64_t from = start;
    for (int step = 0; step < kMaxDaySteps && !reached(from); ++step) from -= kDayStep;
    return from;
}

bool IsMonday(std::int64_t time) { return LocalDayOfWeek(time) == kMonday; }
bool IsFirstOfMonth(std::int64_t time) { return ToLocalDateTime(time).day == 1; }

PickerRange Range(std::int64_t from, std::int64_t to) { return {ToLocalDateTime(from), ToLocalDateTime(to)}; }

}  // namespace

std::optional<PickerRange> DatePresetRange(DatePreset preset, std::int64_t now, std::optional<ClipSpan> clips) {
    const std::int64_t startOfToday = DayAt(now, 0, 0, 0);
    const std::int64_t endOfToday = DayAt(now, 23, 59, 59);
    switch (preset) {
    case DatePreset::Today: return Range(startOfToday, endOfToday);
    case DatePreset::Yesterday: return Range(startOfToday - kDayStep, endOfToday - kDayStep);
    case DatePreset::ThisWeek: return Range(StepBackUntil(startOfToday, IsMonday), endOfToday);
    case DatePreset::ThisMonth: return Range(StepBackUntil(startOfToday, IsFirstOfMonth), endOfToday);
    case DatePreset::AllTime: {
        std::int64_t from = startOfToday;
        std::int64_t to = endOfToday;
        // A time the C library cannot represent (before 1970 on Windows) leaves today.
        if (clips) {
            const std::int64_t oldestDay = DayAt(clips->oldest, 0, 0, 0);
            const std::int64_t newestDayEnd = DayAt(clips->newest, 23, 59, 59);
            if (oldestDay > 0) from = std::min(from, oldestDay);
            if (newestDayEnd > 0) to = std::max(to, newestDayEnd);
        }
        return Range(from, to);
    }
    case DatePreset::CustomDate: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<PickerRange> TimePresetRange(TimePreset preset, std::int64_t now) {
    const auto today = [now](int fromHour, int toHour) {
        return Range(DayAt(now, fromHour, 0, 0), DayAt(now, toHour, 0, 0));
    };
    switch (preset) {
    case TimePreset::Morning: return today(4, 10);
    case TimePreset::Afternoon: return today(10, 17);
    case TimePreset::Evening: return today(17, 23);
    case TimePreset::Night: return today(23, 4);
    case TimePreset::CustomTime: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<ClipFilter> ClipFilterFromControls(const FilterControls& controls) {
    if (controls.kindSelection < 0) return std::nullopt;
    ClipFilter filter;
    filter.mode = static_cast<FilterMode>(controls.kindSelection);
    switch (filter.mode) {
    case FilterMode::ByDate:
        // The pickers show the clips' days, but a clip added with an older date since
        // they were set must not be hidden by "All Time".
        if (controls.datePresetSelection == static_cast<int>(DatePreset::AllTime)) {
            filter.dateFrom = std::numeric_limits<std::int64_t>::min();
            filter.dateTo = std::numeric_limits<std::int64_t>::max();
            break;
        }
        filter.dateFrom = MakeLocalTime(AtClock(controls.fromDate, 0, 0, 0));
        filter.dateTo = MakeLocalTime(AtClock(controls.toDate, 23, 59, 59));
        break;
    case FilterMode::ByTimeOfDay:
        filter.secondsFrom = SecondsOfDay(controls.fromTime);
        filter.secondsTo = SecondsOfDay(controls.toTime);
        break;
    case FilterMode::ByKeyword:
        filter.keyword = controls.keyword;
        filter.contains = controls.keywordModeSelection != 1;
        break;
    }
    return filter;
}

}  // namespace library
