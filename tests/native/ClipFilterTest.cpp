#include "library/ClipFilter.h"
#include "library/FilterPresets.h"

#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace library {
namespace {

using testing_support::kBerlin;
using testing_support::kUtc;
using testing_support::ScopedTimeZone;

LocalDateTime At(int hour, int minute, int second) { return {2024, 7, 1, hour, minute, second}; }

ClipFilter DateFilter(const LocalDateTime& fromDate, const LocalDateTime& toDate) {
    FilterControls controls;
    controls.kindSelection = 0;
    controls.fromDate = fromDate;
    controls.toDate = toDate;
    return *ClipFilterFromControls(controls);
}

ClipFilter TimeFilter(TimePreset preset) {
    const PickerRange range = *TimePresetRange(preset, MakeLocalTime(At(12, 0, 0)));
    FilterControls controls;
    controls.kindSelection = 1;
    controls.fromTime = range.from;
    controls.toTime = range.to;
    return *ClipFilterFromControls(controls);
}

ClipFilter KeywordFilter(std::wstring keyword, bool contains) {
    ClipFilter filter;
    filter.mode = FilterMode::ByKeyword;
    filter.keyword = std::move(keyword);
    filter.contains = contains;
    return filter;
}

TEST(ClipFilter, DateBoundsAreExclusive) {
    for (const char* zone : {kUtc, kBerlin}) {
        ScopedTimeZone pinned(zone);
        const ClipFilter filter = DateFilter({2024, 5, 10}, {2024, 5, 12});
        struct Case {
            LocalDateTime created;
            bool admitted;
        };
        const Case cases[] = {
            {{2024, 5, 10, 0, 0, 0}, false},  // exactly at the From date's first second
            {{2024, 5, 10, 0, 0, 1}, true},     {{2024, 5, 9, 23, 59, 59}, false}, {{2024, 5, 12, 23, 59, 58}, true},
            {{2024, 5, 12, 23, 59, 59}, false}, {{2024, 5, 13, 0, 0, 0}, false},
        };
        for (const Case& c : cases)
            EXPECT_EQ(AdmitsCreationTime(filter, c.created), c.admitted)
                << zone << ' ' << c.created.day << ' ' << c.created.hour << ':' << c.created.second;
    }
}

TEST(ClipFilter, TimeOfDayBoundsAreExclusiveAndNightWrapsPastMidnight) {
    ScopedTimeZone pinned(kUtc);
    struct Case {
        TimePreset preset;
        LocalDateTime created;
        bool admitted;
    };
    const Case cases[] = {
        {TimePreset::Evening, At(17, 0, 0), false},  {TimePreset::Evening, At(17, 0, 1), true},
        {TimePreset::Evening, At(22, 59, 59), true}, {TimePreset::Evening, At(23, 0, 0), false},
        {TimePreset::Morning, At(3, 59, 59), false}, {TimePreset::Morning, At(9, 30, 0), true},
        {TimePreset::Night, At(23, 0, 0), false},    {TimePreset::Night, At(23, 0, 1), true},
        {TimePreset::Night, At(0, 0, 0), true},      {TimePreset::Night, At(3, 59, 59), true},
        {TimePreset::Night, At(4, 0, 0), false},     {TimePreset::Night, At(12, 0, 0), false},
        {TimePreset::Night, At(22, 59, 59), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdmitsCreationTime(TimeFilter(c.preset), c.created), c.admitted)
            << static_cast<int>(c.preset) << " at " << c.created.hour << ':' << c.created.minute << ':'
            << c.created.second;
}

TEST(ClipFilter, EqualTimeBoundsAdmitNothing) {
    ClipFilter filter;
    filter.mode = FilterMode::ByTimeOfDay;
    filter.secondsFrom = filter.secondsTo = 3600;
    for (int hour : {0, 1, 2, 23}) EXPECT_FALSE(AdmitsCreationTime(filter, At(hour, 0, 0))) << hour;
    EXPECT_FALSE(AdmitsCreationTime(filter, At(1, 0, 1)));
}

TEST(ClipFilter, KeywordIsFoundIgnoringCase) {
    struct Case {
        const wchar_t* keyword;
        bool contains;
        const wchar_t* title;
        bool admitted;
    };
    const Case cases[] = {
        {L"movie", true, L"Movie7", true},
        {L"movie", false, L"Movie7", false},
        {L"MOVIE", true, L"my movie", true},
        {L"movies", true, L"Movie7", false},
        {L"movies", false, L"Movie7", true},
        {L"untitled", true, L"NotSet", true},
        {L"UNTITLED", true, L"NotSet", true},
        {L"notset", true, L"NotSet", false},
        {L"notset", false, L"NotSet", true},
        {L"", true, L"Movie7", true},
        {L"", true, L"NotSet", true},
        {L"", true, L"", true},
        {L"", false, L"Movie7", false},
        {L"", false, L"NotSet", false},
        {L"", false, L"", false},
        {L"Enter keyword", true, L"Movie7", false},
        {L"Enter keyword", true, L"where to ENTER KEYWORDS", true},
        {L"Enter keyword", false, L"Movie7", true},
    };
    for (const Case& c : cases) {
        const ClipFilter filter = KeywordFilter(c.keyword, c.contains);
        EXPECT_EQ(AdmitsTitle(filter, c.title), c.admitted)
            << "keyword '" << testing::PrintToString(std::wstring(c.keyword)) << "' contains " << c.contains
            << " title " << testing::PrintToString(std::wstring(c.title));
    }
}

TEST(ClipFilter, ReadsTheTitleOnlyForAKeywordFilter) {
    ScopedTimeZone pinned(kUtc);
    int reads = 0;
    const auto readTitle = [&reads] {
        ++reads;
        return std::wstring(L"Movie7");
    };

    ClipFilter byTime = TimeFilter(TimePreset::Afternoon);
    EXPECT_TRUE(AdmitsClip(byTime, At(12, 0, 0), readTitle));
    ClipFilter byDate = DateFilter({2024, 7, 1}, {2024, 7, 1});
    EXPECT_TRUE(AdmitsClip(byDate, At(12, 0, 0), readTitle));
    EXPECT_EQ(reads, 0);

    EXPECT_TRUE(AdmitsClip(KeywordFilter(L"movie", true), At(12, 0, 0), readTitle));
    EXPECT_EQ(reads, 1);
}

TEST(ClipFilter, UnknownModeAdmitsNothing) {
    ClipFilter filter;
    filter.mode = static_cast<FilterMode>(3);
    filter.dateFrom = filter.secondsFrom = -1;
    filter.dateTo = filter.secondsTo = std::int64_t{1} << 40;
    int reads = 0;
    EXPECT_FALSE(AdmitsClip(filter, At(12, 0, 0), [&reads] {
        ++reads;
        return std::wstring();
    }));
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(AdmitsTitle(filter, L"Movie7"));
}

}  // namespace
}  // namespace library
