#pragma once
// Chromium's Simple disk cache: per entry a "<hash>_0" file (header, key, the body as
// stream 1, then stream 0 with the response info) and, for media fetched in ranges, a
// "<hash>_s" file of range records. Portable: no Windows header.
#include "capture/CachedResponse.h"

#include <optional>
#include <string>
#include <vector>

namespace capture {

// The entries of a folder listing: the 16-hex-digit prefixes of "_0" and "_s" files.
// Doomed entries ("todelete_...") and other files are left out.
struct SimpleEntryFiles {
    std::string hash;
    bool hasStream0File = false;
    bool hasSparseFile = false;
    std::string Stream0File() const { return hash + "_0"; }
    std::string SparseFile() const { return hash + "_s"; }
};
std::vector<SimpleEntryFiles> GroupSimpleEntries(const std::vector<std::string>& names);

// The response of one entry, or nothing when it is no readable HTTP response.
std::optional<CachedResponse> ReadSimpleEntry(const CacheFiles& files, const SimpleEntryFiles& entry);

}  // namespace capture
