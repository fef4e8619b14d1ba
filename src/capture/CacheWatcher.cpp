#include "capture/CacheWatcher.h"

#include "capture/BrowserCacheFolders.h"
#include "history/PageNamer.h"
#include "library/ClipPlacement.h"
#include "platform/FileValues.h"
#include "platform/Paths.h"
#include "platform/ProgramFolder.h"
#include "platform/SpecialFolders.h"
#include "platform/UniqueHandle.h"
#include "platform/WineHost.h"
#include "probe/MediaProbe.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <shlobj.h>

#include <thread>
#include <vector>

namespace capture {

CacheRoots DefaultCacheRoots() {
    const std::wstring cache = platform::SpecialFolderPath(CSIDL_INTERNET_CACHE);
    const std::wstring local = platform::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    // Without the folder the pattern stays empty and that browser is never walked.
    auto under = [](const std::wstring& root, const wchar_t* rest) {
        return root.empty() ? std::wstring() : root + rest;
    };
    WindowsCacheFolders chromium = WindowsBrowserCaches(local);
    CacheRoots roots{under(cache, L"\\*"),
                     under(local, L"\\Mozilla\\Firefox\\*"),
                     std::move(chromium.chrome),
                     std::move(chromium.opera),
                     {},
                     {}};
    // Under Wine the user browses with Linux browsers, whose caches lie in the Linux home.
    if (platform::RunningUnderWine()) {
        LinuxCacheFolders host =
            LinuxBrowserCaches(platform::EnvironmentValue(L"XDG_CACHE_HOME"), platform::EnvironmentValue(L"HOME"),
                               platform::EnvironmentValue(L"WINEHOMEDIR"));
        roots.linuxFirefox = std::move(host.firefox);
        roots.linuxChrome = std::move(host.chrome);
    }
    return roots;
}

namespace {

struct Candidate {
    std::wstring name;
    WIN32_FIND_DATAW entry;
};

bool IsDotName(const wchar_t* name) { return name[0] == L'.'; }

bool IsCandidateEntry(const WIN32_FIND_DATAW& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return PassesSizeRule(platform::FileSizeOf(entry)) && PassesNameRule(entry.cFileName);
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
    // The basic information level skips the 8.3 name, and large fetches cut the calls
    // into the system: a cache holds tens of thousands of entries.
    return FindFirstFileExW(platform::FileSystemPath(pattern).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                            nullptr, FIND_FIRST_EX_LARGE_FETCH);
}

bool IsEveryFileMask(const std::wstring& mask) { return mask == L"*" || mask == L"*.*"; }

struct FolderListing {
    std::vector<std::wstring> subfolders;
    std::vector<Candidate> candidates;
    CacheListing cache;
};

// Lists the subfolders to enter and the files that pass the size and name rules. With
// the every-file mask one enumeration gives both. A browser cache that the readers know
// is neither entered nor taken file by file: its raw files are pieces of responses.
void ListFolder(const std::wstring& folder, const std::wstring& mask, bool recognize, FolderListing& listing) {
    if (recognize) listing.cache.kind = RecognizeCacheFolder(folder);
    const bool cache = listing.cache.kind != CacheKind::None;
    const bool oneWalk = IsEveryFileMask(mask);
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirst(folder + L"\\*", entry));
    if (search) {
        do {
            if (cache) {
                if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) listing.cache.Add(entry);
            } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A junction or link may lead back up the tree; caches never need one.
                if (!IsDotName(entry.cFileName) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    listing.subfolders.emplace_back(entry.cFileName);
            } else if (oneWalk && IsCandidateEntry(entry)) {
                listing.candidates.push_back({entry.cFileName, entry});
            }
        } while (FindNextFileW(search.get(), &entry));
    }
    if (oneWalk || cache) return;
    platform::UniqueFind files(FindFirst(folder + L"\\" + mask, entry));
    if (!files) return;
    do {
        if (IsCandidateEntry(entry)) listing.candidates.push_back({entry.cFileName, entry});
    } while (FindNextFileW(files.get(), &entry));
}

void ExamineCandidates(const std::wstring& folder, const std::vector<Candidate>& candidates, const CandidateSink& sink,
                       MarkedFileMemo* memo) {
    for (const Candidate& candidate : candidates) {
        const std::wstring path = platform::FileSystemPath(folder + L"\\" + candidate.name);
        if (memo && memo->Contains(path, candidate.entry)) continue;
        if (titles::ReadTitle(path) != titles::kTitleNotSet) {
            if (memo) memo->Remember(path, candidate.entry);
            continue;
        }
        sink(path, candidate.entry);
    }
}

// Depth first, each folder's subfolders before its own files. The walk keeps its own
// stack: a tree nested thousands of levels deep must not use up the thread's.
void ScanTree(const std::wstring& root, const std::wstring& mask, const CandidateSink& sink, MarkedFileMemo* memo,
              const CacheFolderSink* caches) {
    struct Level {
        std::wstring folder;
        FolderListing listing;
        std::size_t next = 0;
    };
    std::vector<Level> stack;
    stack.push_back({root, {}, 0});
    ListFolder(root, mask, caches != nullptr, stack.back().listing);
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next < level.listing.subfolders.size()) {
            std::wstring child = level.folder + L"\\" + level.listing.subfolders[level.next++];
            stack.push_back({std::move(child), {}, 0});
            ListFolder(stack.back().folder, mask, caches != nullptr, stack.back().listing);
            continue;
        }
        const Level done = std::move(level);
        stack.pop_back();
        if (done.listing.cache.kind != CacheKind::None) {
            (*caches)(done.folder, done.listing.cache);
        } else {
            ExamineCandidates(done.folder, done.listing.candidates, sink, memo);
        }
    }
}

}  // namespace

MarkedFileMemo::Stamp MarkedFileMemo::StampOf(const WIN32_FIND_DATAW& entry) {
    return {platform::FileSizeOf(entry), platform::FileTimeValue(entry.ftCreationTime),
            platform::FileTimeValue(entry.ftLastWriteTime), true};
}

bool MarkedFileMemo::Contains(const std::wstring& path, const WIN32_FIND_DATAW& entry) const {
    const auto found = files_.find(path);
    if (found == files_.end()) return false;
    const Stamp now = StampOf(entry);
    if (found->second.size != now.size || found->second.created != now.created || found->second.written != now.written)
        return false;
    found->second.seen = true;
    return true;
}

void MarkedFileMemo::Remember(const std::wstring& path, const WIN32_FIND_DATAW& entry) {
    files_[path] = StampOf(entry);
}

void MarkedFileMemo::ForgetUnseen() {
    std::erase_if(files_, [](const auto& file) { return !file.second.seen; });
    for (auto& file : files_) file.second.seen = false;
}

bool ScanCacheFolder(const std::wstring& pattern, const CandidateSink& sink, MarkedFileMemo* memo,
                     const CacheFolderSink* caches) {
    if (pattern.empty()) return false;
    const std::wstring full = platform::FullPath(pattern);
    const std::size_t slash = full.rfind(L'\\');
    if (full.empty() || slash == std::wstring::npos || slash + 1 == full.size()) return false;
    ScanTree(full.substr(0, slash), full.substr(slash + 1), sink, memo, caches);
    return true;
}

CacheWatcher::CacheWatcher(WatchSwitches switches, CacheRoots roots, IntakeContext intake)
    : switches_(switches), roots_(std::move(roots)), intake_(std::move(intake)), caches_(intake_) {
    library::ClearIncomingFolder(intake_.libraryFolder);
}

void CacheWatcher::Scan(const std::atomic<bool>* on, const std::wstring& pattern) {
    if (!on || !on->load() || pattern.empty()) return;
    const CacheFolderSink caches = [this](const std::wstring& folder, const CacheListing& listing) {
        caches_.ScanFolder(folder, listing);
    };
    ScanCacheFolder(
        pattern,
        [this](const std::wstring& path, const WIN32_FIND_DATAW& entry) { IntakeCacheFile(path, entry, intake_); },
        &marked_, &caches);
}

void CacheWatcher::RunPass() {
    Scan(switches_.internetExplorer, roots_.internetExplorer);
    Scan(switches_.firefox, roots_.firefox);
    for (const std::wstring& pattern : roots_.linuxFirefox) Scan(switches_.firefox, pattern);
    for (const std::wstring& pattern : roots_.chrome) Scan(switches_.chrome, pattern);
    for (const std::wstring& pattern : roots_.linuxChrome) Scan(switches_.chrome, pattern);
    for (const std::wstring& pattern : roots_.opera) Scan(switches_.opera, pattern);
    marked_.ForgetUnseen();
    caches_.ForgetUnseen();
    if (intake_.pageNames) intake_.pageNames->EndPass();
}

void CacheWatcher::RunForever() {
    for (;;) {
        RunPass();
        std::this_thread::sleep_for(kPause);
    }
}

void RunCacheWatcher(const WatcherInputs& inputs) {
    IntakeContext intake;
    intake.libraryFolder = platform::LibraryFolder();
    intake.ffmpegPath = probe::DefaultFfmpegPath();
    intake.keepSilentClips = [keep = inputs.keepSilentClips] { return keep && keep->load(); };
    intake.clipAdded = inputs.clipAdded;
    history::PageNamer pages(history::DefaultProfileFolders(), history::DefaultCopyFolder());
    intake.pageNames = &pages;
    intake.clipGrown = [added = inputs.clipAdded](library::ArrivedClip clip) {
        clip.grew = true;
        if (added) added(clip);
    };
    CacheWatcher watcher(inputs.switches, DefaultCacheRoots(), std::move(intake));
    while (IsWindow(inputs.window)) {
        watcher.RunPass();
        std::this_thread::sleep_for(CacheWatcher::kPause);
    }
}

}  // namespace capture
