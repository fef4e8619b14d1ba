#pragma once
// The probe cache on disk: one file per user, read whole at the start of a build and
// replaced whole by a save, so a crash leaves the old file or the new one, never a mix.
// Saves from every thread and process take turns under a named mutex and merge with what
// the others saved meanwhile.
#include "probe/ProbeCacheRules.h"

#include <optional>
#include <string>

namespace probe {

// "<local application data>\Reelkeep\probes.cache"; empty when the shell knows no such folder.
std::wstring DefaultProbeCachePath();

// The size and write time of the ffmpeg.exe at `path`; nothing when it cannot be read.
std::optional<ProbeToolIdentity> IdentifyProbeTool(const std::wstring& path);

class ProbeCacheFile {
public:
    ProbeCacheFile(std::wstring path, ProbeToolIdentity tool) : path_(std::move(path)), tool_(tool) {}

    // What the file holds for this tool; a missing or unreadable file reads Empty.
    probe_cache::Parsed Load() const;
    // Merges `fresh` (and the pruning of `listing`, when given) into the file's current
    // content and replaces the file. False when it could not be written.
    bool Save(const ProbeEntries& fresh, const FolderListing* listing) const;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    ProbeToolIdentity tool_;
};

}  // namespace probe
