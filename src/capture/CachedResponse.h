#pragma once
// One response as a browser cache holds it: where it came from, what it says it is, and
// where its body lies. Portable: no Windows header.
#include "capture/CacheFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace capture {

// A checksum that the browser stored beside bytes it cached.
enum class DigestKind {
    Crc32,         // zlib's CRC-32 (Chromium's Simple cache, per stream and per range record)
    FirefoxChunk,  // the low 16 bits of Firefox's hash of one 256 KiB chunk
};
struct StoredDigest {
    DigestKind kind = DigestKind::Crc32;
    std::uint32_t value = 0;
    bool operator==(const StoredDigest&) const = default;
};

// `length` bytes of the body, found at `offset` of the cache file `file`.
struct BodyRange {
    BodyRange() = default;
    BodyRange(std::string file, std::uint64_t offset, std::uint64_t length,
              std::optional<StoredDigest> digest = std::nullopt)
        : file(std::move(file)), offset(offset), length(length), digest(digest) {}

    std::string file;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    // What the browser stored for exactly these bytes, when it stored anything.
    std::optional<StoredDigest> digest;
    bool operator==(const BodyRange&) const = default;
};

enum class BodyState {
    Whole,       // the ranges, in order, are the body the server sent
    Incomplete,  // parts are missing for now; the browser may still fetch them
    Compressed,  // stored compressed by the browser, and no decompressor is at hand
};

struct CachedResponse {
    std::string url;
    // The site of the page that fetched it, when the cache partitions by site (the
    // top-frame site of a Chromium key, the partition of a Firefox key); else the URL's
    // host. Pieces a page plays together come from one site.
    std::string site;
    // The page's site as the cache key names it (history::SiteText), empty when the key
    // names none; and the request's Referer, where the cache kept it. They name the clip.
    std::string pageSite;
    std::string referrer;
    // When the browser received it, in seconds since 1970 UTC; 0 when the cache does not say.
    std::int64_t fetchedAt = 0;
    std::string contentType;
    // What the server said the whole body is; 0 when it did not say.
    std::uint64_t totalLength = 0;
    BodyState state = BodyState::Incomplete;
    std::vector<BodyRange> body;
    // Files that hold this response and nothing else, the first one standing for the
    // entry: these carry the markers. Empty when the entry shares its files with others.
    std::vector<std::string> ownFiles;
    // Stored bytes with a digest that are not a body range as they stand (the response
    // head, a record cut where it overlaps another): checked apart from the body.
    std::vector<BodyRange> otherDigests;
    // How the entry's files stood (sizes and times) when it was read, as the watcher
    // stamps them; 0 when nobody did.
    std::uint64_t filesStamp = 0;

    std::uint64_t BodyLength() const;
};

// "http://host:port" of an absolute URL; empty when it has none.
std::string OriginOf(std::string_view url);

// Every byte of the ranges appended in order; for tests and small bodies.
std::vector<std::uint8_t> ReadBody(const CacheFiles& files, const CachedResponse& response);

// Sets Compressed when the stored body starts with the zstd frame magic.
void NoteCompressedBody(const CacheFiles& files, CachedResponse& response);

// The status line and header lines of an HTTP response, however the cache separated them.
class HttpHead {
public:
    // `raw` holds lines separated by NUL, or by CR LF or LF.
    explicit HttpHead(std::string_view raw);
    int status() const { return status_; }
    // The first header of that name, compared without regard to case; empty when absent.
    std::string Value(std::string_view name) const;
    // The whole body's length: the total of Content-Range on a 206, else Content-Length.
    std::uint64_t TotalLength() const;
    // The media type without parameters.
    std::string ContentType() const;

private:
    int status_ = 0;
    std::vector<std::string> lines_;
};

}  // namespace capture
