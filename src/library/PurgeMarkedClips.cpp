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
        if (IsMarkedForDeletion(ReadTitle(path)) && DeleteFileW(path.c_str())) ++deleted;
    } while (FindNextFileW(search.get(), &entry));
    return deleted;
}

}  // namespace library
