#include "convert/BatchPlan.h"

#include <gtest/gtest.h>

#include <set>

namespace convert {
namespace {

std::vector<BatchRow> rowsNamed(std::initializer_list<const wchar_t*> names) {
    std::vector<BatchRow> rows;
    int seconds = 10;
    for (const wchar_t* name : names) {
        rows.push_back({name, std::wstring(L"C:\\lib\\") + name + L".flv", seconds});
        seconds += 10;
    }
    return rows;
}

FileExistsProbe existing(std::set<std::wstring> files) {
    return [files](const std::wstring& path) { return files.count(path) > 0; };
}

TEST(BatchPlan, PreScanAsksOneQuestionAndTheAnswerChoosesTheRows) {
    struct Case {
        const char* what;
        std::vector<BatchRow> rows;
        std::set<std::wstring> files;
        std::optional<OverwriteAnswer> answer;
        std::optional<std::wstring> question;
        std::vector<int> converted;  // empty with no mode: the batch ends at once
        std::int64_t overall;
    };
    const std::wstring plural = L". Would you like to replace the existing files?";
    const Case cases[] = {
        {"nothing exists", rowsNamed({L"A", L"B"}), {}, std::nullopt, std::nullopt, {0, 1}, 30},
        {"A, B, A with A.mp4 there: both A rows count, A listed once",
         rowsNamed({L"A", L"B", L"A"}),
         {L"D:\\out\\A.mp4"},
         OverwriteAnswer::No,
         L"Current folder already contains files named 'A.mp4'" + plural,
         {1},
         20},
        {"the same, Yes converts all three",
         rowsNamed({L"A", L"B", L"A"}),
         {L"D:\\out\\A.mp4"},
         OverwriteAnswer::Yes,
         L"Current folder already contains files named 'A.mp4'" + plural,
         {0, 1, 2},
         60},
        {"ba.mp4 first keeps a.mp4 out of the list",
         rowsNamed({L"ba", L"a"}),
         {L"D:\\out\\ba.mp4", L"D:\\out\\a.mp4"},
         OverwriteAnswer::Yes,
         L"Current folder already contains files named 'ba.mp4'" + plural,
         {0, 1},
         30},
        {"one existing row: the singular question",
         rowsNamed({L"x", L"y"}),
         {L"D:\\out\\y.mp4"},
         OverwriteAnswer::Cancel,
         L"Current folder already contains a file named 'y.mp4'. Would you like to replace the existing file?",
         {},
         0},
        {"two of five exist, No: three rows, their seconds",
         rowsNamed({L"a", L"b", L"c", L"d", L"e"}),
         {L"D:\\out\\b.mp4", L"D:\\out\\d.mp4"},
         OverwriteAnswer::No,
         L"Current folder already contains files named 'b.mp4', 'd.mp4'" + plural,
         {0, 2, 4},
         10 + 30 + 50},
        {"every output exists, No ends the batch",
         rowsNamed({L"a"}),
         {L"D:\\out\\a.mp4"},
         OverwriteAnswer::No,
         L"Current folder already contains a file named 'a.mp4'. Would you like to replace the existing file?",
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BatchScan scan = ScanBatch(c.rows, L"D:\\out", L".mp4", existing(c.files));
        EXPECT_EQ(BatchOverwriteQuestion(scan), c.question);
        const std::optional<BatchMode> mode = DecideBatchMode(scan, c.answer);
        if (c.converted.empty()) {
            EXPECT_FALSE(mode);
            continue;
        }
        ASSERT_TRUE(mode);
        const BatchSchedule schedule = ScheduleBatch(scan, *mode);
        EXPECT_EQ(schedule.rows, c.converted);
        EXPECT_EQ(schedule.overallSeconds, c.overall);
    }
}

}  // namespace
}  // namespace convert
