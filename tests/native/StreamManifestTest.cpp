// The manifest readers and the byte inspection, over what real players left in real
// browsers' caches (tests/data/browser-caches/players-*: hls.js, dash.js, shaka-player),
// and over manifest shapes those players did not use.
#include "capture/CacheReaders.h"
#include "intake/MediaBytes.h"
#include "intake/StreamManifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>

namespace intake {
namespace {

using capture::CachedResponse;
using capture::CacheKind;
using capture::DiskCacheFiles;

const std::filesystem::path kData = std::filesystem::path(REELKEEP_TEST_DATA) / "browser-caches";

struct PlayerCache {
    const char* folder;
    CacheKind kind;
};
const PlayerCache kPlayerCaches[] = {{"players-blockfile/Cache_Data", CacheKind::ChromiumBlockfile},
                                     {"players-simple/Cache_Data", CacheKind::ChromiumSimple},
                                     {"players-octet/Cache_Data", CacheKind::ChromiumSimple},
                                     {"players-firefox/cache2", CacheKind::Firefox}};

// Every cached body by its URL.
std::map<std::string, std::vector<std::uint8_t>> Bodies(const PlayerCache& cache) {
    const DiskCacheFiles files(kData / cache.folder);
    std::map<std::string, std::vector<std::uint8_t>> bodies;
    for (const CachedResponse& response : capture::ReadCache(files, cache.kind))
        if (response.state == capture::BodyState::Whole) bodies[response.url] = capture::ReadBody(files, response);
    return bodies;
}

std::string_view Text(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

const std::pair<const std::string, std::vector<std::uint8_t>>* Named(
    const std::map<std::string, std::vector<std::uint8_t>>& bodies, std::string_view tail) {
    for (const auto& entry : bodies)
        if (entry.first.ends_with(tail)) return &entry;
    return nullptr;
}

// The stream a manifest names, as the cache holds it: init, then every cached segment in order.
std::vector<std::uint8_t> Joined(const std::map<std::string, std::vector<std::uint8_t>>& bodies,
                                 const ManifestStream& stream, std::size_t& cached) {
    std::vector<std::uint8_t> bytes;
    cached = 0;
    if (!stream.initUrl.empty()) {
        const auto found = bodies.find(stream.initUrl);
        if (found == bodies.end()) return {};
        bytes = found->second;
    }
    for (const ManifestSegment& segment : stream.segments) {
        const auto found = bodies.find(segment.url);
        if (found == bodies.end()) continue;
        bytes.insert(bytes.end(), found->second.begin(), found->second.end());
        ++cached;
    }
    return bytes;
}

std::map<std::string, double> ExpectedSeconds() {
    std::map<std::string, double> expected;
    std::ifstream file(kData / "players-expected.txt");
    std::string name;
    double seconds = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with("#")) continue;
        std::istringstream(line) >> name >> seconds;
        expected[name] = seconds;
    }
    return expected;
}

// Each DASH playback in each cache: the manifest names the cached init and segments of
// exactly the played representations, and those bytes say what they are, whatever the
// server called them; the played picture and its sound last the playback's length.
TEST(PlayerCaches, DashManifestsNameTheCachedStreamsWhoseBytesTellPictureFromSound) {
    const std::map<std::string, double> expected = ExpectedSeconds();
    struct Playback {
        const char* name;
        std::string videoCodec;
        std::string audioCodec;
    };
    for (const PlayerCache& cache : kPlayerCaches) {
        const auto bodies = Bodies(cache);
        for (const Playback& playback :
             {Playback{"dash-number", "h264", "aac"}, Playback{"dash-timeline", "h264", "aac"},
              Playback{"shaka-webm", "vp9", "opus"}}) {
            SCOPED_TRACE(std::string(cache.folder) + " " + playback.name);
            const auto* mpd = Named(bodies, std::string(playback.name) + "/manifest.mpd");
            ASSERT_NE(mpd, nullptr);
            ASSERT_TRUE(LooksLikeDash(Text(mpd->second)));
            const StreamManifest manifest = ReadDashManifest(Text(mpd->second), mpd->first);
            ASSERT_TRUE(manifest.valid);
            EXPECT_FALSE(manifest.live);
            double longest = 0;
            int played = 0;
            for (const ManifestStream& stream : manifest.streams) {
                std::size_t cached = 0;
                const std::vector<std::uint8_t> bytes = Joined(bodies, stream, cached);
                if (cached == 0) continue;  // a representation the player did not choose
                ++played;
                // Players may leave out a last sliver of sound a few milliseconds long.
                EXPECT_GE(cached + 1, stream.segments.size()) << stream.id;
                const MediaContent content = InspectMedia(MemoryBytes(bytes));
                EXPECT_EQ(content.video, stream.kind == DeclaredKind::Video) << stream.id;
                EXPECT_EQ(content.audio, stream.kind == DeclaredKind::Audio) << stream.id;
                EXPECT_EQ(content.video ? content.videoCodec : content.audioCodec,
                          content.video ? playback.videoCodec : playback.audioCodec);
                ASSERT_TRUE(content.seconds.has_value());
                longest = std::max(longest, *content.seconds);
            }
            EXPECT_EQ(played, 2) << "one picture and one sound";
            EXPECT_NEAR(longest, expected.at(playback.name), 0.1);
        }
    }
}

// hls.js: the master names two variants, the larger played; fMP4 with its sound in an
// audio group, TS with sound inside each segment.
TEST(PlayerCaches, HlsMastersNameVariantsAndSoundGroupsAndMediaPlaylistsTheirSegments) {
    const std::map<std::string, double> expected = ExpectedSeconds();
    for (const PlayerCache& cache : kPlayerCaches) {
        SCOPED_TRACE(cache.folder);
        const auto bodies = Bodies(cache);
        for (const char* name : {"hls-ts", "hls-fmp4"}) {
            const bool fmp4 = std::string_view(name) == "hls-fmp4";
            const auto* master = Named(bodies, std::string(name) + "/master.m3u8");
            ASSERT_NE(master, nullptr) << name;
            const StreamManifest variants = ReadHlsPlaylist(Text(master->second), master->first);
            ASSERT_TRUE(variants.master);
            std::vector<const ManifestStream*> pictures;
            std::vector<const ManifestStream*> sounds;
            for (const ManifestStream& stream : variants.streams)
                (stream.kind == DeclaredKind::Audio ? sounds : pictures).push_back(&stream);
            ASSERT_EQ(pictures.size(), 2u);
            EXPECT_EQ(pictures[0]->width, 320);
            EXPECT_EQ(sounds.size(), fmp4 ? 1u : 0u);
            if (fmp4) {
                EXPECT_EQ(pictures[0]->audioGroup, sounds[0]->audioGroup);
                EXPECT_TRUE(sounds[0]->isDefault);
            }
            double longest = 0;
            std::vector<const ManifestStream*> all = pictures;
            all.insert(all.end(), sounds.begin(), sounds.end());
            int played = 0;
            for (const ManifestStream* listed : all) {
                const auto playlist = bodies.find(listed->id);
                if (playlist == bodies.end()) continue;
                const StreamManifest media = ReadHlsPlaylist(Text(playlist->second), playlist->first);
                ASSERT_EQ(media.streams.size(), 1u);
                EXPECT_FALSE(media.live);
                EXPECT_EQ(media.streams[0].initUrl.empty(), !fmp4);
                std::size_t cached = 0;
                const MediaContent content = InspectMedia(MemoryBytes(Joined(bodies, media.streams[0], cached)));
                if (cached == 0) continue;
                ++played;
                EXPECT_EQ(content.video, listed->kind != DeclaredKind::Audio) << listed->id;
                EXPECT_EQ(content.audio, listed->kind != DeclaredKind::Video) << listed->id;
                if (content.seconds) longest = std::max(longest, *content.seconds);
            }
            EXPECT_EQ(played, fmp4 ? 2 : 1) << name;
            EXPECT_NEAR(longest, expected.at(name), 0.1) << name;
        }
    }
}

// Manifest shapes beyond the players' own: each case's segment addresses, in order.
TEST(DashManifests, SegmentAddressingOfEveryKind) {
    struct Case {
        const char* name;
        const char* body;  // inside <MPD ...><Period ...>
        std::vector<std::string> init;
        std::vector<std::string> segments;  // of the first representation
        std::vector<double> starts;
    };
    const Case cases[] = {
        {"number with width, inherited from the set",
         R"(<AdaptationSet mimeType="video/mp4"><SegmentTemplate timescale="10" duration="20" startNumber="3"
            initialization="$RepresentationID$/i.mp4" media="$RepresentationID$/s$Number%04d$-$Bandwidth$.m4s"/>
            <Representation id="hd" bandwidth="900"/></AdaptationSet>)",
         {"http://h/v/hd/i.mp4"},
         {"http://h/v/hd/s0003-900.m4s", "http://h/v/hd/s0004-900.m4s", "http://h/v/hd/s0005-900.m4s"},
         {0, 2, 4}},
        {"timeline with a repeat to the period's end and a presentation offset",
         R"(<AdaptationSet contentType="audio"><Representation id="a"><SegmentTemplate timescale="1000"
            presentationTimeOffset="500" media="t$Time$.m4s"><SegmentTimeline><S t="500" d="2000" r="-1"/>
            </SegmentTimeline></SegmentTemplate></Representation></AdaptationSet>)",
         {""},
         {"http://h/v/t500.m4s", "http://h/v/t2500.m4s", "http://h/v/t4500.m4s"},
         {0, 2, 4}},
        {"segment list with ranges under a BaseURL",
         R"(<AdaptationSet mimeType="video/mp4"><Representation id="r"><BaseURL>../media/v.mp4</BaseURL>
            <SegmentList timescale="1" duration="3"><Initialization range="0-99"/>
            <SegmentURL mediaRange="100-199"/><SegmentURL mediaRange="200-299"/></SegmentList>
            </Representation></AdaptationSet>)",
         {"http://h/media/v.mp4"},
         {"http://h/media/v.mp4", "http://h/media/v.mp4"},
         {0, 3}},
        {"segment base: one file fetched by ranges",
         R"(<AdaptationSet mimeType="audio/mp4"><Representation id="b"><BaseURL>//cdn/a.m4a</BaseURL>
            <SegmentBase indexRange="700-899"><Initialization range="0-699"/></SegmentBase>
            </Representation></AdaptationSet>)",
         {"http://cdn/a.m4a"},
         {"http://cdn/a.m4a"},
         {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string(R"(<?xml version="1.0"?><MPD xmlns="urn:mpeg:dash:schema:mpd:2011" )") +
                                 R"(type="static" mediaPresentationDuration="PT6S"><Period start="PT0S">)" + c.body +
                                 "</Period></MPD>";
        const StreamManifest manifest = ReadDashManifest(text, "http://h/v/manifest.mpd");
        ASSERT_EQ(manifest.streams.size(), 1u);
        const ManifestStream& stream = manifest.streams[0];
        EXPECT_EQ(stream.initUrl, c.init[0]);
        std::vector<std::string> urls;
        std::vector<double> starts;
        for (const ManifestSegment& segment : stream.segments) {
            urls.push_back(segment.url);
            starts.push_back(segment.start);
        }
        EXPECT_EQ(urls, c.segments);
        EXPECT_EQ(starts, c.starts);
    }
}

TEST(DashManifests, TwoPeriodsKeepTheirStreamsApartAndBrokenTextReadsAsNone) {
    const StreamManifest two = ReadDashManifest(
        R"(<MPD mediaPresentationDuration="PT10S"><Period duration="PT4S"><AdaptationSet contentType="video">
           <Representation id="v"><SegmentTemplate media="a$Number$" duration="2"/></Representation></AdaptationSet>
           </Period><Period><AdaptationSet contentType="video"><Representation id="v">
           <SegmentTemplate media="b$Number$" duration="2"/></Representation></AdaptationSet></Period></MPD>)",
        "http://h/m.mpd");
    ASSERT_EQ(two.streams.size(), 2u);
    EXPECT_EQ(two.streams[0].period, 0u);
    EXPECT_EQ(two.streams[1].period, 1u);
    EXPECT_EQ(two.streams[0].segments.size(), 2u);
    EXPECT_EQ(two.streams[1].segments.size(), 3u);
    EXPECT_DOUBLE_EQ(two.streams[1].segments[0].start, 4);
    for (const char* broken :
         {"", "<MPD", "<html><MPD/></html>", "#EXTM3U",
          "<MPD><Period><AdaptationSet><Representation><SegmentTemplate media=\"x\" duration=\"0\"/>"})
        EXPECT_TRUE(ReadDashManifest(broken, "http://h/").streams.empty()) << broken;
}

// A manifest of ten thousand segments, every one spelled out (bench/native times it).
TEST(DashManifests, TenThousandSegmentsAreEachSpelledOut) {
    std::string text = R"(<MPD type="static"><Period><AdaptationSet contentType="video"><Representation id="v">
        <SegmentTemplate timescale="1000" media="s$Time$.m4s"><SegmentTimeline>)";
    for (int i = 0; i < 10000; ++i) text += "<S d=\"" + std::to_string(2000 + i % 7) + "\"/>";
    text += "</SegmentTimeline></SegmentTemplate></Representation></AdaptationSet></Period></MPD>";
    const StreamManifest manifest = ReadDashManifest(text, "http://h/m.mpd");
    ASSERT_EQ(manifest.streams.at(0).segments.size(), 10000u);
    const ManifestSegment& last = manifest.streams[0].segments.back();
    // 9,999 durations of 2,000 ms plus i % 7 before it.
    std::uint64_t time = 0;
    for (int i = 0; i < 9999; ++i) time += 2000 + i % 7;
    EXPECT_EQ(last.url, "http://h/s" + std::to_string(time) + ".m4s");
    EXPECT_DOUBLE_EQ(last.start, time / 1000.0);
}

TEST(HlsPlaylists, ByteRangesInitMapAndLiveLists) {
    const StreamManifest media = ReadHlsPlaylist(
        "#EXTM3U\n#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"700@0\"\n#EXTINF:2.5,\n#EXT-X-BYTERANGE:1000@700\nall.mp4\n"
        "#EXTINF:2.5,\n#EXT-X-BYTERANGE:800\nall.mp4\n",
        "http://h/a/b.m3u8?token=1");
    ASSERT_EQ(media.streams.size(), 1u);
    const ManifestStream& stream = media.streams[0];
    EXPECT_TRUE(media.live);
    EXPECT_EQ(stream.initUrl, "http://h/a/init.mp4");
    EXPECT_EQ(stream.initRange, (ByteSpan{0, 699}));
    ASSERT_EQ(stream.segments.size(), 2u);
    EXPECT_EQ(stream.segments[1].range, (ByteSpan{1700, 2499}));
    EXPECT_DOUBLE_EQ(stream.segments[1].start, 2.5);
    for (const auto& [reference, absolute] : std::vector<std::pair<std::string, std::string>>{
             {"../c/d.ts?t=2", "https://h:8/c/d.ts?t=2"},
             {"./s.m4s", "https://h:8/a/s.m4s"},
             {"/abs/s.m4s", "https://h:8/abs/s.m4s"},
             {"//g/x", "https://g/x"},
             {"http://other/x.ts", "http://other/x.ts"},
         })
        EXPECT_EQ(ResolveUrl("https://h:8/a/b.m3u8?q#f", reference), absolute) << reference;
    EXPECT_EQ(FillTemplate("$$x$Time%03d$$Unknown$", "r", 1, 7, 0), "$x007$Unknown$");
}

}  // namespace
}  // namespace intake
