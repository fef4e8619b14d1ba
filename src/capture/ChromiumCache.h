#pragma once
// What both of Chromium's disk-cache layouts share: the entry key, the pickled response
// info of stream 0, and telling the layouts apart. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <optional>
#include <span>
#include <string>

namespace capture {

enum class ChromiumLayout { None, Simple, Blockfile };

// The layout a cache folder's "index" file starts with.
ChromiumLayout LayoutOfIndex(std::span<const std::uint8_t> start);
ChromiumLayout DetectChromiumLayout(const CacheFiles& files);

// The URL of an HTTP cache key: its last space-separated part ("1/0/_dk_<site> <site> <url>").
std::string UrlOfChromiumKey(std::string_view key);
// The top-frame site of a partitioned key ("1/0/_dk_<site> ..."), else the URL's origin.
std::string SiteOfChromiumKey(std::string_view key);

struct ResponseInfo {
    std::string rawHeaders;         // status line and headers, NUL-separated
    bool truncated = false;         // the response was cut short and may be resumed
    std::int64_t responseTime = 0;  // microseconds since 1601-01-01 UTC
};
// Stream 0 of an entry: a pickle of the response info. Nothing when it does not parse.
std::optional<ResponseInfo> ParseResponseInfo(std::span<const std::uint8_t> pickle);

// Seconds since 1970 of a time as Chromium stores it; 0 for none.
std::int64_t UnixSecondsOfChromiumTime(std::int64_t microsecondsSince1601);

// Fills url, site, fetch time, content type and total length from the key and stream 0; false when the
// entry is no HTTP response (code caches and the like keep other things under a key).
bool DescribeResponse(std::string_view key, std::span<const std::uint8_t> stream0, CachedResponse& response,
                      bool& truncated);

// Orders pieces of a body by their offset in the resource and sets the state: Whole when
// they cover 0 up to the server's total without a gap (overlaps are trimmed), else
// Incomplete.
struct ResourcePiece {
    std::uint64_t resourceOffset = 0;
    BodyRange range;
};
void AssemblePieces(std::vector<ResourcePiece> pieces, CachedResponse& response);

}  // namespace capture
