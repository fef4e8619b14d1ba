// The capture path's decisions: which cache entries are looked at, what a probe report
// makes of a file, the library name and the movie numbering.
#include "capture/CaptureRules.h"
#include "library/ImportRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <string>
#include <vector>

namespace capture {
namespace {

TEST(CaptureRules, SizeRuleTakesOnlyFilesLargerThan200000Bytes) {
    EXPECT_FALSE(PassesSizeRule(0));
    EXPECT_FALSE(PassesSizeRule(199999));
    EXPECT_FALSE(PassesSizeRule(200000));
    EXPECT_TRUE(PassesSizeRule(200001));
    // A stream past 4 GiB whose low 32 bits look small is still a stream.
    EXPECT_TRUE(PassesSizeRule((std::uint64_t{1} << 32) + 100));
}

TEST(CaptureRules, NameRule) {
    struct Case {
        const wchar_t* name;
        bool accepted;
    };
    const Case cases[] = {
        {L"F2A3B1C0", true},  // cache entries without extension
        {L"clip.flv", true},    {L"clip.mp4", true},
        {L"CACHE~1.tmp", true}, {L"videoplayback.flv?range=1", true},
        {L"a.flv.html", true},  // the first ".flv" lies after the start
        {L"x.mp4.tmp", true},   {L"Grüße.flv", true},
        {L"clip.FLV", false},  // the extensions count in lower case only
        {L"clip.Mp4", false},   {L".flv", false},
        {L".mp4", false},       {L".flv.flv", false},  // its first ".flv" is at the start
        {L"index.html", false}, {L"logo.png", false},
        {L"data_1", true},      {L".", false},
        {L"a.", false},         {L"", true},
    };
    for (const Case& c : cases) EXPECT_EQ(PassesNameRule(c.name), c.accepted) << std::wstring(c.name).c_str();
}

TEST(CaptureRules, ProbeReportVerdicts) {
    const std::wstring withSound =
        L"Input #0, flv, from 'a':\r\n  Stream #0:0: Video: flv1, yuv420p, 320x240\r\n"
        L"  Stream #0:1: Audio: mp3, 22050 Hz, mono\r\n";
    const std::wstring silent = L"Input #0, flv, from 'a':\r\n  Stream #0:0: Video: flv1, yuv420p, 320x240\r\n";
    const std::wstring audioOnly = L"Input #0, mp3, from 'a':\r\n  Stream #0:0: Audio: mp3, 44100 Hz\r\n";
    const std::wstring text = L"C:\\cache\\text.flv: Invalid data found when processing input\r\n";
    // The path is echoed, and a capture's copy is made under "Videos\": neither counts.
    const std::wstring pathOnly = L"C:\\My video\\x: Invalid data found when processing input\r\n";
    const std::wstring echoes =
        L"Input #0, flv, from 'C:\\P\\Videos\\in\\1.flv':\r\n  Duration: N/A\r\n"
        L"C:\\P\\Videos\\in\\1.flv: Invalid data found when processing input\r\n";
    // "Audio:" without the blanks around it is not a sound stream.
    const std::wstring audioWordOnly = L"  Stream #0:0: Video: h264\r\n  Metadata: Audio:none\r\n";
    struct Case {
        const std::wstring* report;
        bool keepSilent;
        const wchar_t* probedPath;
        IntakeVerdict verdict;
    };
    const Case cases[] = {
        {&withSound, false, L"a", IntakeVerdict::Keep},
        {&withSound, true, L"a", IntakeVerdict::Keep},
        {&silent, false, L"a", IntakeVerdict::SilentVideo},
        {&silent, true, L"a", IntakeVerdict::Keep},
        {&audioOnly, false, L"a", IntakeVerdict::NotVideo},
        {&audioOnly, true, L"a", IntakeVerdict::NotVideo},
        {&text, false, L"C:\\cache\\text.flv", IntakeVerdict::NotVideo},
        {&pathOnly, true, L"C:\\My video\\x", IntakeVerdict::NotVideo},
        {&echoes, true, L"C:\\P\\Videos\\in\\1.flv", IntakeVerdict::NotVideo},
        // Another path that says "video" is not the file's own echo.
        {&pathOnly, true, L"C:\\elsewhere", IntakeVerdict::Keep},
        {&audioWordOnly, false, L"a", IntakeVerdict::SilentVideo},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeProbeReport(*c.report, c.keepSilent, c.probedPath), c.verdict)
            << c.report->size() << " " << c.keepSilent;
    }
    EXPECT_EQ(JudgeProbeReport(L"", false, L"a"), IntakeVerdict::NotVideo);
}

TEST(CaptureRules, CreationSecondAndLibraryNames) {
    // 2009-12-01 12:00:00 UTC.
    const std::uint64_t noon = 116444736000000000ull + 1259668800ull * 10000000ull;
    EXPECT_EQ(CreationSecond(noon), 1259668800);
    EXPECT_EQ(CreationSecond(noon + 9999999), 1259668800);  // truncated, not rounded
    EXPECT_EQ(CreationSecond(116444736000000000ull), 0);
    // Before 1970 the seconds are negative; past 2038 the low 32 bits read negative.
    EXPECT_EQ(CreationSecond(116444736000000000ull - 10000000ull), -1);
    EXPECT_EQ(CreationSecond(116444736000000000ull + 2147483648ull * 10000000ull), -2147483647 - 1);

    EXPECT_EQ(library::LibraryClipName(1259668800, 0), L"1259668800.flv");
    EXPECT_EQ(library::LibraryClipName(1259668800, 1), L"1259668800_2.flv");
    EXPECT_EQ(library::LibraryClipName(1259668800, 9), L"1259668800_10.flv");
    EXPECT_EQ(library::LibraryClipName(-5, 0), L"-5.flv");
    std::vector<std::wstring> names;
    for (int attempt = 0; attempt < 20; ++attempt) names.push_back(library::LibraryClipName(7, attempt));
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j) EXPECT_NE(names[i], names[j]);
}

TEST(CaptureRules, MovieNumberOfTitle) {
    struct Case {
        const wchar_t* title;
        std::int32_t number;
    };
    const Case cases[] = {
        {L"Movie3", 3},
        {L"Movie10", 10},
        {L"Holiday", 0},
        {L"Movie", 0},
        {L"Movie0", 0},
        {L"Movie 42", 42},
        {L"Movie-7", -7},
        {L"Movie+8", 8},
        {L"MyMovie5", 0},
        {L"5Movie", 5},
        {L"MovieMovie9", 9},
        {L"Movie12b", 12},
        {L"Movie99999999999", 2147483647},
        {L"NotSet", 0},
        {L"Mov ie4", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(MovieNumberOfTitle(c.title), c.number) << std::wstring(c.title).c_str();
}

TEST(CaptureRules, MovieNumbersRememberTheHighestEverSeen) {
    MovieNumbers numbers;
    EXPECT_EQ(numbers.NextText(), L"1");
    for (const wchar_t* title : {L"Movie3", L"Movie10", L"Holiday"}) numbers.See(title);
    EXPECT_EQ(numbers.NextText(), L"11");
    // Lower numbers, zero and negatives never lower it.
    for (const wchar_t* title : {L"Movie2", L"Movie0", L"Movie-50", L"Movie"}) numbers.See(title);
    EXPECT_EQ(numbers.NextText(), L"11");
    numbers.See(L"Movie12");
    EXPECT_EQ(numbers.NextText(), L"13");

    MovieNumbers onlyZeros;
    onlyZeros.See(L"Movie");
    onlyZeros.See(L"Movie0");
    EXPECT_EQ(onlyZeros.NextText(), L"1");

    MovieNumbers largest;
    largest.See(L"Movie2147483647");
    EXPECT_EQ(largest.NextText(), L"2147483648");
}

TEST(CaptureRules, OnlyTheToolsOwnReportIsAVerdict) {
    EXPECT_TRUE(
        IsToolReport(L"ffmpeg version N-92722-gf22fcd4483 Copyright (c) 2000-2018\r\n  built with gcc\r\n"
                     L"text-page: Invalid data found when processing input\r\n"));
    for (const wchar_t* report : {L"", L"'ffmpeg.exe' is not recognized as a program\r\n", L"MZ\x90garbage"})
        EXPECT_FALSE(IsToolReport(report)) << report;
}

TEST(CaptureRules, NumbersGivenToClipsStillThereStayTakenUnseen) {
    MovieNumbers numbers;
    numbers.See(L"Movie4");
    numbers.Given(L"5", L"a.flv");
    numbers.Given(L"6", L"b.flv");
    const auto present = [](std::initializer_list<const wchar_t*> clips) {
        std::vector<std::wstring> names(clips.begin(), clips.end());
        return [names](const std::wstring& clip) { return std::find(names.begin(), names.end(), clip) != names.end(); };
    };
    EXPECT_EQ(numbers.NextText(present({L"a.flv", L"b.flv"})), L"7");
    EXPECT_EQ(numbers.NextText(present({L"a.flv"})), L"6");
    EXPECT_EQ(numbers.NextText(present({})), L"5") << "a deleted clip's unseen number may come back";
}

}  // namespace
}  // namespace capture
