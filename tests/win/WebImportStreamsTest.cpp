// Pages of today and the streams they name, imported by the real dialog with the real
// ffmpeg.exe from a server on 127.0.0.1: Open Graph and JSON-LD playlists, a <video>
// element's file, a DASH manifest typed directly, Stop in the middle of a playlist, and
// the failures a user can act on.
#include "support/WebImportFixture.h"

#include "probe/MediaProbe.h"
#include "titles/TitleStore.h"

#include <tlhelp32.h>

namespace webimport {
namespace {

using namespace std::chrono_literals;
using testing_support::BinFolder;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::PumpUntil;
using testing_support::ReadFileBytes;
using testing_support::RequestPath;
using testing_support::StreamFile;
using testing_support::TypeOfStreamFile;

std::string Page(const std::string& head, const std::string& body = "") {
    return "<!DOCTYPE html><html><head>" + head + "</head><body>" + body + "</body></html>";
}

// The ffmpeg.exe processes this test process started and that still run.
int RunningTools() {
    platform::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(entry.szExeFile, L"ffmpeg.exe") == 0)
            ++count;
    }
    return count;
}

class WebImportStreams : public testing_support::WebImportFixture {
protected:
    bool Route(const std::string& path, LoopbackConnection& connection) override {
        auto page = [&](const std::string& html) {
            connection.Send(HttpHead(200, html.size(), "text/html; charset=utf-8") + html);
            return true;
        };
        if (path == "/news/og-hls.html")
            return page(
                Page("<meta property=\"og:title\" content=\"Cats &amp; Dogs &#8211; Live\">"
                     "<meta property=\"og:video\" content=\"/s/hls/master.m3u8\">"
                     "<meta property=\"og:video:type\" content=\"application/x-mpegURL\">"));
        if (path == "/news/video.html")
            return page(Page("<title>\n  A clip &amp; more | Site\n</title>",
                             "<video controls><source src=\"../s/clip.mp4\" type=\"video/mp4\"></video>"));
        if (path == "/news/ld.html")
            return page(
                Page("<title>Sound apart</title><script type=\"application/ld+json\">{\"@type\":\"VideoObject\","
                     "\"contentUrl\":\"http:\\/\\/127.0.0.1:" +
                     std::to_string(server_.port()) + "\\/s\\/hls-sound\\/master.m3u8\"}</script>"));
        if (path == "/news/nothing.html") return page(Page("<title>Words only</title>", "<p>No video here.</p>"));
        if (path == "/news/gone.html")
            return page(Page("<meta property=\"og:video\" content=\"/s/nowhere/master.m3u8\">"));
        if (path == "/news/missing.html")
            return page(Page("<meta property=\"og:video\" content=\"/s/hls-missing/master.m3u8\">"));
        if (path == "/live.m3u8") {
            const std::string live = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n/s/hls/v1/seg0.ts\n";
            connection.Send(HttpHead(200, live.size(), "application/vnd.apple.mpegurl") + live);
            return true;
        }
        // Good for the import's own look, and pointing at files on this machine when the tool
        // asks: the tool may read only from the web.
        if (path == "/switching.m3u8") {
            std::string segment = "/s/hls/v1/seg0.ts";
            if (++switchingAsked_ > 1) {
                segment = "file:///";
                for (const wchar_t c : BinFolder() + L"web-streams\\hls\\v1\\seg0.ts")
                    segment.push_back(c == L'\\' ? '/' : static_cast<char>(c));
            }
            const std::string playlist =
                "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n" + segment + "\n#EXT-X-ENDLIST\n";
            connection.Send(HttpHead(200, playlist.size(), "application/vnd.apple.mpegurl") + playlist);
            return true;
        }
        // The made 640x360 playlist whose third segment goes wrong: answered with a page,
        // or stalled half-way.
        if (path == "/html-segment/index.m3u8" || path == "/stalled/index.m3u8") {
            const std::string playlist = *StreamFile("/s/hls/v1/index.m3u8");
            connection.Send(HttpHead(200, playlist.size(), "application/vnd.apple.mpegurl") + playlist);
            return true;
        }
        if (path.starts_with("/html-segment/seg") || path.starts_with("/stalled/seg")) {
            const auto segment = StreamFile("/s/hls/v1/" + path.substr(path.rfind('/') + 1));
            if (!segment) return false;
            if (path.ends_with("/seg2.ts") && path.starts_with("/html-segment/")) {
                const std::string html = Page("<title>Not here</title>", "<p>This video is not available.</p>");
                connection.Send(HttpHead(200, html.size(), "text/html") + html);
            } else if (path.ends_with("/seg2.ts")) {
                connection.Send(HttpHead(200, segment->size(), "video/mp2t") + segment->substr(0, segment->size() / 2));
                connection.WaitForStop();
            } else {
                connection.Send(HttpHead(200, segment->size(), "video/mp2t") + *segment);
            }
            return true;
        }
        // A whole recording when the import reads it, a live stream when the tool does.
        if (path == "/turns-live/index.m3u8") {
            std::string playlist = *StreamFile("/s/hls/v1/index.m3u8");
            if (++turnsLiveAsked_ > 1) playlist.erase(playlist.find("#EXT-X-ENDLIST"));
            for (std::size_t at = playlist.find("seg"); at != std::string::npos; at = playlist.find("seg", at + 12))
                playlist.insert(at, "/s/hls/v1/");
            connection.Send(HttpHead(200, playlist.size(), "application/vnd.apple.mpegurl") + playlist);
            return true;
        }
        // Media playlists whose segment is no web address (kNotWeb).
        if (path.starts_with("/not-web/")) {
            const std::size_t which = std::stoul(path.substr(9));
            const std::string playlist =
                "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n/s/hls/v1/seg0.ts\n#EXTINF:2,\n" + NotWeb()[which] +
                "\n#EXT-X-ENDLIST\n";
            connection.Send(HttpHead(200, playlist.size(), "application/vnd.apple.mpegurl") + playlist);
            return true;
        }
        // The same streams, a segment every half second: slow enough to stop half-way.
        if (path.starts_with("/slow/")) {
            const std::string local = "/s/" + path.substr(6);
            const auto file = StreamFile(local);
            if (!file) return false;
            if (local.ends_with(".ts")) Sleep(500);
            connection.Send(HttpHead(200, file->size(), TypeOfStreamFile(local)) + *file);
            return true;
        }
        return false;
    }

    // Addresses a playlist may name that are none of the web's; the socket of this server
    // among them, which must see no connection but the import's own requests.
    std::vector<std::string> NotWeb() const {
        const std::string port = std::to_string(server_.port());
        return {"file:C:/windows/win.ini",     "file://127.0.0.1/share/seg.ts",
                "file:///etc/hostname",        "tcp://127.0.0.1:" + port,
                "udp://127.0.0.1:" + port,     "rtmp://127.0.0.1:" + port + "/a",
                "data:video/mp2t;base64,RwAA", "concat:/s/hls/v1/seg0.ts|/s/hls/v1/seg1.ts"};
    }

    std::atomic<int> switchingAsked_{0};
    std::atomic<int> turnsLiveAsked_{0};
};

TEST_F(WebImportStreams, PagesAndPlaylistsBecomeOneClipOfTheBestVariant) {
    struct Case {
        const wchar_t* address;
        const wchar_t* extension;
        const wchar_t* resolution;
        const wchar_t* duration;
        const wchar_t* title;
    };
    const Case cases[] = {
        {L"/news/og-hls.html", L".mp4", L"640x360", L"00:00:10", L"Cats & Dogs \u2013 Live"},
        {L"/news/ld.html", L".mp4", L"640x360", L"00:00:10", L"Sound apart"},
        {L"/s/dash/manifest.mpd", L".mp4", L"640x360", L"00:00:10", L"manifest.mpd"},
        // No codecs in the playlist: the tool is asked, and MPEG-2 goes into Matroska.
        {L"/s/hls-mpeg2/index.m3u8", L".mkv", L"640x360", L"00:00:06", L"index.m3u8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const std::wstring clip = ImportOnlyClip(server_.Url(c.address));
        ASSERT_FALSE(clip.empty());
        EXPECT_TRUE(clip.ends_with(c.extension)) << clip;
        EXPECT_EQ(titles::ReadTitle(clip), c.title);
        const probe::MediaProbeResult probe = probe::ProbeMedia(clip, BinFolder() + L"ffmpeg.exe");
        EXPECT_EQ(probe.fields.resolution, c.resolution) << probe.report;
        EXPECT_NE(probe.fields.audio, probe::kMissingField) << probe.report;
        EXPECT_EQ(probe::FormatDuration(probe.fields.duration), c.duration);
        EXPECT_TRUE(IncomingFiles().empty());
        const std::vector<library::ArrivedClip> arrived = TakeArrived();
        ASSERT_EQ(arrived.size(), 1u) << "the list is told of the clip, with the probe it needs";
        EXPECT_EQ(arrived[0].path, clip);
        EXPECT_EQ(arrived[0].fields, probe.fields);
    }
    // Only the best variant was fetched, every part with the page as referrer and the
    // user agent of the page request.
    EXPECT_TRUE(RequestsFor("/s/hls/v0/").empty());
    const auto segments = RequestsFor("/s/hls/v1/seg");
    EXPECT_EQ(segments.size(), 5u);
    const std::wstring page = server_.Url(L"/news/og-hls.html");
    for (const auto& head : segments) {
        EXPECT_NE(head.find("Referer: " + std::string(page.begin(), page.end()) + "\r\n"), std::string::npos) << head;
        EXPECT_NE(head.find("User-Agent: " + std::string(kUserAgent.begin(), kUserAgent.end()) + "\r\n"),
                  std::string::npos)
            << head;
    }
}

TEST_F(WebImportStreams, AVideoElementsFileArrivesByteForByte) {
    const std::wstring clip = ImportOnlyClip(server_.Url(L"/news/video.html"));
    ASSERT_FALSE(clip.empty());
    EXPECT_EQ(ReadFileBytes(clip), *StreamFile("/s/clip.mp4"));
    EXPECT_EQ(titles::ReadTitle(clip), L"A clip & more | Site");
    ASSERT_EQ(RequestsFor("/s/clip.mp4").size(), 1u);
    EXPECT_NE(RequestsFor("/s/clip.mp4")[0].find("Referer: http://127.0.0.1:"), std::string::npos);
}

TEST_F(WebImportStreams, StopHalfWayEndsTheToolAndLeavesNothing) {
    WebImportDialog dialog(nullptr, Settings());
    StartDownload(dialog, server_.Url(L"/slow/hls/master.m3u8"));
    ASSERT_TRUE(PumpUntil([&] { return RequestsFor("/slow/hls/v1/seg").size() >= 2; }, 30s));
    EXPECT_TRUE(dialog.ItemText(IDC_IMPORT_GROUP).starts_with(L"Downloading video: "))
        << dialog.ItemText(IDC_IMPORT_GROUP);
    EXPECT_EQ(RunningTools(), 1);
    Click(dialog, IDC_IMPORT_STOP);
    ExpectIdle(dialog);
    EXPECT_TRUE(PumpUntil([&] { return RunningTools() == 0 && IncomingFiles().empty(); }, 10s));
    EXPECT_TRUE(LibraryFiles().empty());
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(WebImportStreams, FailuresSayWhatWentWrongAndKeepNothing) {
    const std::wstring missingPart =
        L"!error " + std::wstring(kPartMissing) + server_.Url(L"/s/hls-missing/v1/seg2.ts");
    struct Case {
        std::wstring address;
        std::wstring report;
        bool exact;
    };
    std::vector<Case> cases = {
        {L"/news/nothing.html", L"!error " + std::wstring(kNoVideoFound), true},
        {L"/news/gone.html", L"!error " + std::wstring(kVideoNotServed), true},
        {L"/news/missing.html", missingPart, false},
        {L"/live.m3u8", L"!error " + std::wstring(kLiveStream), true},
        {L"/switching.m3u8", L"!error " + std::wstring(kPartMissing) + L"file:///", false},
        {L"/html-segment/index.m3u8",
         L"!error " + std::wstring(kPartMissing) + server_.Url(L"/html-segment/seg2.ts") + L" (it was no video)", true},
        {L"/stalled/index.m3u8",
         L"!error " + std::wstring(kPartMissing) + server_.Url(L"/stalled/seg2.ts") + L" (no answer for 5 s)", true},
        {L"/turns-live/index.m3u8", L"!error " + std::wstring(kTurnedLive), true},
    };
    const std::vector<std::string> notWeb = NotWeb();
    for (std::size_t i = 0; i < notWeb.size(); ++i) {
        cases.push_back({L"/not-web/" + std::to_wstring(i) + L".m3u8",
                         L"!error " + std::wstring(kNotWebPart) + std::wstring(notWeb[i].begin(), notWeb[i].end()),
                         true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const int connections = server_.connections();
        const std::size_t requests = server_.Requests().size();
        const std::wstring report = ReportOf(server_.Url(c.address));
        if (c.exact) {
            EXPECT_EQ(report, c.report);
        } else {
            EXPECT_TRUE(report.starts_with(c.report)) << report;
        }
        EXPECT_TRUE(PumpUntil([&] { return RunningTools() == 0; }, 5s));
        EXPECT_TRUE(LibraryFiles().empty());
        EXPECT_TRUE(IncomingFiles().empty());
        // A playlist naming this server's socket by tcp, udp or rtmp: every connection it
        // saw was a web request of the import's own.
        if (c.address.starts_with(L"/not-web/")) {
            EXPECT_EQ(server_.connections() - connections, static_cast<int>(server_.Requests().size() - requests));
        }
    }
}

}  // namespace
}  // namespace webimport
