#include "library/FilterPresets.h"

#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace library {

// Failure messages show the fields as the pickers would.
void PrintTo(const LocalDateTime& t, std::ostream* out) {
    *out << t.day << '.' << t.month << '.' << t.year << ' ' << t.hour << ':' << t.minute << ':' << t.second;
}

namespace {

using testing_support::kBerlin;
using testing_support::kUtc;
using testing_support::ScopedTimeZone;

struct DateCase {
    const char* name;
    LocalDateTime now;
    DatePreset preset;
    LocalDateTime from;
    LocalDateTime to;
    // When the library's oldest and newest clips were made; none for an empty library.
    std::optional<std::pair<LocalDateTime, LocalDateTime>> clips = std::nullopt;
};

void ExpectDatePresets(const char* zone, std::initializer_list<DateCase> cases) {
    ScopedTimeZone pinned(zone);
    for (const DateCase& c : cases) {
        std::optional<ClipSpan> clips;
        if (c.clips) clips = ClipSpan{MakeLocalTime(c.clips->first), MakeLocalTime(c.clips->second)};
        const std::optional<PickerRange> range = DatePresetRange(c.preset, MakeLocalTime(c.now), clips);
        ASSERT_TRUE(range.has_value()) << c.name;
        EXPECT_EQ(range->from, c.from) << c.name << ": From";
        EXPECT_EQ(range->to, c.to) << c.name << ": To";
    }
}

TEST(DatePresets, FollowTheClockDayByDay) {
    // 13 May 2024 is a Monday.
    ExpectDatePresets(
        kUtc,
        {
            {"today", {2024, 5, 15, 13, 45, 10}, DatePreset::Today, {2024, 5, 15}, {2024, 5, 15, 23, 59, 59}},
            {"today at midnight", {2024, 5, 15}, DatePreset::Today, {2024, 5, 15}, {2024, 5, 15, 23, 59, 59}},
            {"today at the last second",
             {2024, 5, 15, 23, 59, 59},
             DatePreset::Today,
             {2024, 5, 15},
             {2024, 5, 15, 23, 59, 59}},
            {"yesterday", {2024, 5, 15, 8}, DatePreset::Yesterday, {2024, 5, 14}, {2024, 5, 14, 23, 59, 59}},
            {"yesterday of 1 March is 29 February",
             {2024, 3, 1, 8},
             DatePreset::Yesterday,
             {2024, 2, 29},
             {2024, 2, 29, 23, 59, 59}},
            {"yesterday of New Year", {2025, 1, 1}, DatePreset::Yesterday, {2024, 12, 31}, {2024, 12, 31, 23, 59, 59}},
            {"this week on a Monday", {2024, 5, 13, 9}, DatePreset::ThisWeek, {2024, 5, 13}, {2024, 5, 13, 23, 59, 59}},
            {"this week on a Sunday", {2024, 5, 19, 9}, DatePreset::ThisWeek, {2024, 5, 13}, {2024, 5, 19, 23, 59, 59}},
            {"this week on a Wednesday",
             {2024, 5, 15, 9},
             DatePreset::ThisWeek,
             {2024, 5, 13},
             {2024, 5, 15, 23, 59, 59}},
            {"this week across the year",
             {2025, 1, 1, 9},
             DatePreset::ThisWeek,
             {2024, 12, 30},
             {2025, 1, 1, 23, 59, 59}},
            {"this month on the first", {2024, 5, 1, 9}, DatePreset::ThisMonth, {2024, 5, 1}, {2024, 5, 1, 23, 59, 59}},
            {"this month on the last",
             {2024, 5, 31, 9},
             DatePreset::ThisMonth,
             {2024, 5, 1},
             {2024, 5, 31, 23, 59, 59}},
            {"this month on 29 February",
             {2024, 2, 29, 9},
             DatePreset::ThisMonth,
             {2024, 2, 1},
             {2024, 2, 29, 23, 59, 59}},
        });
}

// "All Time" reaches back to the oldest clip's day however long ago, and on to a clip
// dated after today.
TEST(DatePresets, AllTimeSpansTheDaysOfTheLibrarysClips) {
    ExpectDatePresets(kUtc, {
                                {"all time in an empty library",
                                 {2024, 5, 15, 9},
                                 DatePreset::AllTime,
                                 {2024, 5, 15},
                                 {2024, 5, 15, 23, 59, 59}},
                                {"all time from a clip of six years ago",
                                 {2024, 5, 15, 9},
                                 DatePreset::AllTime,
                                 {2018, 3, 2},
                                 {2024, 5, 15, 23, 59, 59},
                                 std::pair{LocalDateTime{2018, 3, 2, 17, 45}, LocalDateTime{2024, 5, 14, 8}}},
                                {"all time to a clip dated after today",
                                 {2024, 5, 15, 9},
                                 DatePreset::AllTime,
                                 {2024, 1, 1},
                                 {2024, 6, 1, 23, 59, 59},
                                 std::pair{LocalDateTime{2024, 1, 1}, LocalDateTime{2024, 6, 1, 12}}},
                            });
}

// A day step is 86,400 seconds, not a calendar day: across a change of daylight
// saving time the From picker lands an hour off, and on the short day it skips a date.
TEST(DatePresets, StepWholeDaysAcrossDaylightSavingTime) {
    ExpectDatePresets(
        kBerlin,
        {
            {"yesterday after the short day",
             {2025, 3, 31, 10},
             DatePreset::Yesterday,
             {2025, 3, 29, 23},
             {2025, 3, 30, 23, 59, 59}},
            {"yesterday after the long day",
             {2025, 10, 27, 10},
             DatePreset::Yesterday,
             {2025, 10, 26, 1},
             {2025, 10, 26, 23, 59, 59}},
            {"this month past the short day",
             {2025, 3, 31, 10},
             DatePreset::ThisMonth,
             {2025, 3, 1, 23},
             {2025, 3, 31, 23, 59, 59}},
            {"this month past the long day",
             {2025, 10, 31, 10},
             DatePreset::ThisMonth,
             {2025, 10, 1, 1},
             {2025, 10, 31, 23, 59, 59}},
            {"today on the short day", {2025, 3, 30, 12}, DatePreset::Today, {2025, 3, 30}, {2025, 3, 30, 23, 59, 59}},
            {"this week on the long day (Sunday)",
             {2025, 10, 26, 12},
             DatePreset::ThisWeek,
             {2025, 10, 20},
             {2025, 10, 26, 23, 59, 59}},
        });
}

TEST(DatePresets, CustomDateLeavesThePickers) {
    ScopedTimeZone pinned(kUtc);
    EXPECT_FALSE(DatePresetRange(DatePreset::CustomDate, 1715700000).has_value());
    EXPECT_FALSE(DatePresetRange(static_cast<DatePreset>(9), 1715700000).has_value());
}

TEST(TimePresets, AreTodayAtFixedClockTimes) {
    ScopedTimeZone pinned(kUtc);
    const std::int64_t now = MakeLocalTime({2024, 2, 29, 13, 14, 15});
    struct Case {
        TimePreset preset;
        int fromHour;
        int toHour;
    };
    const Case cases[] = {
        {TimePreset::Morning, 4, 10},
        {TimePreset::Afternoon, 10, 17},
        {TimePreset::Evening, 17, 23},
        {TimePreset::Night, 23, 4},
    };
    for (const Case& c : cases) {
        const std::optional<PickerRange> range = TimePresetRange(c.preset, now);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->from, (LocalDateTime{2024, 2, 29, c.fromHour}));
        EXPECT_EQ(range->to, (LocalDateTime{2024, 2, 29, c.toHour}));
    }
    EXPECT_FALSE(TimePresetRange(TimePreset::CustomTime, now).has_value());
}

TEST(FilterControls, DatePickersGiveTheWholeDaysInLocalTime) {
    FilterControls controls;
    controls.kindSelection = 0;
    controls.fromDate = {2024, 5, 10, 13, 14, 15};  // the clock time shown is ignored
    controls.toDate = {2024, 5, 12, 1, 2, 3};
    {
        ScopedTimeZone pinned(kUtc);
        const std::optional<ClipFilter> filter = ClipFilterFromControls(controls);
        ASSERT_TRUE(filter.has_value());
        EXPECT_EQ(filter->mode, FilterMode::ByDate);
        EXPECT_EQ(filter->dateFrom, 1715299200);  // 2024-05-10 00:00:00 UTC
        EXPECT_EQ(filter->dateTo, 1715558399);    // 2024-05-12 23:59:59 UTC
    }
    ScopedTimeZone pinned(kBerlin);
    const std::optional<ClipFilter> filter = ClipFilterFromControls(controls);
    ASSERT_TRUE(filter.has_value());
    EXPECT_EQ(filter->dateFrom, 1715299200 - 7200) << "summer time is two hours ahead";
    EXPECT_EQ(filter->dateTo, 1715558399 - 7200);
}

// "All Time" admits every clip whatever the pickers show: one made at midnight of the
// From day, one older than it (taken in since the pickers were set), one after To.
TEST(FilterControls, AllTimeAdmitsEveryClipWhateverThePickersShow) {
    ScopedTimeZone pinned(kBerlin);
    FilterControls controls;
    controls.kindSelection = 0;
    controls.fromDate = {2024, 5, 10};
    controls.toDate = {2024, 5, 12};
    const LocalDateTime clips[] = {{2024, 5, 10}, {2019, 7, 1, 12}, {2024, 5, 13, 0, 0, 1}, {2024, 5, 11, 12}};
    for (const int preset : {static_cast<int>(DatePreset::AllTime), static_cast<int>(DatePreset::CustomDate)}) {
        controls.datePresetSelection = preset;
        const std::optional<ClipFilter> filter = ClipFilterFromControls(controls);
        ASSERT_TRUE(filter.has_value());
        for (const LocalDateTime& clip : clips) {
            const bool inside = clip == LocalDateTime{2024, 5, 11, 12};
            EXPECT_EQ(AdmitsCreationTime(*filter, clip), preset == static_cast<int>(DatePreset::AllTime) || inside)
                << preset << " " << testing::PrintToString(clip);
        }
    }
}

TEST(FilterControls, TimeKeywordAndMissingKind) {
    FilterControls controls;
    controls.fromTime = {2001, 1, 1, 17, 0, 0};  // the dates the time pickers hold are ignored
    controls.toTime = {2030, 6, 6, 23, 0, 1};
    controls.keyword = std::wstring(kEnterKeyword);
    controls.keywordModeSelection = 1;

    EXPECT_FALSE(ClipFilterFromControls(controls).has_value()) << "no kind selected: no list";

    controls.kindSelection = 1;
    const std::optional<ClipFilter> byTime = ClipFilterFromControls(controls);
    ASSERT_TRUE(byTime.has_value());
    EXPECT_EQ(byTime->mode, FilterMode::ByTimeOfDay);
    EXPECT_EQ(byTime->secondsFrom, 61200);
    EXPECT_EQ(byTime->secondsTo, 82801);

    controls.kindSelection = 2;
    const std::optional<ClipFilter> byKeyword = ClipFilterFromControls(controls);
    ASSERT_TRUE(byKeyword.has_value());
    EXPECT_EQ(byKeyword->mode, FilterMode::ByKeyword);
    EXPECT_EQ(byKeyword->keyword, L"Enter keyword") << "the prompt text is searched for as it stands";
    EXPECT_FALSE(byKeyword->contains);
    for (int selection : {0, -1}) {
        controls.keywordModeSelection = selection;
        EXPECT_TRUE(ClipFilterFromControls(controls)->contains) << selection;
    }
}

}  // namespace
}  // namespace library
