#pragma once
// The yardstick of the cache benchmarks: a walk of a folder tree that only counts what it
// finds, with nothing read, matched or remembered.
#include <windows.h>

#include <string>

namespace bench {

inline long BareWalk(const std::wstring& folder) {
    long entries = 0;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (entry.cFileName[0] == L'.') continue;
        ++entries;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) entries += BareWalk(folder + L"\\" + entry.cFileName);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return entries;
}

}  // namespace bench
