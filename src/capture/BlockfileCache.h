#pragma once
// Chromium's block-file disk cache (its layout on Windows): an "index" of hash buckets,
// entries of 256-byte blocks in "data_1", small streams in "data_N" blocks and large
// ones in "f_xxxxxx" files. Media fetched in ranges is a parent entry with children of
// 1 MiB each. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <vector>

namespace capture {

// Every HTTP response of the cache; range children are folded into their parents.
std::vector<CachedResponse> ReadBlockfileCache(const CacheFiles& files);

}  // namespace capture
