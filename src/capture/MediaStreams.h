#pragma once
// Streams, not pieces: the responses of one cache put together into the streams a page
// played. A piece alone misleads (an init segment probes as a video of no length, a lone
// fragment as nothing, a segment as a clip of two seconds), so pieces are grouped before
// anything is judged. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <cstdint>
#include <string>
#include <vector>

namespace capture {

enum class StreamShape {
    Single,       // one response: a whole file, or one played with Range headers
    QueryRanges,  // one response per "?range=A-B" piece
    Numbered,     // numbered segment files after an init segment
    Playlist,     // the segments of an HLS playlist, in its order
};

struct MediaStream {
    // Names the stream across passes and runs: its site and the URL its pieces share.
    std::string identity;
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

    std::uint64_t BodyLength() const;
    bool IsAudio() const { return contentType.starts_with("audio/"); }
    bool IsVideo() const { return contentType.starts_with("video/"); }
};

// Groups every response of one cache into streams; each response lands in at most one.
// Playlists are read through `files` to learn their segments.
std::vector<MediaStream> GroupStreams(const CacheFiles& files, const std::vector<CachedResponse>& responses);

}  // namespace capture
