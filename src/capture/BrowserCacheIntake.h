#pragma once
// The watcher's side of the cache readers: a folder that the walk recognised as a
// Chromium or Firefox cache is read entry by entry, and each whole response goes to the
// intake. Entries whose files have not changed since they were settled cost a lookup.
#include "capture/CacheReaders.h"
#include "capture/Intake.h"
#include "capture/SettledMemo.h"

#include <windows.h>

#include <string>
#include <vector>

namespace capture {

// One plain file of a folder listing, as the walk saw it.
struct ListedFile {
    std::wstring name;
    std::uint64_t size = 0;
    FILETIME created{};
    std::uint64_t written = 0;
};
ListedFile ListedFileOf(const WIN32_FIND_DATAW& entry, bool named = true);
std::vector<ListedFile> ListFiles(const std::wstring& folder);

// A recognised cache folder's files as its reader needs them. A Simple cache holds
// thousands of entry files, mostly pages: those are kept by their hash, with no name to
// allocate, so that a pass with nothing new costs little more than the listing.
struct CacheListing {
    struct SimpleFile {
        std::uint64_t hash = 0;
        ListedFile stamp;  // without its name
    };
    CacheKind kind = CacheKind::None;
    std::vector<ListedFile> files;        // block-file caches
    std::vector<SimpleFile> streamFiles;  // "<hash>_0"
    std::vector<SimpleFile> sparseFiles;  // "<hash>_s"

    void Add(const WIN32_FIND_DATAW& entry);
};

// What a folder is, asked before its listing: a Chromium cache by the magic of its
// "index", Firefox's "cache2" by its name and its "entries" subfolder.
CacheKind RecognizeCacheFolder(const std::wstring& folder);

class BrowserCacheIntake {
public:
    explicit BrowserCacheIntake(const IntakeContext& context) : context_(context) {}

    // `folder` has no trailing backslash.
    void ScanFolder(const std::wstring& folder, const CacheListing& listing);
    // Call once per pass: forgets entries that are gone.
    void ForgetUnseen() { memo_.ForgetUnseen(); }

private:
    void ScanSimple(const std::wstring& folder, const CacheListing& listing);
    void ScanFirefox(const std::wstring& folder);
    void ScanBlockfile(const std::wstring& folder, const std::vector<ListedFile>& files);

    const IntakeContext& context_;
    SettledMemo memo_;
};

}  // namespace capture
