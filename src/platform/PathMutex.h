#pragma once
// Named mutexes that guard one file across threads and processes.
#include "platform/Paths.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace platform {

// "Local\<kind>.<hash of the full path>": one name per file however the path was spelled,
// so that scratch files of tests do not serialise against the real one.
inline std::wstring MutexNameForPath(const std::wstring& kind, const std::wstring& path) {
    std::wstring upper = FullPathOrSame(path);
    if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    std::uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : upper) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t digits[24];
    wsprintfW(digits, L".%08lX%08lX", static_cast<unsigned long>(hash >> 32),
              static_cast<unsigned long>(hash & 0xFFFFFFFFu));
    return L"Local\\" + kind + digits;
}

// Holds a mutex for one scope. An abandoned mutex still serialises: its owner died, and
// the files it guards are written so that a half-done write does no harm.
class MutexLock {
public:
    MutexLock(HANDLE mutex, DWORD timeoutMs) : mutex_(mutex) {
        const DWORD waited = mutex_ ? WaitForSingleObject(mutex_, timeoutMs) : WAIT_FAILED;
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~MutexLock() {
        if (owned_) ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    bool owned() const { return owned_; }

private:
    HANDLE mutex_;
    bool owned_ = false;
};

}  // namespace platform
