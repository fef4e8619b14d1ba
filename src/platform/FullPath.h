#pragma once
// A path with its relative parts resolved, for keys that must not depend on how the
// caller spelled the path.
#include <windows.h>

#include <string>

namespace platform {

// The full path of `path`; `path` itself when the system cannot make one.
inline std::wstring FullPathOrSame(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
}

}  // namespace platform
