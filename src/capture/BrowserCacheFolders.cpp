#include "capture/BrowserCacheFolders.h"

namespace capture {

WindowsCacheFolders WindowsBrowserCaches(const std::wstring& localAppData) {
    WindowsCacheFolders folders;
    if (localAppData.empty()) return folders;
    for (const wchar_t* browser :
         {L"Google\\Chrome", L"Microsoft\\Edge", L"BraveSoftware\\Brave-Browser", L"Vivaldi", L"Chromium"})
        folders.chrome.push_back(localAppData + L"\\" + browser + L"\\*");
    // "Opera Software" holds "Opera Stable" and "Opera GX Stable", each a profile with its
    // cache; "Opera" is where the browser kept its cache before it took Chromium's.
    for (const wchar_t* browser : {L"Opera", L"Opera Software"})
        folders.opera.push_back(localAppData + L"\\" + browser + L"\\*");
    return folders;
}

std::wstring UnixPathOnDriveZ(const std::wstring& unixPath) {
    std::wstring path = L"Z:";
    for (wchar_t c : unixPath) path += c == L'/' ? L'\\' : c;
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

LinuxCacheFolders LinuxBrowserCaches(const std::wstring& xdgCacheHome, const std::wstring& home,
                                     const std::wstring& wineHomeDir) {
    constexpr std::wstring_view kNtPrefix = L"\\??\\";
    std::wstring cache;
    if (xdgCacheHome.starts_with(L"/")) {
        cache = UnixPathOnDriveZ(xdgCacheHome);
    } else if (home.starts_with(L"/")) {
        cache = UnixPathOnDriveZ(home) + L"\\.cache";
    } else if (wineHomeDir.starts_with(kNtPrefix) && wineHomeDir.size() > kNtPrefix.size()) {
        cache = wineHomeDir.substr(kNtPrefix.size()) + L"\\.cache";
    } else {
        return {};
    }
    LinuxCacheFolders folders;
    folders.firefox.push_back(cache + L"\\mozilla\\firefox\\*");
    for (const wchar_t* browser : {L"chromium", L"google-chrome", L"BraveSoftware", L"microsoft-edge"})
        folders.chrome.push_back(cache + L"\\" + browser + L"\\*");
    return folders;
}

}  // namespace capture
