#include "library/DeletionMarks.h"

#include "framework/Worker.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <utility>

namespace library {

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
