#pragma once
// Where the browsers keep their caches: on Windows under the local application-data
// folder, and for a program running under Wine the Linux user's, in $XDG_CACHE_HOME, else
// $HOME/.cache, reached through the Z: drive. Portable.
#include <string>
#include <vector>

namespace capture {

struct LinuxCacheFolders {
    std::vector<std::wstring> firefox;  // scan patterns: a folder, a backslash and "*"
    std::vector<std::wstring> chrome;
};

// `xdgCacheHome` and `home` as the environment gives them (Unix paths; empty when
// unset); Wine keeps HOME out of a program's environment and gives WINEHOMEDIR instead
// ("\??\Z:\home\ann"). An XDG value that is not absolute is ignored, as the XDG rules say.
LinuxCacheFolders LinuxBrowserCaches(const std::wstring& xdgCacheHome, const std::wstring& home,
                                     const std::wstring& wineHomeDir = {});

// The Windows folders of the Chromium-family browsers, as scan patterns under the per-user
// local application-data folder. Each holds "User Data" (Opera: the profile itself) with
// every profile of that browser; the walk finds each profile's cache in it.
struct WindowsCacheFolders {
    std::vector<std::wstring> chrome;  // Chrome, Edge, Brave, Vivaldi, Chromium
    std::vector<std::wstring> opera;   // the old Opera, today's Opera and Opera GX
};
WindowsCacheFolders WindowsBrowserCaches(const std::wstring& localAppData);

// "/home/ann/.cache" as Wine's Z: drive shows it: "Z:\home\ann\.cache".
std::wstring UnixPathOnDriveZ(const std::wstring& unixPath);

}  // namespace capture
