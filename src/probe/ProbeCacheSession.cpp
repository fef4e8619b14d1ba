#include "probe/ProbeCacheSession.h"

namespace probe {

namespace {

// A build of thousands of new clips runs for minutes; what it probed should survive the
// program being ended halfway, without rewriting the file for every clip.
constexpr std::chrono::seconds kSaveInterval{5};

}  // namespace

ProbeCacheSession::ProbeCacheSession(const std::wstring& cachePath, const std::wstring& ffmpegPath)
    : lastSave_(std::chrono::steady_clock::now()) {
    if (cachePath.empty()) return;
    const std::optional<ProbeToolIdentity> tool = IdentifyProbeTool(ffmpegPath);
    if (!tool) return;
    file_.emplace(cachePath, *tool);
    probe_cache::Parsed loaded = file_->Load();
    mustRewrite_ = loaded.state != probe_cache::FileState::Intact && loaded.state != probe_cache::FileState::Empty;
    known_ = std::move(loaded.entries);
}

const CachedProbe* ProbeCacheSession::Find(const std::wstring& path, std::uint64_t size,
                                           std::uint64_t lastWriteTime) const {
    return FindCurrentProbe(known_, path, size, lastWriteTime);
}

void ProbeCacheSession::Add(const std::wstring& path, const CachedProbe& probe) {
    if (!file_) return;
    fresh_.insert_or_assign(path, probe);
    if (std::chrono::steady_clock::now() - lastSave_ >= kSaveInterval) Save(nullptr);
}

void ProbeCacheSession::Finish(const FolderListing& listing) {
    if (!file_) return;
    if (mustRewrite_ || !fresh_.empty() || MergeForSave(known_, {}, &listing) != known_) Save(&listing);
}

void ProbeCacheSession::Save(const FolderListing* listing) {
    lastSave_ = std::chrono::steady_clock::now();
    // A failed save keeps the fresh entries for the next attempt; the list is right either way.
    if (!file_->Save(fresh_, listing)) return;
    for (auto& [path, probe] : fresh_) known_.insert_or_assign(path, std::move(probe));
    fresh_.clear();
    mustRewrite_ = false;
}

}  // namespace probe
