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
ListedFile ListedFileOf(const WIN32_FIND_DATAW& entry);
std::vector<ListedFile> ListFiles(const std::wstring& folder);

// What a folder is, from its listing: a Chromium cache by its "index" magic, Firefox's
// "cache2" by its name and its "entries" subfolder.
CacheKind RecognizeCacheFolder(const std::wstring& folder, const std::vector<ListedFile>& files,
                               bool hasEntriesSubfolder);

class BrowserCacheIntake {
public:
    explicit BrowserCacheIntake(const IntakeContext& context) : context_(context) {}

    // `folder` has no trailing backslash; `files` is its listing.
    void ScanFolder(const std::wstring& folder, CacheKind kind, const std::vector<ListedFile>& files);
    // Call once per pass: forgets entries that are gone.
    void ForgetUnseen() { memo_.ForgetUnseen(); }

private:
    void ScanSimple(const std::wstring& folder, const std::vector<ListedFile>& files);
    void ScanFirefox(const std::wstring& folder);
    void ScanBlockfile(const std::wstring& folder, const std::vector<ListedFile>& files);

    const IntakeContext& context_;
    SettledMemo memo_;
};

}  // namespace capture
