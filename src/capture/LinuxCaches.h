#pragma once
// Where the Linux user's browsers keep their caches, for a program running under Wine:
// $XDG_CACHE_HOME, else $HOME/.cache, reached through the Z: drive. Portable.
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

// "/home/ann/.cache" as Wine's Z: drive shows it: "Z:\home\ann\.cache".
std::wstring UnixPathOnDriveZ(const std::wstring& unixPath);

}  // namespace capture
