#pragma once
// When a cached probe may stand in for a new one, and what the cache holds after a save.
// Portable: no Windows header.
#include "probe/ProbeCacheFormat.h"

#include <set>
#include <string>

namespace probe {

// The entry for `path`, when it was made from a file of this size and write time.
const CachedProbe* FindCurrentProbe(const ProbeEntries& entries, const std::wstring& path, std::uint64_t size,
                                    std::uint64_t lastWriteTime);

// Every file a build found in its folder (the whole folder, whatever the filter).
struct FolderListing {
    std::wstring folder;  // ends in a backslash
    std::set<std::wstring> paths;
};

// What a save writes: the entries on disk (another build may have added some since this
// one read them), this build's fresh probes over them, and without the clips of the
// listed folder that are no longer there. Clips of other folders are left alone.
ProbeEntries MergeForSave(ProbeEntries onDisk, const ProbeEntries& fresh, const FolderListing* listing);

}  // namespace probe
