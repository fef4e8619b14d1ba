#include "platform/Environment.h"

#include <windows.h>

namespace platform {

std::wstring EnvironmentOr(const wchar_t* name, std::wstring_view fallback) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed <= 1) return std::wstring(fallback);
    std::wstring value(needed, L'\0');
    const DWORD copied = GetEnvironmentVariableW(name, value.data(), needed);
    if (copied == 0 || copied >= needed) return std::wstring(fallback);
    value.resize(copied);
    return value;
}

}  // namespace platform
