#pragma once
// Which reader a cache folder needs, and every response it holds. Portable.
#include "capture/CachedResponse.h"

#include <vector>

namespace capture {

enum class CacheKind { None, ChromiumSimple, ChromiumBlockfile, Firefox };

// Chromium's folders by the magic of their "index"; Firefox's "cache2" by its "entries".
CacheKind DetectCacheKind(const CacheFiles& files, bool namedCache2);

std::vector<CachedResponse> ReadCache(const CacheFiles& files, CacheKind kind);

}  // namespace capture
