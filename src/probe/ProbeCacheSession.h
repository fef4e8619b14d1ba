#pragma once
// The probe cache as one list build sees it: loaded once at the start, looked up for
// every clip, added to as clips are probed, saved now and then during a long build and
// at its end, when the clips no longer in the folder go.
#include "probe/ProbeCacheFile.h"

#include <chrono>
#include <optional>
#include <string>

namespace probe {

class ProbeCacheSession {
public:
    // Without a cache path, or without a readable ffmpeg.exe to key the entries on, the
    // session holds nothing and keeps nothing.
    ProbeCacheSession(const std::wstring& cachePath, const std::wstring& ffmpegPath);

    const CachedProbe* Find(const std::wstring& path, std::uint64_t size, std::uint64_t lastWriteTime) const;
    void Add(const std::wstring& path, const CachedProbe& probe);
    // Saves what is new, and rewrites a file that could not be trusted.
    void Finish(const FolderListing& listing);

private:
    void Save(const FolderListing* listing);

    std::optional<ProbeCacheFile> file_;
    ProbeEntries known_;
    ProbeEntries fresh_;
    bool mustRewrite_ = false;
    std::chrono::steady_clock::time_point lastSave_;
};

}  // namespace probe
