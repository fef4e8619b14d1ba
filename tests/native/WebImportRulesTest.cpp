// What the web import reads out of pages and makes of it.
#include "webimport/DownloadLog.h"
#include "webimport/PageScrape.h"

#include <gtest/gtest.h>

#include <tuple>

namespace webimport {
namespace {

constexpr wchar_t kToken[] = L"\"t\": \"tok1\",";
constexpr wchar_t kTitle[] = L"<meta name=\"title\" content=\"A &amp; B\">";

TEST(PageScrape, MarkerTableInItsOrder) {
    struct Case {
        std::wstring page;
        PageValues expected;
        bool complete;
    };
    const std::wstring tail = std::wstring(kToken) + kTitle;
    const Case cases[] = {
        {L"x 'VIDEO_ID': 'abc', y" + tail, {L"abc", L"tok1", L"A &amp; B"}, true},
        // The first marker found wins even when a later one comes earlier in the page.
        {L"video_id=zzz&a 'VIDEO_ID': 'abc'," + tail, {L"abc", L"tok1", L"A &amp; B"}, true},
        {L"?video_id=def&x=1" + tail, {L"def", L"tok1", L"A &amp; B"}, true},
        {L"<input name=\"video_id\" value=\"ghi\">" + tail, {L"ghi", L"tok1", L"A &amp; B"}, true},
        {L"{\"video_id\": \"jkl\"}" + tail, {L"jkl", L"tok1", L"A &amp; B"}, true},
        // "video_id=" as the last text: no "&" follows, so the value is empty, not NULL.
        {tail + L"video_id=", {L"", L"tok1", L"A &amp; B"}, true},
        {std::wstring(L"'VIDEO_ID': 'abc',") + kToken, {L"abc", L"tok1", L"NULL"}, false},
        {std::wstring(L"'VIDEO_ID': 'abc',") + kTitle, {L"abc", L"NULL", L"A &amp; B"}, false},
        {tail, {L"NULL", L"tok1", L"A &amp; B"}, false},
        // Markers are case-sensitive.
        {L"'video_ID': 'abc'," + tail, {L"NULL", L"tok1", L"A &amp; B"}, false},
    };
    for (const Case& c : cases) {
        const PageValues values = ScrapePage(c.page);
        EXPECT_EQ(values.identifier, c.expected.identifier) << c.page;
        EXPECT_EQ(values.token, c.expected.token) << c.page;
        EXPECT_EQ(values.title, c.expected.title) << c.page;
        EXPECT_EQ(values.Complete(), c.complete) << c.page;
    }
}

TEST(PageScrape, StreamAddressAndProgressCaption) {
    EXPECT_EQ(StreamAddress(L"http://www.youtube.com", L"abc", L"tok"),
              L"http://www.youtube.com/get_video?asv=&video_id=abc&t=tok");
    EXPECT_EQ(StreamAddress(L"http://127.0.0.1:8000/", L"", L"tok"),
              L"http://127.0.0.1:8000/get_video?asv=&video_id=&t=tok");
    EXPECT_EQ(ProgressCaption(1023, 1023), L"Downloading video file: 0 Kb from 0 Kb recived...");
    EXPECT_EQ(ProgressCaption(2048, 52428800), L"Downloading video file: 2 Kb from 51200 Kb recived...");
    // A stream without a length has no total to show.
    EXPECT_EQ(ProgressCaption(5120, 0), L"Downloading video file: 5 Kb recived...");
    EXPECT_EQ(PlaylistProgressCaption(65, 600), L"Downloading video: 00:01:05 of 00:10:00");
    EXPECT_EQ(PlaylistProgressCaption(90061, 0), L"Downloading video: 25:01:01");
}

TEST(ClipboardPaste, NeedsTheSwitchAnHttpTextOrAVideoAddressAndFewerThan1024Characters) {
    const std::wstring address = L"see http://site/watch?v=1 now";
    const std::wstring longest = L"http://" + std::wstring(1016, L'a');
    struct Case {
        bool on;
        std::wstring text;
        bool pasted;
    };
    const Case cases[] = {
        {true, address, true},
        {false, address, false},
        {true, L"https://site/watch?v=1", false},
        {true, L"HTTP://site/", false},
        {true, longest, true},
        {true, longest + L"a", false},
        {true, L"", false},
        // The address of a video file or a playlist is offered whatever its scheme.
        {true, L" https://cdn.example/live/master.m3u8?token=1\r\n", true},
        {true, L"https://cdn.example/a/clip.MP4", true},
        {true, L"https://cdn.example/manifest.mpd", true},
        {false, L"https://cdn.example/a/clip.mp4", false},
        {true, L"https://site.example/watch?v=1", false},
        {true, L"see https://cdn.example/a/clip.mp4", false},
        {true, L"ftp://cdn.example/a/clip.mp4", false},
        {true, L"https://cdn.example/" + std::wstring(1010, L'a') + L".mp4", false},
    };
    ASSERT_EQ(longest.size(), 1023u);
    for (const Case& c : cases) EXPECT_EQ(ShouldPaste(c.on, c.text), c.pasted) << c.text.substr(0, 40);
}

TEST(DirectVideo, TypesAndTitles) {
    EXPECT_TRUE(IsDirectVideoType(L"video/mp4"));
    EXPECT_TRUE(IsDirectVideoType(L"video/x-flv; charset=binary"));
    EXPECT_TRUE(IsDirectVideoType(L"application/octet-stream"));
    EXPECT_FALSE(IsDirectVideoType(L"text/html; charset=utf-8"));
    EXPECT_FALSE(IsDirectVideoType(L""));

    const std::pair<const wchar_t*, const wchar_t*> titles[] = {
        {L"http://h/clips/My%20Clip.mp4?x=1#t", L"My Clip.mp4"},
        {L"http://h/a/caf%C3%A9%20%E2%82%AC.mp4", L"caf\u00e9 \u20ac.mp4"},
        {L"http://h/a/b/", L"b"},
        {L"http://h/100%.mp4", L"100%.mp4"},
        {L"http://h/bad%FF.mp4", L"bad\u00ff.mp4"},
        {L"http://h", L"video"},
        {L"http://h/", L"video"},
        // Line breaks and marks that reorder text do not reach a title.
        {L"http://h/evil%E2%80%AEvom.mp4", L"evilvom.mp4"},
        {L"http://h/two%0Alines%09here.mp4", L"two lines here.mp4"},
        {L"http://h/%C3%A9t%C3%A9 \u00e0 Paris.mp4", L"\u00e9t\u00e9 \u00e0 Paris.mp4"},
    };
    for (const auto& [url, title] : titles) EXPECT_EQ(DirectVideoTitle(url), title) << url;
}

TEST(ImportedClipTitle, APageTitleThatReadsAsAMarkerNeverNamesTheClip) {
    const std::tuple<std::wstring_view, std::wstring_view, std::wstring_view> cases[] = {
        {L"A day at the sea", L"http://h/v.mp4", L"A day at the sea"},
        {L"Why InOrderToDelete matters", L"http://h/clip.mp4", L"clip.mp4"},
        {L"NotSet", L"http://h/clip.mp4", L"clip.mp4"},
        {L"Flv", L"http://h/InOrderToDelete", L"video"},
    };
    for (const auto& [page, address, title] : cases)
        EXPECT_EQ(ImportedClipTitle(page, address), title) << std::wstring(page);
}

TEST(DownloadedFile, WhatAProbeSaysItIs) {
    struct Case {
        std::wstring report;
        bool hasVideo;
        std::optional<double> seconds;
        std::wstring extension;
    };
    const Case cases[] = {
        {L"Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'C:\\x.part':\r\n  Duration: 00:00:10.03, start: 0.0\r\n"
         L"    Stream #0:0(und): Video: h264 (High), yuv420p, 640x360\r\n",
         true, 10.03, L".mp4"},
        {L"Input #0, matroska,webm, from 'x':\r\n  Duration: 00:01:00.50, start\r\n    Stream #0:0: Video: vp9\r\n",
         true, 60.5, L".webm"},
        {L"Input #0, flv, from 'x':\r\n  Duration: 00:00:02.00, start\r\n    Stream #0:0: Video: flv1\r\n", true, 2.0,
         L".flv"},
        {L"Input #0, matroska,webm, from 'x':\r\n  Duration: 00:01:00.50, start\r\n    Stream #0:0: Video: h264\r\n",
         true, 60.5, L".mkv"},
        {L"Input #0, mp3, from 'x':\r\n  Duration: 00:00:20.00, start\r\n    Stream #0:0: Audio: mp3\r\n", false, 20.0,
         L""},
        {L"C:\\x.part: Invalid data found when processing input\r\n", false, std::nullopt, L""},
    };
    for (const Case& c : cases) {
        const ProbedFile file = ReadProbedFile(c.report);
        EXPECT_EQ(file.hasVideo, c.hasVideo) << c.report;
        EXPECT_EQ(file.seconds, c.seconds) << c.report;
        EXPECT_EQ(file.extension, c.extension) << c.report;
    }
}

}  // namespace
}  // namespace webimport
