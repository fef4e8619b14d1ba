#include "library/ClipRecordText.h"
#include "library/ClipRows.h"
#include "library/ClipSorter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace library {
namespace {

ClipRecord Clip(const std::wstring& title, const std::wstring& size = L"1.00 Mb", const std::wstring& time = L"") {
    ClipRecord record;
    record.cells[kTitleColumn] = title;
    record.cells[3] = size;
    record.cells[2] = time;
    record.cells[kPathColumn] = L"C:\\v\\" + title + L".flv";
    return record;
}

std::vector<std::wstring> Titles(const ClipRows& rows) {
    std::vector<std::wstring> titles;
    for (std::size_t row = 0; row < rows.size(); ++row) titles.push_back(rows.record(row).title());
    return titles;
}

// Rows a, b, c, d from the top.
ClipRows FourRows() {
    ClipRows rows;
    for (const wchar_t* title : {L"d", L"c", L"b", L"a"}) rows.PushTop(Clip(title), false);
    return rows;
}

TEST(ClipRows, NewRowsGoOnTopAndAListedPathStaysOutWhenAsked) {
    ClipRows rows = FourRows();
    EXPECT_EQ(Titles(rows), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_FALSE(rows.PushTop(Clip(L"c"), true));
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.Find(Clip(L"c").path()), 2u);
    EXPECT_EQ(rows.Find(L"C:\\v\\none.flv"), 4u);

    // A path listed twice stays listed until both its rows have gone.
    EXPECT_TRUE(rows.PushTop(Clip(L"c"), false));
    rows.Remove(0);
    EXPECT_TRUE(rows.Lists(Clip(L"c").path()));
    rows.Remove(rows.Find(Clip(L"c").path()));
    EXPECT_FALSE(rows.Lists(Clip(L"c").path()));
    EXPECT_TRUE(rows.PushTop(Clip(L"c"), true)) << "listed again once gone";
    rows.Remove(99);
    EXPECT_EQ(rows.size(), 4u) << "a row outside the list removes nothing";

    // A clip that grew keeps its place and its tick, with its new size.
    rows.SetChecked(rows.Find(Clip(L"b").path()), true);
    EXPECT_TRUE(rows.Update(Clip(L"b", L"2.00 Mb")));
    EXPECT_EQ(rows.record(rows.Find(Clip(L"b").path())).cells[3], L"2.00 Mb");
    EXPECT_TRUE(rows.checked(rows.Find(Clip(L"b").path())));
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_FALSE(rows.Update(Clip(L"none")));
}

TEST(ClipRows, TickedRowsAreCountedAndGoTogether) {
    ClipRows rows = FourRows();
    rows.SetChecked(1, true);
    rows.SetChecked(3, true);
    rows.SetChecked(3, true);
    EXPECT_EQ(rows.checkedCount(), 2u);
    std::vector<std::wstring> ticked;
    for (const ClipRecord& clip : rows.CheckedRecords()) ticked.push_back(clip.title());
    EXPECT_EQ(ticked, (std::vector<std::wstring>{L"b", L"d"}));

    rows.Remove(1);
    EXPECT_EQ(rows.checkedCount(), 1u) << "a ticked row that goes is no longer counted";
    rows.SetAllChecked(true);
    EXPECT_EQ(rows.checkedCount(), 3u);
    rows.SetChecked(0, false);
    std::vector<std::wstring> removed;
    for (const ClipRecord& clip : rows.RemoveChecked()) removed.push_back(clip.title());
    EXPECT_EQ(removed, (std::vector<std::wstring>{L"c", L"d"}));
    EXPECT_EQ(Titles(rows), std::vector<std::wstring>{L"a"});
    EXPECT_EQ(rows.checkedCount(), 0u);
    EXPECT_FALSE(rows.Lists(Clip(L"d").path()));
    EXPECT_TRUE(rows.PushTop(Clip(L"d"), true));
}

TEST(ClipRows, TypingFindsTheNextTitleThatBeginsWithIt) {
    ClipRows rows;
    for (const wchar_t* title : {L"Movie12", L"holiday", L"Movie3", L"movie"}) rows.PushTop(Clip(title), false);
    // Top down: movie, Movie3, holiday, Movie12.
    struct Case {
        const wchar_t* typed;
        std::size_t start;
        bool wrap;
        bool whole;
        std::size_t found;
    };
    const Case cases[] = {
        {L"mo", 0, false, false, 0},  {L"mo", 1, false, false, 1},   {L"MOVIE1", 0, false, false, 3},
        {L"mo", 2, false, false, 3},  {L"h", 3, false, false, 4},    {L"h", 3, true, false, 2},
        {L"movie", 1, true, true, 0}, {L"movie", 1, false, true, 4}, {L"", 2, false, false, 2},
        {L"x", 0, true, false, 4},    {L"mo", 9, true, false, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows.FindTitle(c.typed, c.start, c.wrap, c.whole), c.found)
            << testing::PrintToString(std::wstring(c.typed)) << " from " << c.start << (c.wrap ? " wrapping" : "")
            << (c.whole ? " whole" : "");
}

TEST(ClipRows, SortedByAColumnEqualRowsKeepTheirOrderAndDatesParseOnceEach) {
    ClipRows rows;
    const struct {
        const wchar_t* title;
        const wchar_t* size;
        const wchar_t* time;
    } clips[] = {{L"e", L"2.00 Mb", L"10:00:00"},
                 {L"d", L"10.00 Mb", L"bad"},
                 {L"c", L"2.00 Mb", L"09:00:00"},
                 {L"b", L"9.50 Mb", L"10:00:00"},
                 {L"a", L"2.00 Mb", L"11:00:00"}};
    for (const auto& clip : clips) rows.PushTop(Clip(clip.title, clip.size, clip.time), false);
    ASSERT_EQ(Titles(rows), (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e"}));

    std::map<std::wstring, int> parsed;
    const DateTimeParser parse = [&](std::wstring_view text) -> std::optional<double> {
        ++parsed[std::wstring(text)];
        if (text == L"bad") return std::nullopt;
        return std::stod(std::wstring(text.substr(0, 2)));
    };
    const auto sorted = [&](int column, bool ascending) {
        ClipRows copy = rows;
        copy.Reorder(ClipSorter(column, SortParameter(SortKindForColumn(column), ascending), parse).Order(copy));
        return Titles(copy);
    };
    EXPECT_EQ(sorted(3, true), (std::vector<std::wstring>{L"a", L"c", L"e", L"b", L"d"}));
    EXPECT_EQ(sorted(3, false), (std::vector<std::wstring>{L"d", L"b", L"a", L"c", L"e"}));
    EXPECT_EQ(sorted(2, true), (std::vector<std::wstring>{L"d", L"c", L"b", L"e", L"a"}));
    for (const auto& [text, times] : parsed)
        EXPECT_EQ(times, 1) << "parsed once per sort: " << testing::PrintToString(text);
    EXPECT_EQ(sorted(0, false), (std::vector<std::wstring>{L"e", L"d", L"c", L"b", L"a"}));
    EXPECT_EQ(sorted(11, true), Titles(rows)) << "a column the list does not have leaves the order";
}

TEST(ClipRecord, RowOfAClipCarriesItsTextsAndItsLength) {
    probe::ProbeFields fields;
    fields.duration = L"30.03";
    fields.resolution = L"640x360";
    fields.frameRate = L"29.97 Fps";
    fields.bitRate = L"512 kb/s";
    fields.video = L"h264";
    fields.audio = L"aac";
    const ClipRecord record = MakeClipRecord(
        {L"C:\\v\\1260000000.flv", L"1260000000.flv", L"NotSet", {2009, 12, 5, 7, 8, 9}, 1572864}, fields);
    EXPECT_EQ(record.cells,
              (decltype(record.cells){L"1260000000", L"05.12.2009", L"07:08:09", L"1.50 Mb", L"00:00:30", L"640x360",
                                      L"29.97 Fps", L"512 kb/s", L"C:\\v\\1260000000.flv", L"h264", L"aac"}));
    EXPECT_EQ(record.durationSeconds, 30);
    EXPECT_EQ(record.path(), L"C:\\v\\1260000000.flv");
}

}  // namespace
}  // namespace library
