#pragma once
// Folders made and copied whole, as a browser run or an install would leave them.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace testing_support {

// `path` and every folder above it; a `\\?\` prefix is kept whole.
inline void MakeFolders(const std::wstring& path) {
    const std::size_t first = path.starts_with(L"\\\\?\\") ? 7 : 3;
    for (std::size_t at = path.find(L'\\', first); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

// Copies `from` with all it holds over `to`; false when `from` is missing or a file did
// not copy.
inline bool CopyTree(const std::wstring& from, const std::wstring& to) {
    MakeFolders(to);
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((from + L"\\*").c_str(), &entry));
    if (!find) return false;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool copied = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                                ? CopyTree(from + L"\\" + name, to + L"\\" + name)
                                : CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) != 0;
        if (!copied) return false;
    } while (FindNextFileW(find.get(), &entry));
    return true;
}

}  // namespace testing_support
