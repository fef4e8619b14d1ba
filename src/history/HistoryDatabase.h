#pragma once
// A browser's history database, opened read-only through SQLite: Chromium's "History"
// (every Chromium-family browser) and Firefox's "places.sqlite". Only the visits within the
// window asked for are read; both tables are indexed by the time of the visit.
// Portable: no Windows header.
#include "history/PageSite.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace history {

enum class HistoryKind { Chromium, Firefox };

struct PageVisit {
    std::string url;
    std::wstring title;                      // as the browser stored it; may be empty
    std::int64_t visitedAtMicroseconds = 0;  // since 1970 UTC
};

// Which visits may stand for the page a video was fetched from.
struct VisitWindow {
    // How long before the fetch the page's visit may lie: a tab is often left open a while
    // before its video plays.
    std::int64_t boundSeconds = 6 * 3600;
    // Firefox stores an entry's times in whole seconds, rounded down: a video fetched in the
    // same second as its page seems to come up to a second before it.
    std::int64_t slackSeconds = 3;
};

class HistoryDatabase {
public:
    // Opens `utf8Path` (a private copy: see HistoryCopy) read-only; nothing when the file is
    // no history database this reader knows. A hot journal beside the copy, left by a
    // browser caught mid-write, is rolled back in the copy.
    // `alone` says that no log or journal lies beside the copy: SQLite then reads it as a
    // file that cannot change, without locks, journal checks or a shared-memory file.
    static std::unique_ptr<HistoryDatabase> Open(const std::string& utf8Path, bool alone = false);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    HistoryKind kind() const { return kind_; }

    // The last visit to a page on `site` before `fetchedAt` (seconds since 1970 UTC), within
    // `window`. Frames, embedded pages, downloads and the steps of a redirect are no pages a
    // user watched. Nothing when there is none, or the database cannot be read.
    std::optional<PageVisit> LastVisitOnSite(const Site& site, std::int64_t fetchedAt,
                                             const VisitWindow& window = {}) const;
    // The last visit to exactly `url` within the same window.
    std::optional<PageVisit> LastVisitOf(const std::string& url, std::int64_t fetchedAt,
                                         const VisitWindow& window = {}) const;

private:
    HistoryDatabase(sqlite3* db, HistoryKind kind) : db_(db), kind_(kind) {}
    std::optional<PageVisit> Query(const char* sql, const std::string& text, const std::string& host,
                                   std::int64_t fetchedAt, const VisitWindow& window) const;

    sqlite3* db_;
    HistoryKind kind_;
    // Prepared once: a pass asks the same question for every clip. Finalised on close.
    mutable std::map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace history
