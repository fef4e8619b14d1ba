#include "library/PurgeMarkedClips.h"

#include "library/TitleStore.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

namespace library {

int PurgeMarkedClips(const std::wstring& libraryFolder) {
    WIN32_FIND_DATAW entry{};
    platform::UniqueFind search(FindFirstFileW((libraryFolder + L"*").c_str(), &entry));
    if (!search) return 0;
    int deleted = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring path = libraryFolder + entry.cFileName;
        const std::wstring title = ReadTitle(path);
        if (!IsMarkedForDeletion(title)) continue;
        // The title goes first: a later file that reuses this one's identity (same
        // index, times and size, as a copy that keeps its times can have) must not
        // inherit the marker and be deleted in its turn.
        WriteTitle(path, L"");
        if (DeleteFileW(path.c_str())) {
            ++deleted;
        } else {
            WriteTitle(path, title);
        }
    } while (FindNextFileW(search.get(), &entry));
    return deleted;
}

}  // namespace library
