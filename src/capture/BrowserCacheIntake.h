#pragma once
// The watcher's side of the cache readers: a folder that the walk recognised as a
// Chromium or Firefox cache is read entry by entry, its responses are grouped into
// streams, and the streams go to the stream intake. An entry whose files have not changed
// is not read again, and a folder where nothing changed and nothing waits costs its listing.
#include "capture/CacheReaders.h"
#include "capture/Intake.h"
#include "capture/FileStamps.h"
#include "capture/StreamIntake.h"

#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
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
    explicit BrowserCacheIntake(const IntakeContext& context) : context_(context), streams_(context) {}

    // `folder` has no trailing backslash.
    void ScanFolder(const std::wstring& folder, const CacheListing& listing);
    // Call once per pass: forgets folders and streams that are gone.
    void ForgetUnseen();

private:
    // An entry as last read, by the stamp of its files.
    struct ReadEntry {
        std::uint64_t digest = 0;
        std::optional<CachedResponse> response;
    };
    struct Folder {
        std::uint64_t digest = 0;
        std::optional<std::int64_t> nextCheck;
        bool seen = true;
        std::unordered_map<std::wstring, ReadEntry> entries;
    };
    std::int64_t Now() const;
    bool Unchanged(Folder& state, std::uint64_t digest) const;
    // `held` is set when a file could not be read because another program holds it.
    std::vector<CachedResponse> ReadSimple(const std::wstring& folder, const CacheListing& listing, Folder& state,
                                           bool& held);
    std::vector<CachedResponse> ReadFirefox(const std::wstring& folder, const std::vector<ListedFile>& files,
                                            Folder& state, bool& held);

    const IntakeContext& context_;
    StreamIntake streams_;
    std::unordered_map<std::wstring, Folder> folders_;
};

}  // namespace capture
