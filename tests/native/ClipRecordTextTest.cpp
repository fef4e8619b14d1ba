#include "library/ClipRecordText.h"

#include <gtest/gtest.h>

namespace library {
namespace {

TEST(ClipRecordText, TitleOfAClipWithoutOne) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* fileName;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"NotSet", L"1260000000.flv", L"1260000000"},
        {L"NotSet", L"1260000000.mp4", L"1260000000.mp4"},
        {L"NotSet", L"1234567890.mp4", L"How Reelkeep works"},
        {L"Intro", L"1234567890.mp4", L"Intro"},
        {L"NotSet", L"1234567890.MP4", L"1234567890.MP4"},
        {L"NotSet", L"1234567890.flv", L"1234567890"},
        {L"NotSet", L"a.flv.b.flv", L"a.b"},
        {L"NotSet", L"clip.FLV", L"clip.FLV"},
        {L"NotSet", L"x.f.flvlv", L"x.flv"},  // one pass: what the removal joins stays
        {L"NotSet", L".flv", L""},
        {L"notset", L"1260000000.flv", L"notset"},
        {L"Movie3", L"1260000000.flv", L"Movie3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayTitle(c.stored, c.fileName), c.shown)
            << testing::PrintToString(std::wstring(c.stored)) << " / "
            << testing::PrintToString(std::wstring(c.fileName));
}

TEST(ClipRecordText, SizeInMebibytesFromTheLow32BitsInSinglePrecision) {
    struct Case {
        std::uint64_t bytes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"0.00 Mb"},
        {1048576, L"1.00 Mb"},
        {9961472, L"9.50 Mb"},
        {5242, L"0.00 Mb"},
        {5243, L"0.01 Mb"},
        {131072, L"0.13 Mb"},  // an exact tie rounds away from zero
        {393216, L"0.38 Mb"},
        {16792945, L"16.01 Mb"},  // double precision would say 16.02
        {0xFFFFFFFFull, L"4096.00 Mb"},
        {0x100000000ull, L"0.00 Mb"},  // 4 GiB wraps round
        {0x100000000ull + 1048576, L"1.00 Mb"},
    };
    for (const Case& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(ClipRecordText, DateAndTimeOfView) {
    EXPECT_EQ(DateText({2024, 3, 5, 7, 8, 9}), L"05.03.2024");
    EXPECT_EQ(DateText({2009, 12, 31}), L"31.12.2009");
    EXPECT_EQ(TimeText({2024, 3, 5, 7, 8, 9}), L"07:08:09");
    EXPECT_EQ(TimeText({2024, 3, 5, 0, 0, 0}), L"00:00:00");
    EXPECT_EQ(TimeText({2024, 3, 5, 23, 59, 59}), L"23:59:59");
}

TEST(ClipRecordText, ListedOnlyWhenTheReportMentionsVideo) {
    EXPECT_TRUE(ReportListsClip(L"    Stream #0:0: Video: flv1, yuv420p, 320x240"));
    EXPECT_TRUE(ReportListsClip(L"Input #0, flv, from 'x':\n  Metadata:\n    videocodecid : 2"));
    EXPECT_FALSE(ReportListsClip(L"    Stream #0:0: Audio: mp3, 44100 Hz"));
    EXPECT_FALSE(ReportListsClip(L"VIDEO"));
    EXPECT_FALSE(ReportListsClip(L""));

    // The echoed path of a clip in "Videos\" is not a video stream.
    const std::wstring path = L"C:\\Reelkeep\\Videos\\1260000007.flv";
    EXPECT_FALSE(ReportListsClip(path + L": Invalid data found when processing input", path));
    EXPECT_FALSE(ReportListsClip(L"Input #0, flv, from '" + path + L"':\n  Duration: N/A\n" + path + L": error", path));
    EXPECT_TRUE(ReportListsClip(L"Input #0, flv, from '" + path + L"':\n    Stream #0:0: Video: flv1", path));
    EXPECT_FALSE(ReportListsClip(L"Vid" + path + L"eo", path)) << "no word is made across a removed path";

    // Our tool's banner names its components, which are no stream of the file.
    const std::wstring banner =
        L"ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\r\n"
        L"  configuration: --enable-encoder=rawvideo --enable-decoder=mpeg2video\r\n";
    EXPECT_FALSE(ReportListsClip(banner + path + L": could not find codec parameters\r\n", path));
    EXPECT_TRUE(ReportListsClip(banner + L"    Stream #0:0: Video: flv1\r\n", path));
}

}  // namespace
}  // namespace library
