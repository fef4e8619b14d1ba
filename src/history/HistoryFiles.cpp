#include "history/HistoryFiles.h"

#include <algorithm>
#include <cwctype>

namespace history {

namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    return lower;
}

std::wstring ParentOf(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::wstring NameOf(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? folder : folder.substr(slash + 1);
}

// `path` moved from under `from` to under `to`, case aside as Windows paths go; empty when
// it does not lie under `from`.
std::wstring Moved(const std::wstring& path, const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty() || path.size() <= from.size() || path[from.size()] != L'\\') return {};
    if (Lower(std::wstring_view(path).substr(0, from.size())) != Lower(from)) return {};
    return to + path.substr(from.size());
}

void AddUnique(std::vector<HistoryFile>& files, HistoryFile file) {
    if (!file.path.empty() && std::find(files.begin(), files.end(), file) == files.end())
        files.push_back(std::move(file));
}

}  // namespace

std::vector<HistoryFile> HistoryFilesOfCache(const std::wstring& cacheFolder, bool firefox,
                                             const ProfileFolders& folders) {
    std::vector<HistoryFile> files;
    if (firefox) {
        const std::wstring profile = ParentOf(cacheFolder);
        if (profile.empty()) return files;
        const std::wstring name = L"\\places.sqlite";
        if (const std::wstring roaming = Moved(profile, folders.localAppData, folders.roamingAppData); !roaming.empty())
            AddUnique(files, {roaming + name, HistoryKind::Firefox});
        if (!folders.linuxCache.empty() && !folders.linuxHome.empty()) {
            const std::wstring home =
                Moved(profile, folders.linuxCache + L"\\mozilla\\firefox", folders.linuxHome + L"\\.mozilla\\firefox");
            if (!home.empty()) AddUnique(files, {home + name, HistoryKind::Firefox});
        }
        // A profile started with its own folder keeps its cache inside it.
        AddUnique(files, {profile + name, HistoryKind::Firefox});
        return files;
    }
    // "<profile>\Cache\Cache_Data" today, "<profile>\Cache" before.
    std::wstring cache = cacheFolder;
    if (Lower(NameOf(cache)) == L"cache_data") cache = ParentOf(cache);
    const std::wstring profile = ParentOf(cache);
    if (profile.empty()) return files;
    const std::wstring name = L"\\History";
    AddUnique(files, {profile + name, HistoryKind::Chromium});
    if (const std::wstring roaming = Moved(profile, folders.localAppData, folders.roamingAppData); !roaming.empty())
        AddUnique(files, {roaming + name, HistoryKind::Chromium});
    if (const std::wstring config = Moved(profile, folders.linuxCache, folders.linuxConfig); !config.empty())
        AddUnique(files, {config + name, HistoryKind::Chromium});
    return files;
}

}  // namespace history
