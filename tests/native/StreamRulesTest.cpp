// The rules that put pieces into streams and streams into clips, on the shapes real sites
// and real tools give them: segment URLs of the largest video site, HLS playlists, probe
// reports of the Windows ffmpeg.exe, and the record of captured streams.
#include "intake/ClipCheck.h"
#include "intake/ClipReport.h"
#include "intake/ToolCommand.h"
#include "capture/StreamRecord.h"
#include "capture/StreamUrls.h"
#include "platform/ToolInputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace capture {
namespace {

// A segment URL as the largest site writes it, with the parameters given.
std::string SiteUrl(const std::string& parameters) {
    return "https://rr3---sn-4g5e6nz7.example.com/videoplayback?expire=1767225600&ei=AbC&ip=203.0.113.9&id=o-AK1x"
           "&source=youtube&" +
           parameters + "&sig=AOq0QJ8w";
}

TEST(StreamUrls, QueryRangePiecesOfOneStreamShareItsNameWhateverChangesPerRequest) {
    struct Case {
        std::string url;
        bool piece;
        std::uint64_t first, last, length;
        int stream;  // pieces with the same number must name the same stream
    };
    const Case cases[] = {
        {SiteUrl("itag=137&mime=video%2Fmp4&clen=52428800&dur=300.0&range=0-741&rn=1&rbuf=0"), true, 0, 741, 52428800,
         1},
        {SiteUrl("itag=137&mime=video%2Fmp4&clen=52428800&dur=300.0&range=742-1048575&rn=3&rbuf=4021"), true, 742,
         1048575, 52428800, 1},
        // The same piece asked again in another order, with another counter.
        {SiteUrl("rbuf=9000&rn=17&range=742-1048575&itag=137&dur=300.0&mime=video%2Fmp4&clen=52428800"), true, 742,
         1048575, 52428800, 1},
        // The length claimed is a hint: a piece that says otherwise is of the same stream.
        {SiteUrl("itag=137&mime=video%2Fmp4&clen=1000&dur=300.0&range=1048576-2097151&rn=4"), true, 1048576, 2097151,
         1000, 1},
        {SiteUrl("itag=140&mime=audio%2Fmp4&clen=4847350&dur=300.0&range=0-632&rn=2&rbuf=0"), true, 0, 632, 4847350, 2},
        {SiteUrl("itag=248&mime=video%2Fwebm&range=0-219&rn=5"), true, 0, 219, 0, 3},
        {"http://127.0.0.1:8000/v.mp4?range=10-20#t=5", true, 10, 20, 0, 4},
        {"http://127.0.0.1:8000/v.mp4?range=30-40", true, 30, 40, 0, 4},
        {"http://127.0.0.1:8000/v.mp4", false, 0, 0, 0, 0},
        {"http://127.0.0.1:8000/v.mp4?range=20-10", false, 0, 0, 0, 0},
        {"http://127.0.0.1:8000/v.mp4?range=a-b", false, 0, 0, 0, 0},
        {"http://127.0.0.1:8000/v.mp4?range=5", false, 0, 0, 0, 0},
        {"http://127.0.0.1:8000/v.mp4?norange=1-2", false, 0, 0, 0, 0},
    };
    std::map<int, std::string> streams;
    std::set<std::string> distinct;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::optional<QueryRange> piece = QueryRangeOf(c.url);
        ASSERT_EQ(piece.has_value(), c.piece);
        if (!piece) continue;
        EXPECT_EQ(piece->first, c.first);
        EXPECT_EQ(piece->last, c.last);
        EXPECT_EQ(piece->streamLength, c.length);
        EXPECT_EQ(piece->stream.find("rn="), std::string::npos);
        EXPECT_EQ(piece->stream.find("range="), std::string::npos);
        EXPECT_EQ(piece->stream.find("clen="), std::string::npos);
        EXPECT_EQ(piece->legacyStream.find("clen=") != std::string::npos, c.length != 0);
        const auto [it, first] = streams.emplace(c.stream, piece->stream);
        EXPECT_EQ(it->second, piece->stream);
        if (first) {
            EXPECT_TRUE(distinct.insert(piece->stream).second) << "two streams under one name";
        }
    }
}

TEST(StreamUrls, NumberedSegmentsAndTheirInitSegment) {
    const auto seg = [](const char* url) { return NumberedSegmentOf(url); };
    ASSERT_TRUE(seg("https://cdn.example/v/720p/seg12.ts?token=1"));
    EXPECT_EQ(seg("https://cdn.example/v/720p/seg12.ts?token=1")->number, 12u);
    EXPECT_EQ(seg("https://cdn.example/v/720p/seg12.ts?token=1")->stream,
              seg("https://cdn.example/v/720p/seg7.ts")->stream);
    EXPECT_NE(seg("https://cdn.example/v/720p/seg12.ts")->stream, seg("https://cdn.example/v/480p/seg12.ts")->stream);
    EXPECT_EQ(seg("https://cdn.example/d/chunk-stream0-00012.m4s")->number, 12u);
    EXPECT_NE(seg("https://cdn.example/d/chunk-stream0-00012.m4s")->stream,
              seg("https://cdn.example/d/chunk-stream1-00012.m4s")->stream);
    EXPECT_FALSE(seg("https://cdn.example/d/index.m4s"));
    EXPECT_FALSE(seg("https://cdn.example/d/9999999999999999.ts")) << "a hash, not a place";
    const std::string stream = seg("https://cdn.example/d/chunk-stream0-00012.m4s")->stream;
    EXPECT_TRUE(IsInitSegmentOf("https://cdn.example/d/init-stream0.m4s", stream));
    EXPECT_TRUE(IsInitSegmentOf("https://cdn.example/d/Init.mp4?x=1", stream));
    EXPECT_FALSE(IsInitSegmentOf("https://cdn.example/other/init-stream0.m4s", stream));
}

TEST(StreamUrls, PlaylistsKnownByTypeOrByNameUnderAGenericType) {
    EXPECT_TRUE(IsPlaylistResponse("application/vnd.apple.mpegurl", "http://h/x"));
    EXPECT_TRUE(IsPlaylistResponse("application/x-mpegURL", "http://h/x"));
    EXPECT_TRUE(IsPlaylistResponse("application/octet-stream", "http://h/live.m3u8?a=1"));
    EXPECT_FALSE(IsPlaylistResponse("video/mp2t", "http://h/live.m3u8"));
    EXPECT_FALSE(IsPlaylistResponse("text/html", "http://h/page"));
}

std::wstring GoldenReport(const char* name) {
    std::ifstream file(std::filesystem::path(REELKEEP_TEST_DATA) / "probe" / name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string bytes = text.str();
    return std::wstring(bytes.begin(), bytes.end());
}

TEST(ClipReport, OnlyStreamLinesCountAndTheDurationIsRead) {
    // An MP3 put together in the library's incoming folder: the path says "Videos".
    const std::wstring audioInVideos =
        L"ffmpeg version N-92722-gf22fcd4483\r\nInput #0, mp3, from 'C:\\Program Files\\Reelkeep\\Videos\\.incoming\\"
        L"1259668800-42-1.part':\r\n  Duration: 00:03:05.12, start: 0.025057, bitrate: 128 kb/s\r\n"
        L"    Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\r\n";
    struct Case {
        const char* name;
        std::wstring report;
        bool video, audio;
        const wchar_t* videoCodec;
        const wchar_t* audioCodec;
        double seconds;
    };
    const Case cases[] = {
        {"mp4 with sound", GoldenReport("mp4-320x240-sound.report"), true, true, L"h264", L"aac", 2.0},
        {"flv without sound", GoldenReport("flv-320x240-silent.report"), true, false, L"flv1", L"", 2.0},
        {"text", GoldenReport("text-only.report"), false, false, L"", L"", -1},
        {"mp3 under Videos", audioInVideos, false, true, L"", L"mp3", 185.12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const intake::ClipReport streams = intake::ReadClipReport(c.report);
        EXPECT_TRUE(streams.answered);
        EXPECT_EQ(streams.video, c.video);
        EXPECT_EQ(streams.audio, c.audio);
        EXPECT_EQ(streams.videoCodec, c.videoCodec);
        EXPECT_EQ(streams.audioCodec, c.audioCodec);
        EXPECT_NEAR(streams.seconds.value_or(-1), c.seconds, 0.001);
    }
}

TEST(ClipReport, ContainerByCodecsAndTheCopyOrJoinCommand) {
    using intake::ClipContainer;
    using intake::ContainerForCodecs;
    // Each piece is read as a local media file, never as a playlist that names others.
    const std::wstring local =
        L" -protocol_whitelist file,pipe -format_whitelist " + std::wstring(platform::kLocalMediaFormats);
    EXPECT_EQ(ContainerForCodecs(L"h264", L"aac"), ClipContainer::Mp4);
    EXPECT_EQ(ContainerForCodecs(L"hevc", L"aac"), ClipContainer::Mp4);
    EXPECT_EQ(ContainerForCodecs(L"h264", L""), ClipContainer::Mp4);
    EXPECT_EQ(ContainerForCodecs(L"vp9", L"opus"), ClipContainer::WebM);
    EXPECT_EQ(ContainerForCodecs(L"av1", L"opus"), ClipContainer::WebM);
    EXPECT_EQ(ContainerForCodecs(L"vp9", L"aac"), ClipContainer::Matroska);
    EXPECT_EQ(ContainerForCodecs(L"h264", L"opus"), ClipContainer::Matroska);
    intake::CopyOrJoin join;
    join.picture.location = L"C:\\V\\a b.part";
    join.sound = intake::ToolInput{L"C:\\V\\c.part"};
    join.container = ClipContainer::WebM;
    join.seconds = 6.04;
    join.output = L"C:\\V\\out.part";
    EXPECT_EQ(intake::CopyOrJoinCommandLine(L"C:\\Program Files\\Reelkeep\\ffmpeg.exe", join),
              L"\"C:\\Program Files\\Reelkeep\\ffmpeg.exe\" -hide_banner -nostdin -y" + local +
                  L" -i \"C:\\V\\a b.part\"" + local +
                  L" -i \"C:\\V\\c.part\" -map 0:v:0 -map 1:a:0 -c copy -t 6.040 -f webm \"C:\\V\\out.part\"");
    intake::CopyOrJoin copy;
    copy.picture.location = L"t.part";
    copy.container = ClipContainer::Mp4;
    copy.output = L"o.part";
    EXPECT_EQ(intake::CopyOrJoinCommandLine(L"ffmpeg.exe", copy),
              L"\"ffmpeg.exe\" -hide_banner -nostdin -y" + local +
                  L" -i \"t.part\" -map 0:v:0 -map 0:a:0? -c copy -f mp4 \"o.part\"");
    EXPECT_EQ(intake::CopyOrJoinCommandLine(L"ff\"mpeg.exe", copy), L"");
    EXPECT_FALSE(intake::ReadClipReport(L"'ffmpeg' is not recognized as a command").answered);
}

// A made clip counts only when the tool ended well and the clip probes as promised.
TEST(ClipReport, MadeClipsAreCheckedBeforeTheyCount) {
    intake::ClipReport good;
    good.answered = good.video = good.audio = true;
    good.seconds = 10.03;
    intake::ClipReport partial = good;
    partial.seconds = 4.0;  // a tool that wrote 40% and still said 0
    intake::ClipReport mute = good;
    mute.audio = false;
    const intake::Expectation joined{true, true, 10.0};
    struct Case {
        const char* name;
        std::optional<std::uint32_t> exit;
        intake::ClipReport report;
        intake::Expectation expected;
        intake::ClipVerdict verdict;
    };
    const Case cases[] = {
        {"whole", 0u, good, joined, intake::ClipVerdict::Good},
        {"cut short, exit 0", 0u, partial, joined, intake::ClipVerdict::WrongLength},
        {"crashed", 0xC0000005u, good, joined, intake::ClipVerdict::ToolFailed},
        {"hung and ended", std::nullopt, good, joined, intake::ClipVerdict::ToolFailed},
        {"sound lost", 0u, mute, joined, intake::ClipVerdict::WrongStreams},
        {"no answer", 0u, intake::ClipReport{}, joined, intake::ClipVerdict::NoAnswer},
        {"half a second off", 0u, good, {true, true, 10.53}, intake::ClipVerdict::Good},
        {"more than that", 0u, good, {true, true, 10.54}, intake::ClipVerdict::WrongLength},
        {"length unknown", 0u, partial, {true, true, std::nullopt}, intake::ClipVerdict::Good},
    };
    for (const Case& c : cases) EXPECT_EQ(intake::JudgeMadeClip(c.exit, c.report, c.expected), c.verdict) << c.name;
    // A header that promises the whole length of a file cut to 40% of its bytes.
    EXPECT_EQ(intake::JudgeMadeClip(0u, good, {true, true, 10.0, 1'000'000}, 400'000),
              intake::ClipVerdict::WrongLength);
    EXPECT_EQ(intake::JudgeMadeClip(0u, good, {true, true, 10.0, 1'000'000}, 880'000), intake::ClipVerdict::Good);
    EXPECT_GT(intake::ToolTimeoutMilliseconds(110'000'000), intake::ToolTimeoutMilliseconds(1'000'000));
}

TEST(StreamRecord, RoundTripSkipsDamagedLinesAndNamesThatAreNoClips) {
    StreamRecord record;
    const std::string folder = CacheFolderTag(L"C:\\Users\\u\\Cache_Data");
    record.Set("http://127.0.0.1 http://127.0.0.1:8000/videoplayback?id=1&itag=134",
               {270518, L"1765242000.mp4", folder});
    record.Set("http://127.0.0.1 http://127.0.0.1:8000/videoplayback?id=1&itag=140",
               {89845, L"1765242000.mp4", folder});
    record.Set("site http://h/hls/playlist.m3u8", {1061260, L"", ""});
    EXPECT_FALSE(record.Set("bad\tidentity", {1, L"1.mp4", ""}));
    bool damaged = false;
    const StreamRecord again =
        StreamRecord::Parse(record.Text() + "garbage line\n12\t..\\evil.mp4\tsite x\nx\ty\tz\n", &damaged);
    EXPECT_TRUE(damaged);
    EXPECT_EQ(again.size(), 3u);
    ASSERT_NE(again.Find("http://127.0.0.1 http://127.0.0.1:8000/videoplayback?id=1&itag=140"), nullptr);
    EXPECT_EQ(again.Find("http://127.0.0.1 http://127.0.0.1:8000/videoplayback?id=1&itag=140")->length, 89845u);
    EXPECT_EQ(again.Find("http://127.0.0.1 http://127.0.0.1:8000/videoplayback?id=1&itag=134")->clip,
              L"1765242000.mp4");
    EXPECT_EQ(again.Find("site http://h/hls/playlist.m3u8")->clip, L"");
    EXPECT_EQ(again.Find("site x"), nullptr) << "a clip name that leaves the library";
    EXPECT_EQ(again.Text(), record.Text());
    EXPECT_EQ(again.InFolder(folder).size(), 2u);
    EXPECT_EQ(CacheFolderTag(L"C:\\USERS\\U\\cache_data"), folder);

    // Appended lines: a later one of a stream wins; a line of an older version still reads;
    // a record cut inside a line is damaged.
    const std::string appended =
        record.Text() + StreamRecord::Line("site http://h/hls/playlist.m3u8", {2000000, L"1765242009.mp4", folder}) +
        "500\t1765242001.webm\tsite old\n";
    const StreamRecord later = StreamRecord::Parse(appended, &damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(later.Find("site http://h/hls/playlist.m3u8")->length, 2000000u);
    EXPECT_EQ(later.Find("site old")->clip, L"1765242001.webm");
    StreamRecord::Parse(appended.substr(0, appended.size() - 5), &damaged);
    EXPECT_TRUE(damaged);

    // What a clip carries reads back as the streams it was made from.
    const std::vector<std::pair<std::string, std::uint64_t>> streams{{"site http://h/a.mpd#0", 300000},
                                                                     {"site http://h/a.mpd#2", 60000}};
    EXPECT_EQ(ParseClipStreams(ClipStreamsText(streams)), streams);
    EXPECT_TRUE(ParseClipStreams(L"12\n\tx\nab\tc").empty());
}

TEST(StreamRecord, SettlingRestartsWithEveryChangeAndForgetsWhatIsGone) {
    StreamSettling settling;
    settling.Observe("a", 100, 1, 1000);
    EXPECT_FALSE(settling.Settled("a", 1059, 60));
    settling.Observe("a", 200, 2, 1050);  // a new piece
    EXPECT_FALSE(settling.Settled("a", 1100, 60));
    settling.Observe("a", 200, 2, 1100);
    EXPECT_TRUE(settling.Settled("a", 1110, 60));
    EXPECT_FALSE(settling.Settled("unseen", 5000, 60));
    settling.ForgetObservedBefore(1100);  // observed at 1100: kept
    EXPECT_TRUE(settling.Settled("a", 1160, 60));
    settling.ForgetObservedBefore(1101);
    EXPECT_FALSE(settling.Settled("a", 5000, 60));
}

}  // namespace
}  // namespace capture
