#include "convert/Progress.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace convert {
namespace {

std::vector<std::int64_t> feedAll(ProgressParser& parser, std::string_view text, size_t chunkSize) {
    std::vector<std::int64_t> reports;
    for (size_t at = 0; at < text.size(); at += chunkSize) {
        for (std::int64_t seconds : parser.Feed(text.substr(at, chunkSize))) reports.push_back(seconds);
    }
    return reports;
}

std::string readGolden(const char* name) {
    std::ifstream file(std::string(REELKEEP_TEST_DATA) + "/convert/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ProgressParse, ReportsInOneChunk) {
    struct Case {
        const char* output;
        std::vector<std::int64_t> expected;
    };
    const Case cases[] = {
        {"frame=  100 fps=0.0 q=5.0 size=     512kB time=47.88 bitrate=  87.6kbits/s", {47}},
        {"size=  12kB time=12 bitrate=N/A", {0}},
        {"frame=  10 time=00:00:47.88 bitrate= 1.0kbits/s\r", {47}},
        {"time=01:02:03.50 ", {3723}},
        {"time=N/A bitrate=N/A", {0}},
        {"time=-00:00:00.04 bitrate=N/A", {0}},
        {"time=.5 ", {0}},
        {"time=3.1 x time=4.2 y time=5.3\r", {3, 4, 5}},
        {"Duration: 00:01:35.00, start: 0.000000, bitrate: 300 kb/s", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        ProgressParser parser;
        EXPECT_EQ(parser.Feed(c.output), c.expected) << c.output;
    }
}

TEST(ProgressParse, AReportSplitAnywhereReadsTheSame) {
    const std::string output = "frame=  1 size=1kB time=00:01:35.04 bitrate=1.0kbits/s\rframe= 2 time=47.88 x";
    for (size_t split = 0; split <= output.size(); ++split) {
        ProgressParser parser;
        std::vector<std::int64_t> reports = parser.Feed(std::string_view(output).substr(0, split));
        for (std::int64_t seconds : parser.Feed(std::string_view(output).substr(split))) reports.push_back(seconds);
        EXPECT_EQ(reports, (std::vector<std::int64_t>{95, 47})) << "split at " << split;
    }
    ProgressParser parser;
    EXPECT_EQ(parser.Feed("time=12"), std::vector<std::int64_t>{}) << "the value may go on in the next chunk";
    EXPECT_EQ(parser.Feed(" bitrate"), std::vector<std::int64_t>{0});
}

TEST(ProgressParse, CapturedRunOfTheRealTool) {
    // ffmpeg's output of a 20 s conversion with a report every tenth of a second.
    const std::string output = readGolden("ffmpeg-mpeg4-progress.txt");
    ASSERT_FALSE(output.empty());
    const std::vector<std::int64_t> expected = {0, 1, 4, 7, 10, 12, 14, 17, 19, 20};
    for (size_t chunkSize : {size_t{1}, size_t{7}, size_t{256}, output.size()}) {
        ProgressParser parser;
        EXPECT_EQ(feedAll(parser, output, chunkSize), expected) << "chunks of " << chunkSize;
        EXPECT_LT(parser.pendingSize(), 64u);
    }
}

TEST(ProgressParse, MemoryStaysSmallAndGarbageIsHarmless) {
    ProgressParser parser;
    const std::string noise(100000, 't');
    EXPECT_TRUE(parser.Feed(noise).empty());
    EXPECT_LE(parser.pendingSize(), 4u);

    // Values that would overflow any integer are capped, then fall beyond every range.
    const auto huge = parser.Feed("time=99999999999999999999999999.5 time=9999:99999999999999999:99.1 ");
    ASSERT_EQ(huge.size(), 2u);
    EXPECT_FALSE(SingleClipProgress(huge[0], 95));
    EXPECT_FALSE(SingleClipProgress(huge[1], 95));

    // An endless value is dropped instead of being buffered.
    EXPECT_TRUE(parser.Feed("time=" + std::string(1000, '1')).empty());
    EXPECT_LT(parser.pendingSize(), 64u);
    EXPECT_TRUE(parser.Feed(".5 ").empty());
    EXPECT_EQ(parser.Feed("time=3.0 "), std::vector<std::int64_t>{3});
}

TEST(ProgressDisplay, SingleClip) {
    struct Case {
        std::int64_t seconds;
        int upper;
        bool shown;
        int bar;
        const wchar_t* label;
    };
    const Case cases[] = {
        {47, 95, true, 47, L"49%"}, {0, 95, true, 0, L"0%"}, {95, 95, true, 95, L"100%"},
        {96, 95, false, 0, L""},    {1, 3, true, 1, L"33%"}, {359999, 359999, true, 359999, L"100%"},
        {-1, 95, false, 0, L""},
    };
    for (const Case& c : cases) {
        const auto display = SingleClipProgress(c.seconds, c.upper);
        ASSERT_EQ(display.has_value(), c.shown) << c.seconds << "/" << c.upper;
        if (!display) continue;
        EXPECT_FALSE(display->indeterminate);
        EXPECT_EQ(display->barPosition, c.bar);
        EXPECT_EQ(display->label, c.label);
    }
}

TEST(ProgressDisplay, RangeOfZeroIsIndeterminateUntilTheEnd) {
    for (std::int64_t seconds : {0, 5, 100000}) {
        const auto display = SingleClipProgress(seconds, 0);
        ASSERT_TRUE(display);
        EXPECT_TRUE(display->indeterminate);
        EXPECT_EQ(display->label, L"") << "no percentage is claimed";
    }
    EXPECT_TRUE(StartProgress(0).indeterminate);
    const ProgressDisplay end = FinishedProgress(0);
    EXPECT_FALSE(end.indeterminate);
    EXPECT_EQ(end.barPosition, 0);
    EXPECT_EQ(end.label, L"100%");
}

TEST(ProgressDisplay, StartAndEndOfARun) {
    const ProgressDisplay start = StartProgress(95);
    EXPECT_FALSE(start.indeterminate);
    EXPECT_EQ(start.barPosition, 0);
    EXPECT_EQ(start.label, L"0%");
    const ProgressDisplay end = FinishedProgress(95);
    EXPECT_EQ(end.barPosition, 95);
    EXPECT_EQ(end.label, L"100%");
}

TEST(ProgressDisplay, BatchRowAndOverall) {
    BatchProgressState state;
    state.rowUpperLimit = 100;
    state.overallUpperLimit = 1000;
    state.doneSeconds = 300;
    state.rowNumber = 2;
    state.rowCount = 5;

    const auto middle = BatchProgress(50, state);
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->row.barPosition, 50);
    EXPECT_EQ(middle->row.label, L"File 2 of 5 - 50%");
    ASSERT_TRUE(middle->overall);
    EXPECT_EQ(middle->overall->barPosition, 350);
    EXPECT_EQ(middle->overall->label, L"All files - 35%");

    EXPECT_FALSE(BatchProgress(101, state)) << "beyond the row changes nothing";

    BatchProgressState zeroRow = state;
    zeroRow.rowUpperLimit = 0;
    const auto unknownRow = BatchProgress(40, zeroRow);
    ASSERT_TRUE(unknownRow);
    EXPECT_TRUE(unknownRow->row.indeterminate);
    EXPECT_EQ(unknownRow->row.label, L"File 2 of 5");
    ASSERT_TRUE(unknownRow->overall);
    EXPECT_EQ(unknownRow->overall->barPosition, 340);

    BatchProgressState zeroTotal = state;
    zeroTotal.overallUpperLimit = 0;
    const auto unknownTotal = BatchProgress(50, zeroTotal);
    ASSERT_TRUE(unknownTotal && unknownTotal->overall);
    EXPECT_TRUE(unknownTotal->overall->indeterminate);
    EXPECT_EQ(unknownTotal->row.label, L"File 2 of 5 - 50%");

    // A row's start and end, and the batch's end, over a 32-bit total (20 hours).
    BatchProgressState longBatch = state;
    longBatch.overallUpperLimit = 72000;
    longBatch.doneSeconds = 0;
    const BatchProgressDisplay start = BatchRowStart(longBatch);
    EXPECT_EQ(start.row.label, L"File 2 of 5 - 0%");
    ASSERT_TRUE(start.overall);
    EXPECT_EQ(start.overall->label, L"All files - 0%");
    EXPECT_TRUE(BatchRowStart(zeroRow).row.indeterminate);
    EXPECT_EQ(BatchRowFinished(state).label, L"File 2 of 5 - 100%");
    EXPECT_EQ(BatchRowFinished(state).barPosition, 100);
    EXPECT_EQ(BatchAllFinished(longBatch).barPosition, 72000);
    EXPECT_EQ(BatchAllFinished(longBatch).label, L"All files - 100%");
}

TEST(ToolErrorLine, KeepsTheLastLineThatSaysWhy) {
    struct Case {
        std::vector<std::string> chunks;
        std::string expected;
    };
    const Case cases[] = {
        {{"ffmpeg version N\r\nInput #0\r\n", "C:\\gone\\a.mov: No such file or directory\r\n"},
         "C:\\gone\\a.mov: No such file or directory"},
        {{"Error while opening encoder\r\n", "Conversion failed!\r\n"}, "Error while opening encoder"},
        {{"Stream mapping:\r\nframe=  10 fps=0.0 q=5.0 size=  12kB time=00:00:0", "1.00 bitrate=1\r"},
         "Stream mapping:"},
        {{"split across ch", "unks: Permission denied"}, "split across chunks: Permission denied"},
        {{"frame=1\r", "size=2\r\n"}, ""},
        {{}, ""},
    };
    for (const Case& c : cases) {
        ToolErrorLine line;
        for (const std::string& chunk : c.chunks) line.Feed(chunk);
        EXPECT_EQ(line.line(), c.expected);
    }
    ToolErrorLine runaway;
    runaway.Feed(std::string(100000, 'x'));
    EXPECT_LE(runaway.line().size(), 1024u);
}

}  // namespace
}  // namespace convert
