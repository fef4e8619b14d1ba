#include "platform/Paths.h"

#include <windows.h>

namespace platform {

namespace {
constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";
// FindFirstFileW takes folder + "\*"; CreateDirectoryW keeps 12 characters for an 8.3
// name. Below this the plain form always works.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 13;
}  // namespace

std::wstring FileSystemPath(const std::wstring& path) {
    if (path.size() < kPlainPathLimit || path.starts_with(kExtendedPrefix)) return path;
    if (path.starts_with(L"\\\\")) return std::wstring(kExtendedUncPrefix) + path.substr(2);
    return std::wstring(kExtendedPrefix) + path;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring input = path;
    if (input.starts_with(kExtendedUncPrefix)) {
        input = L"\\\\" + input.substr(kExtendedUncPrefix.size());
    } else if (input.starts_with(kExtendedPrefix)) {
        input = input.substr(kExtendedPrefix.size());
    }
    std::wstring full(MAX_PATH, L'\0');
    for (int tries = 0; tries < 3; ++tries) {
        const DWORD length = GetFullPathNameW(input.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return {};
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length + 1);
    }
    return {};
}

std::wstring FullPathOrSame(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
}

}  // namespace platform
