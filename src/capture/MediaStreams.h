#pragma once
// Streams, not pieces: the responses of one cache put together into the streams a page
// played. A piece alone misleads (an init segment probes as a video of no length, a lone
// fragment as nothing, a segment as a clip of two seconds), so pieces are grouped before
// anything is judged. Portable: no Windows header.
#include "capture/CachedResponse.h"
#include "intake/MediaBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capture {

enum class StreamShape {
    Single,       // one response: a whole file, or one played with Range headers
    QueryRanges,  // one response per "?range=A-B" piece
    Numbered,     // numbered segment files after an init segment
    Playlist,     // the segments of an HLS playlist, in its order
    Manifest,     // a DASH representation's init and segments, as its manifest names them
};

struct MediaStream {
    // Names the stream across passes and runs: its site and the URL its pieces share.
    std::string identity;
    // How earlier versions named it in their record, when that differs; else empty.
    std::string legacyIdentity;
    std::string site;
    std::string pageSite;  // of its first piece: see CachedResponse
    std::string referrer;
    std::string url;  // the address the clip keeps: the stream's URL, or its playlist's
    std::string contentType;
    StreamShape shape = StreamShape::Single;
    std::uint64_t totalLength = 0;  // 0 when nothing says how long the stream is
    // The stream from its start, as far as its pieces run without a gap.
    std::vector<BodyRange> body;
    // Stored bytes with a digest that are not a body range as they stand (the heads of its
    // pieces, a piece cut to the range it answers): checked apart from the body.
    std::vector<BodyRange> otherDigests;
    // How the files of its pieces stood when they were read; bytes rewritten in place
    // change it. 0 when the reader did not say.
    std::uint64_t filesStamp = 0;
    // Every byte up to the stream's end is here and nothing more will come.
    bool complete = false;
    std::size_t pieces = 0;
    std::vector<std::string> ownFiles;
    std::int64_t firstFetched = 0;
    std::int64_t lastFetched = 0;

    // Set when a manifest named the stream: streams with the same key were played
    // together (a DASH manifest's Period, an HLS master's audio group) and only they pair.
    std::string pairKey;
    // From the manifest's times of the segments kept: where they start and how long they
    // play. A gap cut the stream short when `cutAtGap`: more was cached after it.
    std::optional<double> manifestStart;
    std::optional<double> manifestSeconds;
    bool cutAtGap = false;

    // What its bytes say it holds (InspectStreams); unknown until inspected.
    intake::MediaContent content;

    std::uint64_t BodyLength() const;
    // Picture alone, sound alone, or both, by its bytes.
    bool IsVideoOnly() const { return content.video && !content.audio; }
    bool IsAudioOnly() const { return content.audio && !content.video; }
};

// Groups every response of one cache into streams; each response lands in at most one.
// Manifests and playlists are read through `files` first: what they name is theirs.
std::vector<MediaStream> GroupStreams(const CacheFiles& files, const std::vector<CachedResponse>& responses);

// The stream's body, read from the cache at any offset; for inspection and joins.
class StreamBytes final : public intake::ByteSource {
public:
    StreamBytes(const CacheFiles& files, const std::vector<BodyRange>& body);
    std::uint64_t size() const override { return size_; }
    bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    const CacheFiles& files_;
    const std::vector<BodyRange>& body_;
    std::vector<std::uint64_t> starts_;  // where each range begins in the stream
    std::uint64_t size_ = 0;
};

// Fills each stream's `content` from its bytes: the tracks from its start, and the time it
// plays from its fragments' headers. Streams whose content is known already are left.
void InspectStreams(const CacheFiles& files, std::vector<MediaStream>& streams);

}  // namespace capture
