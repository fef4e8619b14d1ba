#pragma once
// Where a browser keeps the history of the profile whose cache the watcher reads. Chromium-
// family browsers keep "History" in the profile folder that holds the cache, except where
// the cache lies apart from the profile: Opera's under the local and its profile under the
// roaming application-data folder, and on Linux the cache under ~/.cache and the profile
// under ~/.config. Firefox keeps "places.sqlite" in the roaming profile and its cache in
// the local one (~/.mozilla/firefox and ~/.cache/mozilla/firefox on Linux).
// Portable: no Windows header.
#include "history/HistoryDatabase.h"

#include <string>
#include <vector>

namespace history {

// The folders whose places a cache's history may move between; empty when unknown.
// Windows paths, the Linux ones as Wine's Z: drive shows them.
struct ProfileFolders {
    std::wstring localAppData;    // "C:\users\ann\AppData\Local"
    std::wstring roamingAppData;  // "C:\users\ann\AppData\Roaming"
    std::wstring linuxCache;      // "Z:\home\ann\.cache"
    std::wstring linuxConfig;     // "Z:\home\ann\.config"
    std::wstring linuxHome;       // "Z:\home\ann"
};

struct HistoryFile {
    std::wstring path;
    HistoryKind kind = HistoryKind::Chromium;
    bool operator==(const HistoryFile&) const = default;
};

// The history files that may belong to the cache in `cacheFolder` (no trailing backslash),
// most likely first; the caller takes the first that exists. `firefox` tells a Firefox
// "cache2" from a Chromium cache.
std::vector<HistoryFile> HistoryFilesOfCache(const std::wstring& cacheFolder, bool firefox,
                                             const ProfileFolders& folders);

}  // namespace history
