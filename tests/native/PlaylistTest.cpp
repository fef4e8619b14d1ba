// HLS playlists and DASH manifests, the variant the import keeps, the container its codecs
// fit, the command lines that copy it, and what ffmpeg says while it does (logs captured
// from the real tool by tests/data/webimport/capture-logs.sh).
#include "webimport/DownloadLog.h"
#include "intake/ClipContainer.h"
#include "webimport/Playlist.h"
#include "webimport/PlaylistCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace webimport {
namespace {

constexpr wchar_t kMaster[] =
    L"#EXTM3U\n#EXT-X-VERSION:3\n"
    L"#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"snd\",NAME=\"en, main\",URI=\"audio/en.m3u8\"\n"
    L"#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"snd\",NAME=\"de\",DEFAULT=YES,URI=\"audio/de.m3u8\"\n"
    L"#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"subs\",NAME=\"en\",URI=\"subs.m3u8\"\n"
    L"#EXT-X-STREAM-INF:BANDWIDTH=405900,RESOLUTION=320x180,CODECS=\"avc1.4d400c,mp4a.40.2\"\r\n"
    L"v0/index.m3u8\r\n\r\n"
    L"#EXT-X-STREAM-INF:BANDWIDTH=955900,RESOLUTION=640x360,CODECS=\"avc1.4d401e,mp4a.40.2\",AUDIO=\"snd\"\n"
    L"# a comment between the tag and its address\n"
    L"v1/index.m3u8\n"
    L"#EXT-X-STREAM-INF:BANDWIDTH=99999999,RESOLUTION=640x360\n"
    L"file:///C:/Windows/win.ini\n";

constexpr wchar_t kMedia[] =
    L"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:0\n"
    L"#EXTINF:2.002,\nseg0.ts\n#EXTINF:1.5,title, with comma\nhttps://cdn.example/seg1.ts\n"
    L"#EXTINF:3,\n../seg2.ts?k=1\n#EXT-X-ENDLIST\n";

constexpr wchar_t kManifest[] =
    LR"(<?xml version="1.0" encoding="utf-8"?>
<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static" mediaPresentationDuration="PT1M0.5S">
  <Period id="0" start="PT0.0S">
    <AdaptationSet id="0" contentType="video" maxWidth="640" maxHeight="360">
      <Representation id="0" mimeType="video/mp4" codecs="avc1.64000d" bandwidth="300000" width="320" height="180"/>
      <Representation id="1" mimeType="video/mp4" codecs="avc1.64001e" bandwidth="800000" width="640" height="360"/>
      <Representation id="2" mimeType="video/mp4" codecs="avc1.64001e" bandwidth="700000" width="640" height="360"/>
    </AdaptationSet>
    <AdaptationSet id="1" mimeType="audio/mp4" codecs="mp4a.40.2">
      <Representation id="3" bandwidth="64000"/>
      <Representation id="4" bandwidth="128000" codecs="opus"/>
    </AdaptationSet>
    <AdaptationSet id="2" mimeType="video/webm" width="1920" height="1080" codecs="vp9">
      <Representation id="5" bandwidth="100000"/>
    </AdaptationSet>
  </Period>
</MPD>)";

TEST(HlsPlaylist, MasterVariantsAndTheOneKept) {
    const HlsPlaylist master = ParseHlsPlaylist(kMaster, L"http://h.example/show/master.m3u8?t=1");
    ASSERT_TRUE(master.valid);
    ASSERT_TRUE(master.isMaster());
    // The variant whose address is a local file is left out.
    ASSERT_EQ(master.variants.size(), 2u);
    EXPECT_EQ(master.variants[0].address, L"http://h.example/show/v0/index.m3u8");
    EXPECT_EQ(master.variants[0].width, 320);
    EXPECT_EQ(master.variants[0].bandwidth, 405900u);
    EXPECT_EQ(master.variants[1].codecs, L"avc1.4d401e,mp4a.40.2");
    EXPECT_EQ(BestVariant(master.variants), 1u);
    EXPECT_EQ(AudioAddressOf(master, master.variants[1]), L"http://h.example/show/audio/de.m3u8");
    EXPECT_EQ(AudioAddressOf(master, master.variants[0]), L"");

    struct Choice {
        std::vector<HlsVariant> variants;
        std::optional<std::size_t> best;
    };
    const Choice choices[] = {
        {{{L"a", 640, 360, 100, {}, {}}, {L"b", 1280, 720, 50, {}, {}}, {L"c", 1280, 720, 60, {}, {}}}, 2},
        {{{L"a", 0, 0, 500, {}, {}}, {L"b", 0, 0, 900, {}, {}}}, 1},
        {{{L"a", 640, 360, 100, {}, {}}, {L"b", 640, 360, 100, {}, {}}}, 0},
        {{}, std::nullopt},
    };
    for (const Choice& c : choices) EXPECT_EQ(BestVariant(c.variants), c.best);
}

TEST(HlsPlaylist, MediaSegmentsAndLength) {
    const HlsPlaylist media = ParseHlsPlaylist(kMedia, L"http://h.example/show/v1/index.m3u8");
    ASSERT_TRUE(media.valid);
    EXPECT_FALSE(media.isMaster());
    EXPECT_TRUE(media.ended);
    EXPECT_DOUBLE_EQ(media.seconds, 6.502);
    EXPECT_EQ(media.segments,
              (std::vector<std::wstring>{L"http://h.example/show/v1/seg0.ts", L"https://cdn.example/seg1.ts",
                                         L"http://h.example/show/seg2.ts?k=1"}));
    EXPECT_FALSE(ParseHlsPlaylist(L"<html>#EXTM3U</html>", L"http://h/").valid);
    EXPECT_FALSE(ParseHlsPlaylist(L"", L"http://h/").valid);
}

TEST(DashManifest, RepresentationsInheritTheirSetAndTheBestAreKept) {
    const DashManifest manifest = ParseDashManifest(kManifest);
    ASSERT_TRUE(manifest.valid);
    EXPECT_EQ(manifest.periods, 1);
    EXPECT_EQ(manifest.seconds, 60.5);
    ASSERT_EQ(manifest.representations.size(), 6u);
    EXPECT_FALSE(manifest.representations[3].video);
    EXPECT_EQ(manifest.representations[3].codecs, L"mp4a.40.2");
    EXPECT_EQ(manifest.representations[4].codecs, L"opus");
    EXPECT_TRUE(manifest.representations[5].video);
    EXPECT_EQ(manifest.representations[5].width, 1920);

    const DashChoice choice = ChooseRepresentations(manifest);
    EXPECT_EQ(choice.video, 3u);  // the fourth video representation: 1920x1080
    EXPECT_EQ(choice.audio, 1u);
    EXPECT_EQ(choice.codecs, L"vp9,opus");
    EXPECT_FALSE(ParseDashManifest(L"<html><body>no manifest</body></html>").valid);
}

// What a playlist may name for the tool to fetch: only web addresses, and not more than
// any video needs. Each case is one media playlist or manifest and what the import finds.
TEST(PlaylistRules, PartsOffTheWebAndAbsurdLengthsAreFoundBeforeTheCopy) {
    auto media = [](const std::wstring& tags, const std::wstring& segment) {
        return L"#EXTM3U\n#EXT-X-TARGETDURATION:2\n" + tags + L"#EXTINF:2,\n" + segment + L"\n#EXT-X-ENDLIST\n";
    };
    struct Case {
        std::wstring playlist;
        std::wstring notWebPart;
    };
    const Case cases[] = {
        {media(L"", L"seg0.ts"), L""},
        {media(L"", L"https://cdn.example/seg0.ts"), L""},
        {media(L"", L"file:C:/Windows/win.ini"), L"file:C:/Windows/win.ini"},
        {media(L"", L"file://fileserver/share/clip.ts"), L"file://fileserver/share/clip.ts"},
        {media(L"", L"FILE:///C:/x.ts"), L"FILE:///C:/x.ts"},
        {media(L"", L"tcp://127.0.0.1:8123"), L"tcp://127.0.0.1:8123"},
        {media(L"", L"udp://127.0.0.1:8123"), L"udp://127.0.0.1:8123"},
        {media(L"", L"rtmp://127.0.0.1/live"), L"rtmp://127.0.0.1/live"},
        {media(L"", L"data:video/mp2t;base64,AAAA"), L"data:video/mp2t;base64,AAAA"},
        {media(L"", L"concat:a.ts|b.ts"), L"concat:a.ts|b.ts"},
        // No scheme: the tool, like the import, reads it as a path beside the playlist's.
        {media(L"", L"subfile,,start,0,end,0,,:C:/x"), L""},
        {media(L"#EXT-X-KEY:METHOD=AES-128,URI=\"file:C:/key.bin\",IV=0x1\n", L"seg0.ts"), L"file:C:/key.bin"},
        {media(L"#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\"\n", L"seg0.ts"), L""},
        {media(L"#EXT-X-MAP:URI=\"tcp://127.0.0.1:1/init.mp4\"\n", L"seg0.m4s"), L"tcp://127.0.0.1:1/init.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.playlist.begin(), c.playlist.end()));
        const HlsPlaylist parsed = ParseHlsPlaylist(c.playlist, L"http://h.example/v/index.m3u8");
        EXPECT_EQ(parsed.notWebPart, c.notWebPart);
        EXPECT_FALSE(IsAbsurd(parsed));
    }
    std::wstring long_ = L"#EXTM3U\n#EXTINF:90000,\nseg0.ts\n#EXT-X-ENDLIST\n";
    EXPECT_TRUE(IsAbsurd(ParseHlsPlaylist(long_, L"http://h/")));

    auto mpd = [](const std::wstring& duration, const std::wstring& inside) {
        return L"<MPD type=\"static\" mediaPresentationDuration=\"" + duration +
               L"\"><Period><AdaptationSet mimeType=\"video/mp4\">" + inside +
               L"<Representation id=\"v\" bandwidth=\"1\"/></AdaptationSet></Period></MPD>";
    };
    struct ManifestCase {
        std::wstring manifest;
        std::wstring notWebPart;
        double parts;
        bool absurd;
    };
    const ManifestCase manifests[] = {
        {mpd(L"PT10S", L"<SegmentTemplate timescale=\"1000\" duration=\"2000\" media=\"c-$Number$.m4s\"/>"), L"", 5,
         false},
        {mpd(L"PT10S", L"<BaseURL> file:///C:/Users/ </BaseURL>"), L"file:///C:/Users/", 0, false},
        {mpd(L"PT10S", L"<SegmentTemplate initialization=\"tcp://127.0.0.1:9/i\" media=\"x\"/>"),
         L"tcp://127.0.0.1:9/i", 0, false},
        {mpd(L"PT10S",
             L"<SegmentList><Initialization sourceURL=\"init.mp4\"/><SegmentURL media=\"a.m4s\"/>"
             L"<SegmentURL media=\"rtmp://h/b\"/></SegmentList>"),
         L"rtmp://h/b", 2, false},
        {mpd(L"PT10S",
             L"<SegmentTemplate timescale=\"90000\"><SegmentTimeline><S d=\"180000\" r=\"4\"/>"
             L"</SegmentTimeline></SegmentTemplate>"),
         L"", 5, false},
        // About 25 fragments a second for 1,000 hours: the tool would ask until Stop.
        {mpd(L"PT1000H", L"<SegmentTemplate timescale=\"1000\" duration=\"40\" media=\"c-$Number$.m4s\"/>"), L"",
         90'000'000, true},
        {mpd(L"PT10S", L"<SegmentTemplate timescale=\"1000\" duration=\"1\" media=\"c-$Number$.m4s\"/>"), L"", 10'000,
         false},
        {mpd(L"PT1H",
             L"<SegmentTemplate><SegmentTimeline><S d=\"1\" r=\"-1\"/></SegmentTimeline>"
             L"</SegmentTemplate>"),
         L"", 3600, false},
        {mpd(L"PT10S",
             L"<SegmentTemplate><SegmentTimeline><S d=\"1\" r=\"999999\"/></SegmentTimeline>"
             L"</SegmentTemplate>"),
         L"", 1'000'000, true},
    };
    for (const ManifestCase& c : manifests) {
        SCOPED_TRACE(std::string(c.manifest.begin(), c.manifest.end()));
        const DashManifest parsed = ParseDashManifest(c.manifest);
        ASSERT_TRUE(parsed.valid);
        EXPECT_EQ(parsed.notWebPart, c.notWebPart);
        EXPECT_DOUBLE_EQ(parsed.parts, c.parts);
        EXPECT_EQ(IsAbsurd(parsed), c.absurd);
    }
}

TEST(PlaylistRules, DurationsAndContainers) {
    const std::pair<const wchar_t*, std::optional<double>> durations[] = {
        {L"PT10.0S", 10.0},     {L"PT1H2M3.5S", 3723.5}, {L"P1DT1S", 86401.0},
        {L"PT0S", 0.0},         {L"10", std::nullopt},   {L"PT", std::nullopt},
        {L"PT5", std::nullopt}, {L"P1H", std::nullopt},  {L"", std::nullopt},
    };
    for (const auto& [text, seconds] : durations) EXPECT_EQ(ParseIsoDuration(text), seconds) << text;

    using intake::ClipContainer;
    const std::pair<const wchar_t*, std::optional<ClipContainer>> containers[] = {
        {L"avc1.64001e,mp4a.40.2", ClipContainer::Mp4},
        {L"avc3.4d401f", ClipContainer::Mp4},
        {L" AVC1.42c00d , mp4a.40.5 ", ClipContainer::Mp4},
        {L"hvc1.1.6.L93.B0,mp4a.40.2", ClipContainer::Mp4},
        {L"avc1.64001e,mp4a.69", ClipContainer::Mp4},
        {L"vp9,opus", ClipContainer::WebM},
        {L"vp09.00.10.08,opus", ClipContainer::WebM},
        {L"avc1.64001e,opus", ClipContainer::Matroska},
        {L"avc1.64001e,ac-3", ClipContainer::Matroska},
        {L"avc1.64001e,xyz1", ClipContainer::Matroska},
        {L"", std::nullopt},
        {L" , ", std::nullopt},
    };
    for (const auto& [codecs, container] : containers)
        EXPECT_EQ(intake::ContainerForManifestCodecs(codecs), container) << codecs;
}

TEST(PlaylistCommand, ChosenStreamsCopiedFromWebProtocolsOnly) {
    const RequestIdentity identity{L"Agent/1.0", L"http://site.example/a \"b\"\\"};
    PlaylistSource dash{L"http://h/m.mpd", L"", 3, 1, intake::ClipContainer::Matroska, 60.5};
    const std::wstring dashLine = PlaylistCopyCommandLine(L"C:\\Program Files\\R\\ffmpeg.exe", dash, identity,
                                                          L"C:\\R\\Videos\\.incoming\\1.part");
    EXPECT_TRUE(dashLine.starts_with(L"\"C:\\Program Files\\R\\ffmpeg.exe\" ")) << dashLine;
    EXPECT_NE(dashLine.find(L" -map 0:v:3 -map 0:a:1? -c copy -f matroska \"C:\\R\\Videos\\.incoming\\1.part\""),
              std::wstring::npos)
        << dashLine;
    EXPECT_NE(dashLine.find(L"-headers \"Referer: http://site.example/a \\\"b\\\"\\\r\n\""), std::wstring::npos)
        << dashLine;

    PlaylistSource hls{L"http://h/v1.m3u8", L"http://h/de.m3u8",        std::nullopt,
                       std::nullopt,        intake::ClipContainer::Mp4, {}};
    const std::wstring hlsLine = PlaylistCopyCommandLine(L"ffmpeg.exe", hls, identity, L"out");
    EXPECT_NE(hlsLine.find(L"-i \"http://h/v1.m3u8\""), std::wstring::npos);
    EXPECT_NE(hlsLine.find(L" -map 0:v:0 -map 1:a:0 -c copy -f mp4 \"out\""), std::wstring::npos) << hlsLine;
    // Every input is limited to the web: a playlist may not point the tool at local files.
    std::size_t inputs = 0;
    for (std::size_t at = hlsLine.find(L" -i "); at != std::wstring::npos; at = hlsLine.find(L" -i ", at + 1)) {
        ++inputs;
        const std::size_t whitelist = hlsLine.rfind(L"-protocol_whitelist http,https,tcp,tls,crypto ", at);
        EXPECT_NE(whitelist, std::wstring::npos);
        EXPECT_EQ(hlsLine.find(L" -i ", whitelist), at);
    }
    EXPECT_EQ(inputs, 2u);
    EXPECT_EQ(PlaylistCopyCommandLine(L"bad\"path", hls, identity, L"out"), L"");
    EXPECT_NE(hlsLine.find(L" -loglevel verbose "), std::wstring::npos) << "the log is read for progress";
}

std::string ReadLog(const std::string& name) {
    std::ifstream in(std::string(REELKEEP_TEST_DATA) + "/webimport/" + name + ".log", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(DownloadLog, LengthFailedPartsAndErrorsFromTheRealTool) {
    struct Case {
        const char* log;
        std::optional<double> seconds;
        std::wstring failedPart;
        std::wstring reason;
        std::wstring lastError;  // checked when not empty
        std::optional<double> framesWritten;
        std::wstring brokenPart;
    };
    const Case cases[] = {
        // 200 pictures of 25 a second where the playlist says 10 s: a segment is missing.
        {"hls-missing-segment", 10.0, L"http://127.0.0.1:38517/hls-missing/v1/seg2.ts",
         L"HTTP error 404 File not found", L"", 200, L""},
        // A segment answered with a page is read past without a word; its size gives it away.
        {"hls-html-segment", 10.0, L"", L"", L"", 200, L"http://127.0.0.1:38517/hls-html/v1/seg2.ts"},
        // The fragment after the last one fails too: that is how the tool finds the end.
        {"dash-whole", 10.0, L"", L"", L"", 250, L""},
        {"dash-missing-fragment", 10.0, L"http://127.0.0.1:38517/dash-missing/chunk-stream1-00003.m4s",
         L"HTTP error 404 File not found", L"", std::nullopt, L""},
        {"missing-playlist", std::nullopt, L"", L"",
         L"http://127.0.0.1:38517/nowhere/index.m3u8: Server returned 404 Not Found", std::nullopt, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        const std::string bytes = ReadLog(c.log);
        ASSERT_FALSE(bytes.empty());
        // Fed whole and in pieces that cut lines anywhere, the log reads the same.
        for (const std::size_t piece : {bytes.size(), std::size_t{1}, std::size_t{7}, std::size_t{333}}) {
            DownloadLog log;
            for (std::size_t at = 0; at < bytes.size(); at += piece)
                log.Feed(std::string_view(bytes).substr(at, piece));
            log.Finish();
            EXPECT_EQ(log.inputSeconds(), c.seconds);
            EXPECT_EQ(log.failedPart(), c.failedPart);
            EXPECT_EQ(log.failedReason(), c.reason);
            if (!c.lastError.empty()) {
                EXPECT_EQ(log.lastError(), c.lastError);
            }
            if (c.framesWritten) {
                EXPECT_EQ(log.framesWritten(), c.framesWritten);
                EXPECT_EQ(log.framesPerSecond(), 25.0);
            }
            EXPECT_EQ(log.brokenPart(), c.brokenPart);
        }
    }
}

TEST(DownloadLog, PictureRateOfTheInputNtscRatesExact) {
    const std::pair<const char*, std::optional<double>> lines[] = {
        {"  Stream #0:0: Video: h264 (High), yuv420p, 1280x720, 25 fps, 25 tbr, 90k tbn\n", 25.0},
        {"  Stream #0:0: Video: h264 (High), yuv420p, 1280x720, 23.98 fps, 23.98 tbr, 90k tbn\n", 24000.0 / 1001},
        {"  Stream #0:0: Video: h264, yuv420p, 640x360, 29.97 fps, 29.97 tbr\n", 30000.0 / 1001},
        {"  Stream #0:0: Audio: aac (LC), 44100 Hz, stereo, fltp\n", std::nullopt},
        {"Output #0, mp4, to 'x':\n  Stream #0:0: Video: h264, 50 fps\n", std::nullopt},
    };
    for (const auto& [line, rate] : lines) {
        DownloadLog log;
        log.Feed(line);
        EXPECT_EQ(log.framesPerSecond(), rate) << line;
    }
}

TEST(DownloadLog, ProgressReportsAsTheyComplete) {
    DownloadLog log;
    EXPECT_EQ(log.Feed("  Duration: 00:01:00.50, start: 0.0\r\nframe=   10 fps=0.0 q=-1.0 size=  1kB time=00:00:0"),
              std::vector<double>{});
    EXPECT_EQ(log.Feed("1.50 bitrate=N/A\rframe=   20 time=00:00:03.00 bitrate\rframe= 1 time=N/A bitrate=\r"),
              (std::vector<double>{1.5, 3.0}));
    EXPECT_EQ(log.inputSeconds(), 60.5);
}

// A playlist read whole before the copy that the tool then finds live: it starts near the
// end, or asks for more segments than were listed.
TEST(DownloadLog, APlaylistThatTurnedLiveIsNoticedAtItsFirstStrangeRequest) {
    auto request = [](const std::string& speaker, const std::string& segment) {
        return "[hls @ " + speaker + "] HLS request for url 'http://h/v1/" + segment + "', offset 0, playlist 0\n";
    };
    struct Case {
        std::vector<std::string> requests;
        bool live;
    };
    const Case cases[] = {
        {{request("0001", "seg0.ts"), request("0001", "seg1.ts"), request("0002", "a0.ts")}, false},
        {{request("0001", "seg2.ts")}, true},
        {{request("0001", "seg0.ts"), request("0002", "a3.ts")}, true},
        {{request("0001", "seg0.ts"), request("0001", "seg1.ts"), request("0001", "seg2.ts"),
          request("0001", "seg3.ts"), request("0001", "seg4.ts")},
         true},
    };
    for (const Case& c : cases) {
        DownloadLog log;
        log.ExpectSegments({L"http://h/v1/seg0.ts", L"http://h/a/a0.ts"}, 4);
        for (const std::string& line : c.requests) log.Feed(line);
        EXPECT_EQ(log.turnedLive(), c.live) << c.requests.size() << " " << c.requests.back();
    }
}

// One table: the same codecs give the same container whichever way they came. A stream
// rebuilt from a cache and a playlist copied from the web go into the container of their
// codecs, whether the playlist names them or the tool does; a whole file, captured or
// downloaded, keeps the container the tool read, under that container's extension.
TEST(ContainerRule, TheSameCodecsGiveTheSameContainerFromCaptureAndFromImport) {
    using intake::ClipContainer;
    struct Case {
        const wchar_t* tool[2];   // as the tool names them
        const wchar_t* manifest;  // as a playlist's CODECS names them
        ClipContainer made;
    };
    const Case cases[] = {
        {{L"h264", L"aac"}, L"avc1.64001f,mp4a.40.2", ClipContainer::Mp4},
        {{L"hevc", L"aac"}, L"hvc1.1.6.L93.B0,mp4a.40.2", ClipContainer::Mp4},
        {{L"h264", L"mp3"}, L"avc1.4d401e,mp4a.40.34", ClipContainer::Mp4},
        {{L"vp9", L"opus"}, L"vp09.00.10.08,opus", ClipContainer::WebM},
        {{L"av1", L"opus"}, L"av01.0.04M.08,opus", ClipContainer::WebM},
        {{L"vp8", L"vorbis"}, L"vp8,vorbis", ClipContainer::WebM},
        {{L"h264", L"opus"}, L"avc1.64001f,opus", ClipContainer::Matroska},
        {{L"vp9", L"aac"}, L"vp09.00.10.08,mp4a.40.2", ClipContainer::Matroska},
        {{L"h264", L"ac3"}, L"avc1.64001f,ac-3", ClipContainer::Matroska},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manifest);
        // Capture: a picture and its sound joined, their codecs read from the tool.
        const std::wstring report = std::wstring(L"ffmpeg version x\r\nInput #0, mpegts, from 'x':\r\n") +
                                    L"    Stream #0:0: Video: " + c.tool[0] + L", yuv420p\r\n" +
                                    L"    Stream #0:1: Audio: " + c.tool[1] + L", 48000 Hz\r\n";
        const intake::ClipReport probed = intake::ReadClipReport(report);
        EXPECT_EQ(intake::ContainerForCodecs(probed.videoCodec, probed.audioCodec), c.made);
        // Import: the playlist's codecs, or the tool's word when it names none.
        EXPECT_EQ(intake::ContainerForManifestCodecs(c.manifest), c.made);
        // Both: a whole MP4 or Matroska file of these codecs keeps its container.
        for (const wchar_t* format : {L"mov,mp4,m4a,3gp,3g2,mj2", L"matroska,webm"}) {
            std::wstring whole = report;
            whole.replace(whole.find(L"mpegts"), 6, format);
            const ProbedFile downloaded = ReadProbedFile(whole);
            const std::optional<ClipContainer> captured = intake::ContainerOfWholeFile(intake::ReadClipReport(whole));
            ASSERT_TRUE(captured);
            EXPECT_EQ(downloaded.extension, intake::ExtensionOf(*captured));
            EXPECT_EQ(*captured, format[0] == L'm' && format[1] == L'o' ? ClipContainer::Mp4
                                 : c.made == ClipContainer::WebM        ? ClipContainer::WebM
                                                                        : ClipContainer::Matroska);
        }
    }
}

}  // namespace
}  // namespace webimport
