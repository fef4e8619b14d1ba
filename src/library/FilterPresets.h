#pragma once
// The filter controls' presets and how the controls become a ClipFilter. The current
// time comes in as a parameter so that every preset can be checked against a fixed
// clock. Portable: no Windows header.
#include "library/ClipFilter.h"
#include "library/LocalTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace library {

// Entries of the combo boxes, in their order; the selection index is the value.
enum class DatePreset : int { Today = 0, Yesterday, ThisWeek, ThisMonth, AllTime, CustomDate };
enum class TimePreset : int { Morning = 0, Afternoon, Evening, Night, CustomTime };

inline constexpr std::array<std::wstring_view, 3> kFilterKindTexts = {
    L"Search by Date of view", L"Search by Time of view", L"Search by keyword in title"};
inline constexpr std::array<std::wstring_view, 6> kDatePresetTexts = {L"Today",      L"Yesterday", L"This week",
                                                                      L"This month", L"All Time",  L"Custom date"};
inline constexpr std::array<std::wstring_view, 5> kTimePresetTexts = {L"In the morning", L"At afternoon", L"At evening",
                                                                      L"At night", L"Custom time"};
inline constexpr std::array<std::wstring_view, 2> kKeywordModeTexts = {L"Title contains", L"Title don't contains"};

// Put into the keyword box when the keyword kind is chosen; cleared when the box gains
// the focus, but searched for as it stands when the user never entered the box.
inline constexpr std::wstring_view kEnterKeyword = L"Enter keyword";

// The presets the window starts with; their ranges are the pickers' first values.
inline constexpr DatePreset kInitialDatePreset = DatePreset::AllTime;
inline constexpr TimePreset kInitialTimePreset = TimePreset::Evening;

// What a preset writes into the From and To pickers, in local fields.
struct PickerRange {
    LocalDateTime from;
    LocalDateTime to;

    friend bool operator==(const PickerRange&, const PickerRange&) = default;
};

// When the library's clips were made: the creation times (seconds since 1970) of the
// oldest and the newest.
struct ClipSpan {
    std::int64_t oldest = 0;
    std::int64_t newest = 0;
};

// The From and To dates of a date preset at the moment `now` (seconds since 1970).
// A day step is exactly 86,400 seconds, so across a change of daylight saving time a
// step back can land at 23:00 or 01:00; the pickers show the date it landed on.
// "All Time" runs from the day of the oldest clip to the end of today, or of the day of
// a clip dated later; an empty library (no `clips`) gives today.
// No value for "Custom date" or an unknown selection: the pickers stay as they are.
std::optional<PickerRange> DatePresetRange(DatePreset preset, std::int64_t now,
                                           std::optional<ClipSpan> clips = std::nullopt);

// Today's date at the preset's clock times. No value for "Custom time" or an unknown
// selection.
std::optional<PickerRange> TimePresetRange(TimePreset preset, std::int64_t now);

// What the filter controls hold when a list build reads them.
struct FilterControls {
    int kindSelection = -1;  // selection of the filter-kind combo; -1 when none
    int datePresetSelection = -1;
    LocalDateTime fromDate;  // only the dates count
    LocalDateTime toDate;
    LocalDateTime fromTime;  // only the clock times count
    LocalDateTime toTime;
    std::wstring keyword;  // the keyword box's text, unchanged
    int keywordModeSelection = 0;
};

// The filter of the controls: the From date at 00:00:00 and the To date at 23:59:59
// through local `mktime`, the time pickers as seconds of the day, the keyword as it
// stands. "All Time" admits every clip, whatever the pickers show. No filter (and so no
// list) when the filter kind has no selection.
std::optional<ClipFilter> ClipFilterFromControls(const FilterControls& controls);

}  // namespace library
