#include "capture/CacheWatcher.h"

#include "app/Page2.h"
#include "app/ProgramFolder.h"
#include "app/TrayIcon.h"
#include "capture/LongPath.h"
#include "framework/Worker.h"
#include "library/Catalogue.h"
#include "library/MediaProbe.h"
#include "library/TitleMarkers.h"
#include "library/TitleStore.h"
#include "platform/SpecialFolders.h"
#include "platform/UniqueHandle.h"

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
    return {under(cache, L"\\*"), under(local, L"\\Mozilla\\Firefox\\*"), under(local, L"\\Google\\Chrome\\*"),
            under(local, L"\\Opera\\*")};
}

namespace {

struct Candidate {
    std::wstring name;
    WIN32_FIND_DATAW entry;
};

bool IsDotName(const wchar_t* name) { return name[0] == L'.'; }

std::uint64_t EntrySize(const WIN32_FIND_DATAW& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

bool IsCandidateEntry(const WIN32_FIND_DATAW& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return PassesSizeRule(EntrySize(entry)) && PassesNameRule(entry.cFileName);
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
    // The basic information level skips the 8.3 name, and large fetches cut the calls
    // into the system: a cache holds tens of thousands of entries.
    return FindFirstFileExW(FileSystemPath(pattern).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                            nullptr, FIND_FIRST_EX_LARGE_FETCH);
}

bool IsEveryFileMask(const std::wstring& mask) { return mask == L"*" || mask == L"*.*"; }

// Lists the subfolders to enter and the files that pass the size and name rules. With
// the every-file mask one enumeration gives both.
void ListFolder(const std::wstring& folder, const std::wstring& mask, std::vector<std::wstring>& subfolders,
                std::vector<Candidate>& candidates) {
    const bool oneWalk = IsEveryFileMask(mask);
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirst(folder + L"\\*", entry));
    if (search) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!IsDotName(entry.cFileName)) subfolders.emplace_back(entry.cFileName);
            } else if (oneWalk && IsCandidateEntry(entry)) {
                candidates.push_back({entry.cFileName, entry});
            }
        } while (FindNextFileW(search.get(), &entry));
    }
    if (oneWalk) return;
    platform::UniqueFind files(FindFirst(folder + L"\\" + mask, entry));
    if (!files) return;
    do {
        if (IsCandidateEntry(entry)) candidates.push_back({entry.cFileName, entry});
    } while (FindNextFileW(files.get(), &entry));
}

void ScanFolder(const std::wstring& folder, const std::wstring& mask, const CandidateSink& sink) {
    std::vector<std::wstring> subfolders;
    std::vector<Candidate> candidates;
    ListFolder(folder, mask, subfolders, candidates);
    for (const std::wstring& name : subfolders) ScanFolder(folder + L"\\" + name, mask, sink);
    for (const Candidate& candidate : candidates) {
        const std::wstring path = FileSystemPath(folder + L"\\" + candidate.name);
        if (library::ReadTitle(path) != library::kTitleNotSet) continue;
        sink(path, candidate.entry);
    }
}

}  // namespace

bool ScanCacheFolder(const std::wstring& pattern, const CandidateSink& sink) {
    if (pattern.empty()) return false;
    const std::wstring full = FullPath(pattern);
    const std::size_t slash = full.rfind(L'\\');
    if (full.empty() || slash == std::wstring::npos || slash + 1 == full.size()) return false;
    ScanFolder(full.substr(0, slash), full.substr(slash + 1), sink);
    return true;
}

CacheWatcher::CacheWatcher(WatchSwitches switches, CacheRoots roots, IntakeContext intake)
    : switches_(switches), roots_(std::move(roots)), intake_(std::move(intake)) {
    ClearIncomingFolder(intake_.libraryFolder);
}

void CacheWatcher::Scan(const std::atomic<bool>* on, const std::wstring& pattern) {
    if (!on || !on->load() || pattern.empty()) return;
    ScanCacheFolder(pattern, [this](const std::wstring& path, const WIN32_FIND_DATAW& entry) {
        IntakeCacheFile(path, entry, intake_);
    });
}

void CacheWatcher::RunPass() {
    Scan(switches_.internetExplorer, roots_.internetExplorer);
    Scan(switches_.firefox, roots_.firefox);
    Scan(switches_.chrome, roots_.chrome);
    Scan(switches_.opera, roots_.opera);
}

void CacheWatcher::RunForever() {
    for (;;) {
        RunPass();
        std::this_thread::sleep_for(kPause);
    }
}

void RunCacheWatcher(app::Page2* page) {
    app::SharedSwitches& switches = page->switches();
    const HWND window = page->hwnd();
    IntakeContext intake;
    intake.libraryFolder = app::LibraryFolder();
    intake.ffmpegPath = library::DefaultFfmpegPath();
    intake.keepSilentClips = [&switches] { return switches.keepSilentClips.load(); };
    intake.clipAdded = [page, window](const std::wstring&) {
        framework::StartWorker(window, [](HWND target) { library::RefreshClipList(target); });
        if (page->tray().notifyOnCapture()) framework::StartWorker(window, [](HWND target) { app::AnimateTrayIcon(target); });
    };
    CacheWatcher watcher({&switches.watchInternetExplorer, &switches.watchFirefox, &switches.watchChrome,
                          &switches.watchOpera},
                         DefaultCacheRoots(), std::move(intake));
    watcher.RunForever();
}

}  // namespace capture
