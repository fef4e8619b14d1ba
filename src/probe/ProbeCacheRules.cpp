#include "probe/ProbeCacheRules.h"

namespace probe {

namespace {

bool IsInFolder(const std::wstring& path, const std::wstring& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path.find(L'\\', folder.size()) == std::wstring::npos;
}

}  // namespace

const CachedProbe* FindCurrentProbe(const ProbeEntries& entries, const std::wstring& path, std::uint64_t size,
                                    std::uint64_t lastWriteTime) {
    const auto found = entries.find(path);
    if (found == entries.end()) return nullptr;
    const CachedProbe& probe = found->second;
    return probe.size == size && probe.lastWriteTime == lastWriteTime ? &probe : nullptr;
}

ProbeEntries MergeForSave(ProbeEntries onDisk, const ProbeEntries& fresh, const FolderListing* listing) {
    for (const auto& [path, probe] : fresh) onDisk.insert_or_assign(path, probe);
    if (listing == nullptr) return onDisk;
    std::erase_if(onDisk, [&](const auto& entry) {
        return IsInFolder(entry.first, listing->folder) && !listing->paths.contains(entry.first);
    });
    return onDisk;
}

}  // namespace probe
