#include "library/PendingMarks.h"

namespace library {

void PendingMarks::Add(const std::vector<std::wstring>& paths) {
    std::lock_guard lock(mutex_);
    paths_.insert(paths.begin(), paths.end());
}

void PendingMarks::Written(const std::wstring& path) {
    {
        std::lock_guard lock(mutex_);
        const auto found = paths_.find(path);
        if (found != paths_.end()) paths_.erase(found);
    }
    written_.notify_all();
}

bool PendingMarks::Contains(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    return paths_.contains(path);
}

bool PendingMarks::WaitUntilWritten(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return written_.wait_for(lock, timeout, [&] { return paths_.empty(); });
}

}  // namespace library
