#pragma once
// What a piece's URL says about the stream it belongs to: a range in its query, a number
// in its file name, or a line of a playlist. Portable: no Windows header.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace capture {

// A piece fetched as "...?range=A-B" (bounds inclusive) and answered 200 with just those
// bytes. `stream` names the stream whatever the request: the URL without its fragment,
// with its query parameters sorted and without the range and the parameters a player
// changes on every request (a request counter, its buffer level), so that all pieces of
// one stream share it and two streams never do.
struct QueryRange {
    std::string stream;
    // The same with "clen=" kept, as earlier versions named the stream in their record.
    std::string legacyStream;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    // "clen=", the whole stream's length as the address claims it; 0 when absent. Only a
    // hint: pieces that reach further say more, and it is no part of the stream's name.
    std::uint64_t streamLength = 0;
};
std::optional<QueryRange> QueryRangeOf(std::string_view url);

// A segment whose file name carries its place: "seg12.ts", "chunk-stream0-00012.m4s". The
// stream is the URL with that last number replaced, the query left out.
struct NumberedSegment {
    std::string stream;
    std::uint64_t number = 0;
};
std::optional<NumberedSegment> NumberedSegmentOf(std::string_view url);

// True for a segment that starts a numbered stream: "init.mp4", "init-stream0.m4s", in the
// same folder as `segmentStream`'s segments.
bool IsInitSegmentOf(std::string_view url, std::string_view segmentStream);

// How many name parts (runs of letters and digits, "init" and the extension aside) an init
// segment's file name shares with the file names of a numbered stream's segments.
std::size_t InitNameAffinity(std::string_view initUrl, std::string_view segmentStream);

// A playlist by its type, or by its name when the server gave a generic type.
bool IsPlaylistResponse(std::string_view contentType, std::string_view url);

}  // namespace capture
