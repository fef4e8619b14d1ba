#pragma once
// Names a captured video by the page it was watched on: the page's site from the cache, the
// page itself from the same profile's history, and its title as the clip's. Each history
// is copied at most once per pass of the watcher, however many videos it names, and the
// copy goes when the pass ends.
#include "history/HistoryCopy.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryFiles.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace history {

// What the cache tells of one video's first piece.
struct PageQuestion {
    std::wstring cacheFolder;  // the cache the video was read from, no trailing backslash
    bool firefox = false;
    std::string topFrameSite;    // SiteText of the cache key's site; empty when it names none
    std::string referrer;        // the request's Referer, when the cache kept it
    std::int64_t fetchedAt = 0;  // seconds since 1970 UTC; 0 when unknown
};

struct PageName {
    // The clip's title: the page's, cleaned as the library keeps titles, or
    // "Video from <site>" when the page is not known. Empty when not even the site is.
    std::wstring title;
    std::wstring pageUrl;  // empty when not known
};

class PageNamer {
public:
    PageNamer(ProfileFolders folders, std::wstring copyFolder, VisitWindow window = {});
    ~PageNamer();
    PageNamer(const PageNamer&) = delete;
    PageNamer& operator=(const PageNamer&) = delete;

    PageName NameFor(const PageQuestion& question);
    // Closes the histories read in this pass and deletes their copies at once, on a thread
    // of their own: freeing a large file takes a file system longer than reading it.
    void EndPass();
    // Returns once the copies of the passes so far are deleted.
    void WaitForDeletions();

private:
    struct Opened {
        std::unique_ptr<HistoryCopy> copy;
        std::unique_ptr<HistoryDatabase> database;  // null when the file is no readable history
    };
    const HistoryDatabase* DatabaseFor(const PageQuestion& question);

    ProfileFolders folders_;
    std::wstring copyFolder_;
    VisitWindow window_;
    std::map<std::wstring, Opened> opened_;
    // The database each cache folder of this pass was answered from (null: none).
    std::map<std::pair<std::wstring, bool>, const HistoryDatabase*> byCache_;
    std::thread deleting_;
};

// This user's folders, and under Wine the Linux user's too.
ProfileFolders DefaultProfileFolders();

}  // namespace history
