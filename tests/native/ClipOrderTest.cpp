#include "library/ClipOrder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace library {
namespace {

constexpr std::int64_t kAscending[] = {0, 2, 3, 3, 4, 3, 2, 1, 1, 2, 2, 2};

// Stands in for the system's date parser: knows a few texts, rejects the rest.
std::optional<double> ParseKnownDate(std::wstring_view text) {
    static const std::map<std::wstring, double, std::less<>> known = {
        {L"05.03.2024", 45356.0},    {L"06.03.2024", 45357.0},     {L"also 05.03.2024", 45356.0},
        {L"00:00:30", 30.0 / 86400}, {L"00:02:05", 125.0 / 86400},
    };
    const auto found = known.find(text);
    if (found == known.end()) return std::nullopt;
    return found->second;
}

// -1 when the row of a goes first, 1 when the row of b does, 0 when they sort alike.
int Order(std::int64_t parameter, const wchar_t* a, const wchar_t* b) {
    const SortKind kind = static_cast<SortKind>(parameter < 0 ? -parameter : parameter);
    const SortKey first = ReadSortKey(kind, a, ParseKnownDate);
    const SortKey second = ReadSortKey(kind, b, ParseKnownDate);
    const bool before = SortsBefore(parameter, first, second);
    const bool after = SortsBefore(parameter, second, first);
    EXPECT_FALSE(before && after) << "no row goes both before and after another";
    return before ? -1 : after ? 1 : 0;
}

TEST(ClipOrder, ParameterIsTheColumnsKindNegatedForDescending) {
    for (int column = 0; column < 11; ++column) {
        const std::int64_t kind = kAscending[column + 1];
        EXPECT_EQ(SortParameter(SortKindForColumn(column), true), kind) << column;
        EXPECT_EQ(SortParameter(SortKindForColumn(column), false), -kind) << column;
    }
    EXPECT_EQ(SortKindForColumn(-1), SortKind::Text);
    EXPECT_EQ(SortKindForColumn(11), SortKind::Text);
}

TEST(ClipOrder, OrdersByKind) {
    struct Case {
        std::int64_t parameter;
        const wchar_t* a;
        const wchar_t* b;
        int ascending;
    };
    const Case cases[] = {
        // decimal: " Mb" ignored
        {4, L"9.50 Mb", L"10.00 Mb", -1},
        {4, L"10.00 Mb", L"9.50 Mb", 1},
        {4, L"1.00 Mb", L"1.00 Mb", 0},
        {4, L"0.99 Mb", L"1.00 Mb", -1},
        {4, L" n/a", L"0.00 Mb", 0},
        {4, L"4096.00 Mb", L"409.60 Mb", 1},
        // integer: leading digits only
        {1, L"29.97 Fps", L"30 fps", -1},
        {1, L"512 kb/s", L"64 kb/s", 1},
        {1, L"25 fps", L"25.5 fps", 0},
        {1, L" n/a", L"1 kb/s", -1},
        {1, L"2147483647 kb/s", L"-5", 1},
        // text: case-insensitive, a prefix first
        {2, L"abc", L"ABD", -1},
        {2, L"Movie7", L"movie7", 0},
        {2, L"Zebra", L"apple", 1},
        {2, L"a", L"ab", -1},
        {2, L"", L"", 0},
        // date-time through the parser; what does not parse goes first
        {3, L"05.03.2024", L"06.03.2024", -1},
        {3, L"06.03.2024", L"05.03.2024", 1},
        {3, L"05.03.2024", L"also 05.03.2024", 0},
        {3, L"00:02:05", L"00:00:30", 1},
        {3, L"31.31.2024", L"06.03.2024", -1},
        {3, L"06.03.2024", L" n/a", 1},
        {3, L"garbage", L"31.31.2024", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Order(c.parameter, c.a, c.b), c.ascending)
            << c.parameter << ' ' << testing::PrintToString(std::wstring(c.a)) << " vs "
            << testing::PrintToString(std::wstring(c.b));
        EXPECT_EQ(Order(-c.parameter, c.a, c.b), -c.ascending) << "descending " << c.parameter;
    }
}

TEST(ClipOrder, ParameterWithoutAKindSortsEveryRowAlike) {
    const SortKey a = ReadSortKey(SortKind::Text, L"a", ParseKnownDate);
    const SortKey b = ReadSortKey(SortKind::Text, L"b", ParseKnownDate);
    for (std::int64_t parameter :
         {std::int64_t{0}, std::int64_t{5}, std::int64_t{-5}, std::int64_t{1} << 40, INT64_MIN, INT64_MAX}) {
        EXPECT_FALSE(SortsBefore(parameter, a, b)) << parameter;
        EXPECT_FALSE(SortsBefore(parameter, b, a)) << parameter;
    }
}

TEST(ClipOrder, ClicksTurnTheOrderAndMoveTheArrow) {
    SortState state;
    EXPECT_EQ(state.lastSortColumn, -1);
    struct Step {
        int column;
        std::int64_t parameter;
        HeaderArrow arrow;
    };
    const Step steps[] = {
        {3, 4, HeaderArrow::Down},  // Size ascending shows the downward arrow
        {3, -4, HeaderArrow::Up},  {3, 4, HeaderArrow::Down},
        {0, 2, HeaderArrow::Down},                             // another column starts ascending
        {0, -2, HeaderArrow::Up},  {3, 4, HeaderArrow::Down},  // back again: ascending, not where it was left
        {6, 1, HeaderArrow::Down},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(ClickColumn(state, step.column), step.parameter) << step.column;
        for (int column = 0; column < 11; ++column)
            EXPECT_EQ(SortedHeaderArrow(state, column), column == step.column ? step.arrow : HeaderArrow::None)
                << "header " << column << " after a click on " << step.column;
    }
}

TEST(ClipOrder, StartupLookHasTheUpwardArrowOnTheDateOnly) {
    for (int column = 0; column < 11; ++column)
        EXPECT_EQ(StartupHeaderArrow(column), column == 1 ? HeaderArrow::Up : HeaderArrow::None);
}

}  // namespace
}  // namespace library
