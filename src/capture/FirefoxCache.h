#pragma once
// Firefox's disk cache (the "cache2" folder): one file per entry under "entries/", the
// body from byte 0 and the entry's metadata after it. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <optional>
#include <string>

namespace capture {

inline constexpr const char* kFirefoxEntriesFolder = "entries";

// The response held by `name` (relative to the cache2 folder, e.g. "entries/0A1B..."), or
// nothing when the file is no readable entry.
std::optional<CachedResponse> ReadFirefoxEntry(const CacheFiles& files, const std::string& name);

}  // namespace capture
