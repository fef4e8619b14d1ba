#pragma once
// The worker that polls the browsers' disk caches and hands new streams to the intake.
#include "capture/BrowserCacheIntake.h"
#include "capture/Intake.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace capture {

// The scan patterns of the four switches: a cache folder followed by "\*". The Chrome
// switch walks every Chromium-family browser but Opera's, and under Wine the Linux user's
// Firefox and Chromium-family caches are walked too, under the same two switches.
struct CacheRoots {
    std::wstring internetExplorer;
    std::wstring firefox;
    std::vector<std::wstring> chrome;
    std::vector<std::wstring> opera;
    std::vector<std::wstring> linuxFirefox;
    std::vector<std::wstring> linuxChrome;
};
// From the per-user Internet cache and local application-data folders, which are asked
// for but never created, and under Wine from $XDG_CACHE_HOME or $HOME/.cache.
CacheRoots DefaultCacheRoots();

// The browser switches as the window keeps them; read afresh before every folder so a
// change in the settings counts from the next folder on.
struct WatchSwitches {
    const std::atomic<bool>* internetExplorer = nullptr;
    const std::atomic<bool>* firefox = nullptr;
    const std::atomic<bool>* chrome = nullptr;
    const std::atomic<bool>* opera = nullptr;
};

// Called for each candidate: big enough, a stream's name, and titled "NotSet".
using CandidateSink = std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& entry)>;

// Cache files found with a marker, by path and directory entry. A marker is final, so
// while the entry is unchanged the title need not be read again: a pass over thousands of
// examined streams then costs their directory entries and a lookup each. The titles stay
// the record; this only spares reading them twice.
class MarkedFileMemo {
public:
    bool Contains(const std::wstring& path, const WIN32_FIND_DATAW& entry) const;
    void Remember(const std::wstring& path, const WIN32_FIND_DATAW& entry);
    // Forgets the files that the passes since the last call did not meet.
    void ForgetUnseen();
    std::size_t size() const { return files_.size(); }

private:
    struct Stamp {
        std::uint64_t size = 0;
        std::uint64_t created = 0;
        std::uint64_t written = 0;
        bool seen = true;
    };
    static Stamp StampOf(const WIN32_FIND_DATAW& entry);
    mutable std::unordered_map<std::wstring, Stamp> files_;
};

// Called for each folder recognised as a Chromium or Firefox cache, with its listing.
using CacheFolderSink = std::function<void(const std::wstring& folder, const CacheListing& listing)>;

// Walks the tree of `pattern` (a folder, a backslash and a file mask): subfolders first,
// at any depth, never those whose names begin with a dot; then the files. A file that is
// too small or badly named costs its directory entry and nothing more. With `caches`,
// a folder that is a browser cache the readers know goes to it whole, and none of its
// files or subfolders is taken alone. False only when the pattern cannot be made a full
// path; a missing or unreadable folder is simply empty.
bool ScanCacheFolder(const std::wstring& pattern, const CandidateSink& sink, MarkedFileMemo* memo = nullptr,
                     const CacheFolderSink* caches = nullptr);

class CacheWatcher {
public:
    CacheWatcher(WatchSwitches switches, CacheRoots roots, IntakeContext intake);
    // The cache intake keeps a reference to this watcher's intake context.
    CacheWatcher(const CacheWatcher&) = delete;
    CacheWatcher& operator=(const CacheWatcher&) = delete;

    // One pass over the caches that are switched on.
    void RunPass();
    // Passes forever, with a pause between them; the worker ends with the process.
    [[noreturn]] void RunForever();

    static constexpr std::chrono::milliseconds kPause{1500};

private:
    void Scan(const std::atomic<bool>* on, const std::wstring& pattern);

    WatchSwitches switches_;
    CacheRoots roots_;
    IntakeContext intake_;
    MarkedFileMemo marked_;
    BrowserCacheIntake caches_;
};

// What the watcher's worker is given by the window it serves.
struct WatcherInputs {
    // The program's window lives as long as the process; a window that is destroyed
    // earlier (tests make many) ends its watcher at the next pass.
    HWND window = nullptr;
    WatchSwitches switches;
    const std::atomic<bool>* keepSilentClips = nullptr;
    // Called on the watcher's thread after a clip has landed in the library.
    std::function<void(const library::ArrivedClip& clip)> clipAdded;
};

// Thread entry, started first among the main window's workers.
void RunCacheWatcher(const WatcherInputs& inputs);

}  // namespace capture
