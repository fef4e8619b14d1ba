// Streams put together from the pieces that real browsers cached while a plain adaptive
// player played (tests/data/browser-caches, made by make-caches.sh with mse.html): every
// playback comes back as its video stream and the audio stream played with it, each byte
// for byte the file the server cut its pieces from.
#include "capture/CacheReaders.h"
#include "capture/MediaStreams.h"
#include "capture/StreamPairing.h"
#include "capture/StoredDigests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace capture {
namespace {

const std::filesystem::path kData = std::filesystem::path(REELKEEP_TEST_DATA) / "browser-caches";

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return bytes;
}

std::vector<std::uint8_t> StreamBytes(const CacheFiles& files, const MediaStream& stream) {
    CachedResponse response;
    response.body = stream.body;
    return ReadBody(files, response);
}

// The served file a stream's bytes are, by name; "?" when none.
std::string ServedName(const CacheFiles& files, const MediaStream& stream) {
    const std::vector<std::uint8_t> bytes = StreamBytes(files, stream);
    for (const char* name : {"h264.mp4", "aac.mp4", "vp9.webm", "opus.webm"})
        if (bytes == FileBytes(kData / "media" / "streams" / name)) return name;
    return "?";
}

struct Read {
    std::unique_ptr<DiskCacheFiles> files;
    std::vector<CachedResponse> responses;
    std::vector<MediaStream> streams;
};

Read ReadStreams(const char* folder, CacheKind kind) {
    Read read{std::make_unique<DiskCacheFiles>(kData / folder), {}, {}};
    read.responses = ReadCache(*read.files, kind);
    read.streams = GroupStreams(*read.files, read.responses);
    InspectStreams(*read.files, read.streams);
    return read;
}

struct PlaybackCase {
    const char* folder;
    CacheKind kind;
    // How many playbacks of each pair the cache holds: Firefox keeps nothing of a playback
    // fetched with Range headers.
    int playbacksPerPair;
    // Whether the browser stores digests beside what it caches (block files do not).
    bool digests;
};

class RealStreamCaches : public testing::TestWithParam<PlaybackCase> {};

TEST_P(RealStreamCaches, EachPlaybackIsOneVideoStreamPairedWithItsAudioStream) {
    const Read read = ReadStreams(GetParam().folder, GetParam().kind);
    std::multiset<std::pair<std::string, std::string>> pairs;
    std::set<std::string> identities;
    for (const StreamGroup& group : PairStreams(read.streams)) {
        const MediaStream& stream = read.streams[group.stream];
        if (!stream.content.known()) continue;  // the page, its pieces list
        ASSERT_TRUE(group.audio.has_value()) << stream.url << " played without its sound";
        const MediaStream& audio = read.streams[*group.audio];
        EXPECT_TRUE(stream.complete && audio.complete) << stream.url;
        // Query ranges: a piece per request; Range headers: one sparse entry per stream.
        EXPECT_EQ(stream.pieces > 1, stream.shape == StreamShape::QueryRanges);
        EXPECT_EQ(audio.shape, stream.shape);
        EXPECT_TRUE(identities.insert(stream.identity).second);
        EXPECT_TRUE(identities.insert(audio.identity).second);
        pairs.emplace(ServedName(*read.files, stream), ServedName(*read.files, audio));
    }
    std::multiset<std::pair<std::string, std::string>> expected;
    for (int i = 0; i < GetParam().playbacksPerPair; ++i) {
        expected.emplace("h264.mp4", "aac.mp4");
        expected.emplace("vp9.webm", "opus.webm");
    }
    EXPECT_EQ(pairs, expected);
}

// The files of a cache with one byte turned, as damage on disk would leave it.
class DamagedFiles final : public CacheFiles {
public:
    DamagedFiles(const CacheFiles& files, std::string file, std::uint64_t offset)
        : files_(files), file_(std::move(file)), offset_(offset) {}
    std::vector<std::string> List(const std::string& subfolder) const override { return files_.List(subfolder); }
    std::optional<std::uint64_t> Size(const std::string& name) const override { return files_.Size(name); }
    bool Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (!files_.Read(name, offset, out)) return false;
        if (name == file_ && offset_ >= offset && offset_ - offset < out.size()) out[offset_ - offset] ^= 0xff;
        return true;
    }

private:
    const CacheFiles& files_;
    std::string file_;
    std::uint64_t offset_;
};

bool Covers(const BodyRange& outer, const BodyRange& inner) {
    return outer.file == inner.file && outer.offset <= inner.offset &&
           inner.offset + inner.length <= outer.offset + outer.length;
}

// What the browser stored digests for travels with the pieces into the stream: every byte
// of a stream is checked, in its body or apart, and a byte damaged anywhere fails.
TEST_P(RealStreamCaches, EveryByteOfAStreamIsCheckedAgainstTheDigestsTheBrowserStored) {
    const Read read = ReadStreams(GetParam().folder, GetParam().kind);
    int checked = 0;
    for (const MediaStream& stream : read.streams) {
        if (!stream.content.known()) continue;
        SCOPED_TRACE(stream.url);
        EXPECT_EQ(CheckStoredDigests(*read.files, stream.body), DigestCheck::Hold);
        EXPECT_EQ(CheckStoredDigests(*read.files, stream.otherDigests), DigestCheck::Hold);
        ++checked;
        if (!GetParam().digests) continue;
        for (const BodyRange& range : stream.body) {
            const bool covered = range.digest || std::any_of(stream.otherDigests.begin(), stream.otherDigests.end(),
                                                             [&](const BodyRange& other) {
                                                                 return other.digest && Covers(other, range);
                                                             });
            EXPECT_TRUE(covered) << range.file << " at " << range.offset << " is checked against nothing";
        }
        for (const BodyRange& range : {stream.body.front(), stream.body[stream.body.size() / 2], stream.body.back()}) {
            const DamagedFiles damaged(*read.files, range.file, range.offset + range.length / 2);
            const bool holds = CheckStoredDigests(damaged, stream.body) == DigestCheck::Hold &&
                               CheckStoredDigests(damaged, stream.otherDigests) == DigestCheck::Hold;
            EXPECT_FALSE(holds) << range.file << " damaged at " << range.offset + range.length / 2;
        }
    }
    EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(Browsers, RealStreamCaches,
                         testing::Values(PlaybackCase{"streams-blockfile/Cache_Data", CacheKind::ChromiumBlockfile, 2,
                                                      false},
                                         PlaybackCase{"streams-simple/Cache_Data", CacheKind::ChromiumSimple, 2, true},
                                         PlaybackCase{"streams-firefox/cache2", CacheKind::Firefox, 1, true}),
                         [](const auto& info) {
                             return std::string(info.param.kind == CacheKind::Firefox          ? "Firefox"
                                                : info.param.kind == CacheKind::ChromiumSimple ? "Simple"
                                                                                               : "Blockfile");
                         });

// The files of a cache with one more file: a copy of another, one byte turned.
class FilesWithTwin final : public CacheFiles {
public:
    FilesWithTwin(const CacheFiles& files, std::string original, std::uint64_t turned)
        : files_(files), original_(std::move(original)), turned_(turned) {}
    std::vector<std::string> List(const std::string& subfolder) const override { return files_.List(subfolder); }
    std::optional<std::uint64_t> Size(const std::string& name) const override { return files_.Size(Real(name)); }
    bool Read(const std::string& name, std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (!files_.Read(Real(name), offset, out)) return false;
        if (name == "twin" && turned_ >= offset && turned_ - offset < out.size()) out[turned_ - offset] ^= 0xff;
        return true;
    }

private:
    std::string Real(const std::string& name) const { return name == "twin" ? original_ : name; }
    const CacheFiles& files_;
    std::string original_;
    std::uint64_t turned_;
};

// A range fetched twice is cached twice. The same bytes are one piece; different bytes
// are judged by the digests stored with them: the copy whose digest holds is taken, and
// when both hold neither is, so the stream stops before that range.
TEST(RealStreamCaches, ARangeCachedTwiceWithOtherBytesIsTakenOnlyWhenItsDigestDecides) {
    const Read read = ReadStreams("streams-simple/Cache_Data", CacheKind::ChromiumSimple);
    const auto middle = std::find_if(read.responses.begin(), read.responses.end(), [](const CachedResponse& r) {
        return r.url.find("itag=134") != std::string::npos && r.url.find("range=0-") == std::string::npos &&
               r.body.size() == 1 && r.body[0].digest;
    });
    ASSERT_NE(middle, read.responses.end());
    const auto video = [](const std::vector<MediaStream>& streams) {
        return *std::find_if(streams.begin(), streams.end(),
                             [](const MediaStream& s) { return s.url.find("itag=134") != std::string::npos; });
    };
    const std::uint64_t whole = video(read.streams).BodyLength();
    const BodyRange& part = middle->body[0];
    const FilesWithTwin files(*read.files, part.file, part.offset + part.length / 2);
    struct Case {
        const char* name;
        bool turned;       // the twin's bytes differ
        bool digestHolds;  // the twin carries a digest of its own bytes
        bool streamWhole;  // the stream still reaches its end
    };
    for (const Case c : {Case{"same bytes", false, false, true}, Case{"damaged twin", true, false, true},
                         Case{"two that hold", true, true, false}}) {
        SCOPED_TRACE(c.name);
        std::vector<CachedResponse> responses = read.responses;
        CachedResponse twin = *middle;
        twin.url.replace(twin.url.find("&rn="), 4, "&rn=9");
        twin.body[0].file = c.turned ? "twin" : part.file;
        if (c.digestHolds) {
            const auto bytes = ReadBytes(files, "twin", part.offset, part.length);
            ASSERT_TRUE(bytes);
            twin.body[0].digest = StoredDigest{part.digest->kind, DigestOf(part.digest->kind, *bytes)};
        }
        responses.push_back(twin);
        const MediaStream stream = video(GroupStreams(files, responses));
        EXPECT_EQ(stream.BodyLength() == whole, c.streamWhole);
        EXPECT_EQ(CheckStoredDigests(files, stream.body), DigestCheck::Hold) << "a damaged copy was taken";
    }
}

TEST(RealStreamCaches, SmallPiecesInBlockFilesAreRead) {
    const Read read = ReadStreams("streams-blockfile/Cache_Data", CacheKind::ChromiumBlockfile);
    // The init segments (under 1 KiB) and most audio pieces lie inside the block files.
    const auto inBlockFiles = std::count_if(read.responses.begin(), read.responses.end(), [](const CachedResponse& r) {
        return r.url.find("range=0-") != std::string::npos && !r.body.empty() && r.body[0].file.starts_with("data_");
    });
    EXPECT_GE(inBlockFiles, 4);
}

TEST(RealStreamCaches, StoppedPlaybackIsItsFirstPiecesThenGrowsUnderTheSameIdentity) {
    const Read half = ReadStreams("streams-half/first-run/Cache_Data", CacheKind::ChromiumBlockfile);
    const Read whole = ReadStreams("streams-half/second-run/Cache_Data", CacheKind::ChromiumBlockfile);
    const auto video = [](const Read& read) {
        const auto found = std::find_if(read.streams.begin(), read.streams.end(),
                                        [](const MediaStream& s) { return s.IsVideoOnly() && s.pieces > 1; });
        return found == read.streams.end() ? nullptr : &*found;
    };
    const MediaStream* before = video(half);
    const MediaStream* after = video(whole);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    const std::vector<std::uint8_t> served = FileBytes(kData / "media/streams/vp9.webm");
    const std::vector<std::uint8_t> played = StreamBytes(*half.files, *before);
    EXPECT_FALSE(before->complete);
    // Eight of fifteen pieces; the first holds a large key frame.
    ASSERT_GT(played.size(), served.size() / 3);
    ASSERT_LT(played.size(), served.size() * 4 / 5);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), served.begin())) << "not the start of the stream";
    EXPECT_EQ(before->totalLength, served.size()) << "clen names the whole length";
    EXPECT_TRUE(after->complete);
    EXPECT_EQ(after->identity, before->identity);
    EXPECT_TRUE(StreamBytes(*whole.files, *after) == served);
}

TEST(RealStreamCaches, HlsPlaylistIsOneStreamOfItsSegmentsInOrder) {
    const Read read = ReadStreams("hls-blockfile/Cache_Data", CacheKind::ChromiumBlockfile);
    std::vector<std::uint8_t> joined;
    for (int i = 0; i < 4; ++i) {
        const auto segment = FileBytes(kData / "media/hls" / ("seg" + std::to_string(i) + ".ts"));
        ASSERT_GT(segment.size(), 200000u);
        joined.insert(joined.end(), segment.begin(), segment.end());
    }
    int playlists = 0;
    for (const MediaStream& stream : read.streams) {
        if (stream.shape == StreamShape::Playlist) {
            ++playlists;
            EXPECT_TRUE(stream.complete);
            EXPECT_TRUE(stream.url.ends_with("/media/hls/playlist.m3u8"));
            EXPECT_TRUE(StreamBytes(*read.files, stream) == joined);
        } else {
            EXPECT_LE(stream.BodyLength(), 200000u) << stream.url << " would be a clip of its own";
        }
    }
    EXPECT_EQ(playlists, 1);
}

// Hand-made streams for the pairing rules: what the bytes held ("video/mp4": a picture in
// MP4, "audio/webm": sound in WebM), the fetch times and the address are all that counts.
MediaStream Stream(const char* type, const char* site, std::int64_t first, std::int64_t last,
                   std::string url = "http://h/videoplayback?id=1") {
    MediaStream stream;
    const std::string_view kind(type);
    stream.content.video = kind.starts_with("video/");
    stream.content.audio = kind.starts_with("audio/");
    stream.content.container = kind.ends_with("webm")  ? intake::MediaContainer::WebM
                               : kind.ends_with("mp4") ? intake::MediaContainer::Mp4
                                                       : intake::MediaContainer::Unknown;
    stream.site = site;
    stream.url = std::move(url);
    stream.identity = std::string(site) + " " + type + std::to_string(first);
    stream.firstFetched = first;
    stream.lastFetched = last;
    return stream;
}

TEST(StreamPairing, ClosestFetchTimesOfOneSitePairAndAudioAloneStaysAlone) {
    struct Case {
        const char* name;
        std::vector<MediaStream> streams;
        std::map<std::size_t, std::optional<std::size_t>> groups;  // stream -> its audio
    };
    const Case cases[] = {
        {"two playbacks one after the other",
         {Stream("video/mp4", "a", 100, 160), Stream("audio/mp4", "a", 100, 161), Stream("video/mp4", "a", 170, 230),
          Stream("audio/mp4", "a", 171, 229)},
         {{0, 1}, {2, 3}}},
        {"another site's audio is never the partner",
         {Stream("video/webm", "a", 100, 160), Stream("audio/webm", "b", 100, 160)},
         {{0, std::nullopt}, {1, std::nullopt}}},
        {"too far apart",
         {Stream("video/mp4", "a", 100, 110), Stream("audio/mp4", "a", 200, 210)},
         {{0, std::nullopt}, {1, std::nullopt}}},
        {"same times: the same container wins",
         {Stream("video/webm", "a", 100, 160), Stream("audio/mp4", "a", 100, 160), Stream("audio/webm", "a", 100, 160)},
         {{0, 2}, {1, std::nullopt}}},
        {"a page without a fetch time pairs nothing",
         {Stream("video/mp4", "a", 0, 0), Stream("audio/mp4", "a", 0, 0)},
         {{0, std::nullopt}, {1, std::nullopt}}},
        {"a progressive video and text",
         {Stream("video/mp4", "a", 100, 100), Stream("text/html", "a", 100, 100)},
         {{0, std::nullopt}, {1, std::nullopt}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<std::size_t, std::optional<std::size_t>> groups;
        std::size_t members = 0;
        for (const StreamGroup& group : PairStreams(c.streams)) {
            groups[group.stream] = group.audio;
            members += group.audio ? 2 : 1;
        }
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(members, c.streams.size()) << "every stream in exactly one group";
    }
}

TEST(StreamPairing, DurationsAgreeWithinAFewSecondsOrAShareOfTheLonger) {
    EXPECT_TRUE(DurationsAgree(14.0, 14.023));
    EXPECT_TRUE(DurationsAgree(7.0, 9.5));     // a stopped playback: audio fetched further
    EXPECT_FALSE(DurationsAgree(14.0, 60.0));  // another video's sound
    EXPECT_TRUE(DurationsAgree(600.0, 680.0));
    EXPECT_FALSE(DurationsAgree(600.0, 720.0));
    EXPECT_FALSE(DurationsAgree(0.0, 0.0));
}

}  // namespace
}  // namespace capture
