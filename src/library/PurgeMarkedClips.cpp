#include "library/PurgeMarkedClips.h"

#include "library/TitleStore.h"
#include "platform/FileValues.h"

#include <windows.h>

namespace library {

int PurgeMarkedClips(const std::wstring& libraryFolder) {
    int deleted = 0;
    platform::ForEachFile(libraryFolder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = libraryFolder + entry.cFileName;
        const std::wstring title = ReadTitle(path);
        if (!IsMarkedForDeletion(title)) return;
        // The title goes first: a later file that reuses this one's identity (same
        // index, times and size, as a copy that keeps its times can have) must not
        // inherit the marker and be deleted in its turn.
        WriteTitle(path, L"");
        if (DeleteFileW(path.c_str())) {
            ++deleted;
        } else {
            WriteTitle(path, title);
        }
    });
    return deleted;
}

}  // namespace library
