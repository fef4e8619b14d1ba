#pragma once
// Titles of files on volumes without per-file property sets, kept in one append-only log
// per user and keyed by file identity.
//
// Writers take a named mutex, so appends from every thread and process come one after
// another; readers take no cross-process lock, keep the titles in memory and only read
// what was appended since their last look. A record torn by a crash is ignored until the
// next writer cuts it off; damage in the middle costs only the damaged records.
#include "titles/TitleLog.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace titles {

class FallbackTitleStore {
public:
    struct Options {
        std::wstring logPath;
        // The log is rewritten with only the live titles once it passes this size and is
        // more than twice what they need.
        std::uint64_t compactAtBytes = 1u << 20;
    };

    explicit FallbackTitleStore(Options options);
    FallbackTitleStore(const FallbackTitleStore&) = delete;
    FallbackTitleStore& operator=(const FallbackTitleStore&) = delete;

    struct Entry {
        std::wstring title;            // empty when the store holds none for the identity
        std::uint64_t changeTime = 0;  // as TitleRecord::changeTime
    };
    Entry Read(const FileIdentity& identity);
    // The same for many files at once, in their order, with one look at the log.
    std::vector<Entry> ReadMany(const std::vector<FileIdentity>& identities);
    // False when the log could not be written; an empty title forgets the identity.
    bool Write(const FileIdentity& identity, const std::wstring& title, std::uint64_t changeTime = 0);

    const std::wstring& logPath() const { return options_.logPath; }

private:
    struct LogStamp {
        bool exists = false;
        std::uint64_t size = 0;
        std::uint64_t lastWriteTime = 0;
        bool operator==(const LogStamp&) const = default;
    };

    LogStamp StampByPath() const;
    void SyncIfChanged();
    // Both require syncMutex_. SyncFrom brings the map up to the log's current content.
    void SyncFrom(HANDLE log);
    bool AppendLocked(HANDLE log, const TitleRecord& record);
    bool RewriteLocked(platform::UniqueFile& log);

    Options options_;
    platform::UniqueHandle writerMutex_;
    // Only one thread of this process reads the log file at a time.
    std::mutex syncMutex_;
    // Guards the fields below; never held across file access.
    std::mutex stateMutex_;
    TitleMap titles_;
    std::uint64_t parsedUpTo_ = 0;
    std::optional<std::uint64_t> generation_;
    LogStamp stamp_;
};

// Whether a title read for a file with `changeTimeNow` stands. A deletion mark holds only
// for the file exactly as it was marked. A copy put in the place of a marked clip deleted
// behind the program's back (by Explorer, or cp -p) keeps its times and size, and Linux
// gives it the freed index: it would inherit the mark and be deleted at the next start.
// Only its change time tells it apart, so a mark on a file whose change time has moved
// reads as no title, and the file is listed instead. A marked clip renamed or otherwise
// touched outside the program comes back the same way: a clip shown again is a lesser harm
// than a clip lost. Marks from logs that kept no change time hold.
bool StoredTitleHolds(const FallbackTitleStore::Entry& entry, std::uint64_t changeTimeNow);

// The store this process uses: under the per-user local application data folder, unless
// UseTitleStoreAt moved it (tests and helper processes point it at a scratch log).
std::shared_ptr<FallbackTitleStore> ProcessTitleStore();
void UseTitleStoreAt(std::wstring logPath, std::uint64_t compactAtBytes = 1u << 20);
// The addresses clips were fetched from, in a log of their own beside the title log.
std::shared_ptr<FallbackTitleStore> ProcessSourceStore();
// The same for the identities of the streams a clip was made from, "streams.log".
std::shared_ptr<FallbackTitleStore> ProcessStreamStore();
// The addresses of the pages clips were watched on, likewise.
std::shared_ptr<FallbackTitleStore> ProcessPageStore();

}  // namespace titles
