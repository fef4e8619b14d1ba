#pragma once
// The system's major version as the program has always asked for it (6 covers Vista to
// 8.1, and later systems that report themselves as 6 to programs without a manifest).
#include <windows.h>

namespace platform {

inline bool IsSystemMajorVersion6() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExW(&version);
#pragma GCC diagnostic pop
    return known && version.dwMajorVersion == 6;
}

}  // namespace platform
