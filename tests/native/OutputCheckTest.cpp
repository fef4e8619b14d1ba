// A conversion's output is whole only when it reads back with the length of what was
// converted; a file cut short by a killed ffmpeg, or never finished, is not.
#include "convert/OutputCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace convert {
namespace {

std::wstring ReportWith(const wchar_t* durationLine) {
    return std::wstring(
               L"ffmpeg version N-92722-gf22fcd4483 Copyright (c) 2000-2018 the FFmpeg developers\r\n"
               L"Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'C:\\out\\reelkeep-unfinished-1.mov':\r\n") +
           durationLine + L"\r\n    Stream #0:0(und): Video: mpeg4, yuv420p, 480x320\r\n";
}

TEST(OutputCheck, WholeWithTheExpectedLengthOrWhenFfmpegFinished) {
    struct Case {
        std::wstring report;
        double expected;
        bool finished;
        const wchar_t* shortfall;  // empty: whole
    };
    const std::wstring cannotPlay = L"ffmpeg ended before the file was finished: it cannot be played.";
    const Case cases[] = {
        {ReportWith(L"  Duration: 00:00:10.03, start: 0.000000, bitrate: 445 kb/s"), 10.05, false, L""},
        {ReportWith(L"  Duration: 00:00:09.06, start: 0.000000, bitrate: 445 kb/s"), 10.05, false, L""},
        {ReportWith(L"  Duration: 00:00:09.04, start: 0.000000, bitrate: 445 kb/s"), 10.05, false,
         L"ffmpeg ended before the file was finished: it plays 00:00:09 of 00:00:10."},
        {ReportWith(L"  Duration: 00:00:01.00, start: 0.000000, bitrate: 445 kb/s"), 10, false,
         L"ffmpeg ended before the file was finished: it plays 00:00:01 of 00:00:10."},
        // An input whose container promises more than it holds: ffmpeg finished all there was.
        {ReportWith(L"  Duration: 00:00:02.05, start: 0.000000, bitrate: 445 kb/s"), 30, true, L""},
        // A fiftieth of a long clip: 72 s of an hour.
        {ReportWith(L"  Duration: 00:58:48.00, start: 0.000000, bitrate: 445 kb/s"), 3600, false, L""},
        {ReportWith(L"  Duration: 00:58:47.00, start: 0.000000, bitrate: 445 kb/s"), 3600, false,
         L"ffmpeg ended before the file was finished: it plays 00:58:47 of 01:00:00."},
        {ReportWith(L"  Duration: 00:00:00.48, start: 0.000000, bitrate: 445 kb/s"), 0, false, L""},
        // Unreadable is never whole, finished or not.
        {ReportWith(L"  Duration: N/A, start: 0.000000, bitrate: N/A"), 10, true, cannotPlay.c_str()},
        {L"[mov,mp4,m4a,3gp,3g2,mj2 @ 000000000047a9c0] moov atom not found\r\n"
         L"C:\\out\\reelkeep-unfinished-1.mov: Invalid data found when processing input\r\n",
         0, false, cannotPlay.c_str()},
        {L"", 10, true, cannotPlay.c_str()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OutputShortfall(c.report, c.expected, c.finished), c.shortfall) << c.report << c.finished;
}

TEST(OutputCheck, ExpectedSecondsAreTheInputsOrTheCutsWithinIt) {
    ConvertJob whole;
    ConvertJob cut;
    cut.cut = true;
    cut.cutRange = {30, 125};
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(whole, 20.5), 20.5);
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(whole, std::nullopt), 0);
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(cut, 600.0), 95);
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(cut, 100.0), 70) << "the cut runs past the input's end";
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(cut, 20.0), 0);
    EXPECT_DOUBLE_EQ(ExpectedOutputSeconds(cut, std::nullopt), 95);
}

// The real tool's output of a 20 s conversion, fed in pieces of any size: the input's
// length from its header, and the closing statistics only where the whole run was seen.
TEST(OutputCheck, ConversionReportOfTheRealTool) {
    std::ifstream file(std::filesystem::path(REELKEEP_TEST_DATA) / "convert" / "ffmpeg-mpeg4-progress.txt",
                       std::ios::binary);
    const std::string output{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::size_t closing = output.find("video:687kB");
    ASSERT_NE(closing, std::string::npos);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{256}, output.size()}) {
        for (const bool whole : {true, false}) {
            const std::string_view fed = std::string_view(output).substr(0, whole ? output.size() : closing);
            ConversionReport report;
            for (std::size_t at = 0; at < fed.size(); at += piece) report.Feed(fed.substr(at, piece));
            EXPECT_EQ(report.inputSeconds(), std::optional<double>(20.0)) << piece;
            EXPECT_EQ(report.finished(), whole) << piece;
        }
    }
}


}  // namespace
}  // namespace convert
