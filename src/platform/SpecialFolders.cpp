#include "platform/SpecialFolders.h"

#include <windows.h>
#include <shlobj.h>

namespace platform {

std::wstring SpecialFolderPath(int csidl) {
    // The shell writes at most MAX_PATH characters, terminator included.
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
    return path;
}

}  // namespace platform
