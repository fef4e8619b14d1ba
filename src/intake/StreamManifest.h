#pragma once
// What a DASH manifest or an HLS playlist says about the streams a player fetched from it:
// which segment addresses and which init segment make up each representation, in order and
// with their times, which sound goes with which picture, and how long it all plays. Read
// from text alone, so the same readers serve the cache (a manifest the browser kept) and
// the web. Portable: no Windows header.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace intake {

// What a manifest says a representation carries. Only a hint: what a stream holds is read
// from its own bytes.
enum class DeclaredKind { Unknown, Video, Audio, Muxed };

// Bytes [first, last] of a resource, as a Range header or an HLS BYTERANGE gives them.
struct ByteSpan {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    bool operator==(const ByteSpan&) const = default;
};

struct ManifestSegment {
    std::string url;  // absolute
    std::optional<ByteSpan> range;
    double start = 0;  // seconds on the presentation's time line
    double duration = 0;
};

struct ManifestStream {
    std::string id;  // DASH Representation@id; an HLS playlist's address
    DeclaredKind kind = DeclaredKind::Unknown;
    std::string codecs;
    int width = 0;
    int height = 0;
    std::uint64_t bandwidth = 0;
    std::string initUrl;  // empty when the segments start themselves (MPEG-TS)
    std::optional<ByteSpan> initRange;
    std::vector<ManifestSegment> segments;
    // DASH: the Period it belongs to (sound pairs only within one). HLS: 0.
    std::size_t period = 0;
    // HLS: a variant's AUDIO group, or a rendition's GROUP-ID.
    std::string audioGroup;
    bool isDefault = false;  // HLS: DEFAULT=YES of a rendition
};

struct StreamManifest {
    bool valid = false;
    bool live = false;  // DASH type="dynamic", HLS without #EXT-X-ENDLIST
    // HLS master playlist: its streams have no segments yet; their own playlists hold them.
    bool master = false;
    std::vector<ManifestStream> streams;
    std::optional<double> seconds;  // how long the presentation plays, when it says
};

// A DASH MPD fetched from `url`; relative addresses resolve against BaseURL elements and
// then `url`. Segment lists longer than `mostSegments` per representation are cut there:
// a manifest is input like any other.
inline constexpr std::size_t kMostManifestSegments = 200'000;
StreamManifest ReadDashManifest(std::string_view text, std::string_view url,
                                std::size_t mostSegments = kMostManifestSegments);

// An HLS playlist fetched from `url`: a master playlist's variants and renditions (no
// segments), or a media playlist's one stream with its segments.
StreamManifest ReadHlsPlaylist(std::string_view text, std::string_view url,
                               std::size_t mostSegments = kMostManifestSegments);

// Text that is a manifest by its first characters, whatever it was served as.
bool LooksLikeDash(std::string_view text);
bool LooksLikeHls(std::string_view text);

// `reference` made absolute against `base` ("../", "./", "/x", "//host/x" and full URLs).
std::string ResolveUrl(std::string_view base, std::string_view reference);

// A SegmentTemplate's address for one segment: $RepresentationID$, $Number$, $Time$ and
// $Bandwidth$ (each with an optional %0Nd width) and $$ replaced.
std::string FillTemplate(std::string_view pattern, std::string_view representation, std::uint64_t number,
                         std::uint64_t time, std::uint64_t bandwidth);

}  // namespace intake
