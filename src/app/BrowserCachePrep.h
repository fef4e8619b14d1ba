#pragma once
// Start-up preparation of the browsers' disk caches, so that they keep large video streams
// long enough for the cache watcher to find them. Every failure is absorbed: start-up
// goes on whatever happens here.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Firefox reads this preference from a profile's user.js; ASCII, no line end.
inline constexpr std::string_view kFirefoxCachePref = "user_pref(\"browser.cache.disk.capacity\", 1024000);";

// Internet Explorer's cache keys under HKCU, in the order they are handled.
inline constexpr std::array<std::wstring_view, 2> kInternetExplorerCacheKeys{
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\LowCache\\Content",
};

// The "CacheLimit" we ask for: 0x100000 (in KB, 1 GB).
inline constexpr unsigned long kInternetExplorerCacheLimit = 0x100000;

// The roaming application-data folder + "\Mozilla\Firefox\Profiles"; empty when the shell
// has no application-data folder.
std::wstring DefaultFirefoxProfilesRoot();

struct FirefoxPrepResult {
    bool profilesRootFound = false;
    int userJsCreated = 0;
};

// Gives every profile folder under the root that has no user.js one holding only
// kFirefoxCachePref. An existing user.js is never opened for reading or writing.
FirefoxPrepResult PrepareFirefoxProfiles(const std::wstring& profilesRoot = DefaultFirefoxProfilesRoot());

enum class CacheLimitOutcome {
    KeyNotOpened,
    ValueMissing,
    QueryFailed,
    NotDword,  // left alone: only a REG_DWORD is ours to change
    AlreadySet,
    Rewritten,
    WriteFailed,
};

// Sets "CacheLimit" to kInternetExplorerCacheLimit in each key (under HKCU) where it exists
// as a REG_DWORD of another value. Every key is tried; one outcome per key, in order.
std::vector<CacheLimitOutcome> RaiseInternetExplorerCacheLimits(
    std::span<const std::wstring_view> keyPaths = kInternetExplorerCacheKeys);

// Both of the above with their default locations; called once at start-up.
void PrepareBrowserCaches();

}  // namespace app
