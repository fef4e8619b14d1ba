#pragma once
// 64-bit values of the halves the file functions hand back, and the walk over a folder's files.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

constexpr std::uint64_t JoinHalves(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

inline std::uint64_t FileTimeValue(const FILETIME& time) { return JoinHalves(time.dwHighDateTime, time.dwLowDateTime); }

// The size of a directory entry or of a file's attribute data.
template <typename Entry>
std::uint64_t FileSizeOf(const Entry& entry) {
    return JoinHalves(entry.nFileSizeHigh, entry.nFileSizeLow);
}

// True when `path` names a file (not a folder).
inline bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Calls `visit(entry)` for every file directly in `folder` (which ends with a backslash),
// never for a subfolder. A missing or unreadable folder has no files.
template <typename Visit>
void ForEachFile(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW entry{};
    UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) visit(entry);
    } while (FindNextFileW(search.get(), &entry));
}

}  // namespace platform
