#include "library/DeletionMarks.h"

#include "framework/Worker.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <utility>

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

PendingMarks& ProcessPendingMarks() {
    static PendingMarks marks;
    return marks;
}

void MarkForDeletion(std::vector<std::wstring> paths) {
    if (paths.empty()) return;
    ProcessPendingMarks().Add(paths);
    framework::StartWorker(std::move(paths), [](const std::vector<std::wstring>& clips) {
        // A title that cannot be written now (the file is in use) leaves the clip to be
        // listed again at the next build; its row is gone either way.
        for (const std::wstring& clip : clips) {
            titles::WriteTitle(clip, std::wstring(titles::kTitleToDelete));
            ProcessPendingMarks().Written(clip);
        }
    });
}

}  // namespace library
