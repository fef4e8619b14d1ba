#include "probe/ProbeReport.h"
#include "platform/ToolOutput.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace probe {
namespace {

const std::wstring kNa(kMissingField);

struct ReportCase {
    const char* name;
    const wchar_t* report;
    // Null where the report has no duration key: that cut is checked on its own below.
    const wchar_t* duration;
    const wchar_t* shownDuration;
    const wchar_t* resolution;
    const wchar_t* frameRate;
    const wchar_t* bitRate;
    const wchar_t* video;
    const wchar_t* audio;
};

const wchar_t kFlvVideo[] = L"flv1, yuv420p, 320x240, 200 kb/s, 29.97 fps, 29.97 tbr, 1k tbn";

// The documented examples first, then what real stream lines need beyond them.
const ReportCase kReportCases[] = {
    {"metadata duration with aligned colon",
     L"  Metadata:\r\n    duration                                        : 30.03\r\n", L"30.03", L"00:00:30",
     kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str()},
    {"container duration without metadata", L"  Duration: 00:02:05.40, start: 0.000000, bitrate: 521 kb/s\r\n",
     L"00:02:05", L"00:02:05", kNa.c_str(), kNa.c_str(), L"521 kb/s", kNa.c_str(), kNa.c_str()},
    {"container duration N/A", L"  Duration: N/A, start: 0.000000, bitrate: N/A\r\n", L"N/A, sta", L"00:00:00",
     kNa.c_str(), kNa.c_str(), L"N/A", kNa.c_str(), kNa.c_str()},
    {"width and height lines", L"    width           : 640\r\n    height          : 360\r\n", nullptr, nullptr,
     L"640x360", kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str()},
    {"size and rate from the video line",
     L"    Stream #0:0: Video: flv1, yuv420p, 320x240, 200 kb/s, 29.97 fps, 29.97 tbr, 1k tbn\r\n", nullptr, nullptr,
     L"320x240", L"29.97 Fps", kNa.c_str(), kFlvVideo, kNa.c_str()},
    {"lone height", L"    height          : 360\r\n", nullptr, nullptr, L"x360", kNa.c_str(), kNa.c_str(), kNa.c_str(),
     kNa.c_str()},
    {"lone width", L"    width : 640\r\n", nullptr, nullptr, L"640x", kNa.c_str(), kNa.c_str(), kNa.c_str(),
     kNa.c_str()},
    {"metadata frame rate gets the unit", L"    framerate       : 25\r\n", nullptr, nullptr, kNa.c_str(), L"25 Fps",
     kNa.c_str(), kNa.c_str(), kNa.c_str()},
    {"metadata lines win over the video line",
     L"width : 640\r\nheight : 360\r\nframerate : 30\r\n"
     L"  Stream #0:0: Video: flv1, yuv420p, 320x240, 29.97 fps\r\n",
     nullptr, nullptr, L"640x360", L"30 Fps", kNa.c_str(), L"flv1, yuv420p, 320x240, 29.97 fps", kNa.c_str()},
    {"four-digit height and a stream line without bit rate",
     L"  Stream #0:0: Video: flv1, yuv420p, 1920x1080, 23.98 fps, 23.98 tbr, 1k tbn\r\n", nullptr, nullptr,
     L"1920x1080", L"23.98 Fps", kNa.c_str(), L"flv1, yuv420p, 1920x1080, 23.98 fps, 23.98 tbr, 1k tbn", kNa.c_str()},
    {"codec tag is not a size; pixel format with a comma inside",
     L"  Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), "
     L"1280x720 [SAR 1:1 DAR 16:9], 1k fps, 30 tbr\r\n",
     nullptr, nullptr, L"1280x720", L"1k Fps", kNa.c_str(),
     L"h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), 1280x720 [SAR 1:1 DAR 16:9], 1k fps, 30 tbr", kNa.c_str()},
    {"video line without size or rate leaves them missing", L"  Stream #0:0: Video: vp6f, yuv420p, 90k tbn\r\n",
     nullptr, nullptr, kNa.c_str(), kNa.c_str(), kNa.c_str(), L"vp6f, yuv420p, 90k tbn", kNa.c_str()},
    {"audio stream text", L"    Stream #0:1: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\r\n", nullptr, nullptr,
     kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str(), L"mp3, 44100 Hz, stereo, fltp, 128 kb/s"},
    {"key on a last line without line end gives an empty value", L"  Stream #0:0: Video: flv1, yuv420p, 320x240",
     nullptr, nullptr, kNa.c_str(), kNa.c_str(), kNa.c_str(), L"", kNa.c_str()},
    {"empty report", L"", L"", L"00:00:00", kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str(), kNa.c_str()},
    {"keys are case-sensitive", L"WIDTH: 1\r\nBitrate: 2\r\n: video: x\r\n", nullptr, nullptr, kNa.c_str(), kNa.c_str(),
     kNa.c_str(), kNa.c_str(), kNa.c_str()},
};

// One reader of the tool's clock times: progress lines, probe and conversion reports.
TEST(ProbeReport, ClockTimesAndTheReportedDuration) {
    const std::pair<const wchar_t*, std::optional<double>> clocks[] = {
        {L"00:00:10.00", 10.0}, {L"01:02:03.25,", 3723.25}, {L"01:02:03", 3723.0},
        {L"59.5", 59.5},        {L"N/A", std::nullopt},     {L"", std::nullopt},
    };
    for (const auto& [text, seconds] : clocks) EXPECT_EQ(ParseClockTime(text), seconds) << text;

    EXPECT_DOUBLE_EQ(ReportedDuration(L"  Duration: 01:02:03.45, start: 0.0\r\n  Duration: 00:00:01.00").value_or(-1),
                     3723.45);
    EXPECT_EQ(ReportedDuration(L"  Duration: N/A, bitrate: N/A"), std::nullopt);
    EXPECT_EQ(ReportedDuration(L"Input #0, flv, from 'x.flv':"), std::nullopt);
}

TEST(ParseProbeReport, FieldsOfEachReport) {
    for (const ReportCase& c : kReportCases) {
        SCOPED_TRACE(c.name);
        const ProbeFields fields = ParseProbeReport(c.report);
        if (c.duration) {
            EXPECT_EQ(fields.duration, c.duration);
            EXPECT_EQ(FormatDuration(fields.duration), c.shownDuration);
        }
        EXPECT_EQ(fields.resolution, c.resolution);
        EXPECT_EQ(fields.frameRate, c.frameRate);
        EXPECT_EQ(fields.bitRate, c.bitRate);
        EXPECT_EQ(fields.video, c.video);
        EXPECT_EQ(fields.audio, c.audio);
    }
}

TEST(ParseProbeReport, WithoutAnyDurationKeyTheEightCharactersAfterTheTenthAreKept) {
    struct Case {
        const wchar_t* report;
        const wchar_t* duration;
    };
    const Case cases[] = {
        {L"0123456789ABCDEFGHIJ", L"ABCDEFGH"},
        {L"0123456789AB", L"AB"},
        {L"0123456789", L""},
        {L"short", L""},
        // Measured after the blanks shrink: "a b   c..." is what gets cut.
        {L"ab        cd          0123456789", L"456789"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseProbeReport(c.report).duration, c.duration) << "case " << (&c - cases);
    }
}

TEST(ParseProbeReport, WidthAndHeightAreKeptApart) {
    const ProbeFields fields = ParseProbeReport(L"width : 640\r\nheight : 360\r\n");
    EXPECT_EQ(fields.width, L"640");
    EXPECT_EQ(fields.height, L"360");
    const ProbeFields none = ParseProbeReport(L"nothing here\r\n");
    EXPECT_EQ(none.width, L"");
    EXPECT_EQ(none.height, L"");
}

TEST(NormaliseProbeReport, BlankRunsShrinkTenHalvingsDeep) {
    struct Case {
        size_t blanks;
        size_t left;
    };
    const Case cases[] = {{1, 1},  {2, 1},    {3, 1},    {32, 1},   {33, 1},
                          {64, 1}, {1024, 1}, {1025, 2}, {2048, 2}, {2049, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blanks);
        const std::wstring report = L"a" + std::wstring(c.blanks, L' ') + L"b";
        EXPECT_EQ(NormaliseProbeReport(report), L"a" + std::wstring(c.left, L' ') + L"b");
    }
}

TEST(NormaliseProbeReport, SpacedColonsCloseUpLeftToRight) {
    EXPECT_EQ(NormaliseProbeReport(L"key    :   value"), L"key: value");
    EXPECT_EQ(NormaliseProbeReport(L"a : : b"), L"a: : b");
    EXPECT_EQ(NormaliseProbeReport(L"a : b : c"), L"a: b: c");
    EXPECT_EQ(NormaliseProbeReport(L"a:b\r\n\r\n :"), L"a:b\r\n\r\n :");
}

// A clip's length as its record keeps it: what a conversion cuts and counts by.
TEST(DurationSeconds, ClockTimesAndPlainSecondsReadAsWholeSeconds) {
    struct Case {
        const wchar_t* duration;
        int seconds;
    };
    const Case cases[] = {
        {L"00:00:30", 30},
        {L"01:02:03", 3723},
        {L"23:59:59", 86399},
        {L"00:01:35.52", 95},
        {L"25:00:00", 90000},
        {L"1:05", 65},
        {L"30.03", 30},
        {L"3725", 3725},
        {L" n/a", 0},
        {L"N/A, sta", 0},
        {L"", 0},
        {L"0a:00:10", 10},
        {L"-61", 0},
        {L":05", 5},
        {L"99999999999999", 2147483647},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DurationSeconds(c.duration), c.seconds) << testing::PrintToString(std::wstring(c.duration));
}

TEST(FormatDuration, SecondsBecomeClockTime) {
    struct Case {
        const wchar_t* duration;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"30.03", L"00:00:30"}, {L"00:02:05", L"00:02:05"}, {L"N/A, sta", L"00:00:00"},
        {L"", L"00:00:00"},      {L"3725", L"01:02:05"},     {L"  \t86399.9", L"23:59:59"},
        {L"86400", L"00:00:00"}, {L"90061", L"01:01:01"},    {L"+59", L"00:00:59"},
        {L"-61", L"00:-1:-1"},   {L"12abc", L"00:00:12"},    {L"99999999999999", L"03:14:07"},
        {L"1:2", L"1:2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDuration(c.duration), c.shown)
            << "duration \"" << std::string(c.duration, c.duration + wcslen(c.duration)) << '"';
    }
}

// Reports captured from the real Windows ffmpeg.exe on clips made by the Linux ffmpeg
// (tests/data/probe/capture-reports.sh rewrites them).
std::wstring ReadCapturedReport(const std::string& name) {
    std::ifstream in(std::string(REELKEEP_TEST_DATA) + "/probe/" + name + ".report", std::ios::binary);
    EXPECT_TRUE(in) << name;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return platform::DecodeToolOutput(bytes);
}

struct CapturedCase {
    const char* name;
    const wchar_t* shownDuration;
    const wchar_t* resolution;
    const wchar_t* frameRate;
    const wchar_t* bitRate;
    const wchar_t* videoStart;
    const wchar_t* audioStart;
};

const CapturedCase kCapturedCases[] = {
    {"flv-320x240-sound", L"00:00:02", L"320x240", L"25 Fps", L"445 kb/s", L"flv1, yuv420p, 320x240, 200 kb/s",
     L"mp3, 22050 Hz, mono"},
    {"flv-320x240-silent", L"00:00:02", L"320x240", L"25 Fps", L"385 kb/s", L"flv1, yuv420p, 320x240", nullptr},
    {"flv-1920x1080-sound", L"00:00:01", L"1920x1080", L"29.97 Fps", L"2073 kb/s", L"flv1, yuv420p, 1920x1080",
     L"mp3, 44100 Hz"},
    {"mp4-320x240-sound", L"00:00:02", L"320x240", L"29.97 Fps", L"129 kb/s", L"h264 (Constrained Baseline)",
     L"aac (LC)"},
    {"mp4-1920x1080-sound", L"00:00:01", L"1920x1080", L"23.98 Fps", L"360 kb/s", L"h264 (Constrained Baseline)",
     L"aac (LC)"},
    {"mp4-1920x1080-silent", L"00:00:01", L"1920x1080", L"23.98 Fps", L"284 kb/s", L"h264 (Constrained Baseline)",
     nullptr},
    {"mp4-640x360-tagged", L"00:00:30", L"640x360", L"29.97 Fps", L"172 kb/s", L"h264 (Constrained Baseline)",
     L"aac (LC)"},
    {"truncated", L"00:00:02", L"320x240", L"25 Fps", L"156 kb/s", L"flv1, yuv420p, 320x240", L"mp3, 22050 Hz"},
    {"zero-bytes", L"00:00:00", nullptr, nullptr, nullptr, nullptr, nullptr},
    {"text-only", L"00:00:00", nullptr, nullptr, nullptr, nullptr, nullptr},
};

TEST(ParseProbeReport, ReportsCapturedFromTheRealTool) {
    for (const CapturedCase& c : kCapturedCases) {
        SCOPED_TRACE(c.name);
        const std::wstring report = ReadCapturedReport(c.name);
        ASSERT_FALSE(report.empty());
        const ProbeFields fields = ParseProbeReport(report);
        EXPECT_EQ(FormatDuration(fields.duration), c.shownDuration);
        EXPECT_EQ(fields.resolution, c.resolution ? c.resolution : kNa);
        EXPECT_EQ(fields.frameRate, c.frameRate ? c.frameRate : kNa);
        EXPECT_EQ(fields.bitRate, c.bitRate ? c.bitRate : kNa);
        if (c.videoStart) {
            EXPECT_TRUE(fields.video.starts_with(c.videoStart)) << "video reads: " << fields.video.size();
        } else {
            EXPECT_EQ(fields.video, kNa);
        }
        if (c.audioStart) {
            EXPECT_TRUE(fields.audio.starts_with(c.audioStart));
        } else {
            EXPECT_EQ(fields.audio, kNa);
        }
        // The whole stream line arrives, without its line end.
        EXPECT_EQ(fields.video.find(L'\r'), std::wstring::npos);
    }
}

TEST(ParseProbeReport, CapturedMetadataValuesAreTheStreamsOwn) {
    const ProbeFields fields = ParseProbeReport(ReadCapturedReport("mp4-640x360-tagged"));
    EXPECT_EQ(fields.duration, L"30.03");
    EXPECT_EQ(fields.width, L"640");
    EXPECT_EQ(fields.height, L"360");
    const ProbeFields unreadable = ParseProbeReport(ReadCapturedReport("zero-bytes"));
    // The first ten characters of "ffmpeg version ..." are skipped when no duration key exists.
    EXPECT_EQ(unreadable.duration, L"sion 5.1");
}

TEST(DecodeToolOutput, Utf8WhereWellFormedLatin1Elsewhere) {
    using platform::DecodeToolOutput;
    struct Case {
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"plain\r\n", L"plain\r\n"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         L"Gr\u00FC\u00DFe"},
        {"\xE2\x82\xAC", L"\u20AC"},
        {"\xF0\x9F\x8E\xAC", L"\U0001F3AC"},
        {"K\xF6ln", L"K\u00F6ln"},                          // a lone Latin-1 byte
        {"\xC3", L"\u00C3"},                                // sequence cut off at the end
        {"\xC0\xAF", L"\u00C0\u00AF"},                      // overlong '/'
        {"\xED\xA0\x80", L"\u00ED\u00A0\u0080"},            // a surrogate in UTF-8
        {"\xF4\x90\x80\x80", L"\u00F4\u0090\u0080\u0080"},  // above U+10FFFF
        {"\xE2\x82:", L"\u00E2\u0082:"},                    // bad continuation keeps the ASCII
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeToolOutput(c.bytes), c.text) << "bytes of length " << c.bytes.size();
    }
}

TEST(DecodeToolOutput, CapturedTagsReadAsTheyWereWritten) {
    const std::wstring report = ReadCapturedReport("mp4-640x360-tagged");
    EXPECT_NE(report.find(L"Gr\u00FC\u00DFe aus K\u00F6ln\r\n"), std::wstring::npos);
}

}  // namespace
}  // namespace probe
