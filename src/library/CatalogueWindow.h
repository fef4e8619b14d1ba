#pragma once
// What a list build asks of the main window, always through its messages
// (library/CatalogueMessages.h), so that builds may run on any thread: builds take turns,
// read the filter, learn which clips are listed and hand their rows over in batches.
#include "framework/LastMessage.h"
#include "library/ClipFilter.h"
#include "library/ClipRecord.h"

#include <windows.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace library {

// Builds run one at a time, so overlapping builds never list a clip twice. On the window
// thread the wait goes on serving the messages that the running build sends it.
std::unique_lock<std::mutex> LockBuilds(HWND window);

// The filter of the window's controls; none when no filter kind is chosen.
std::optional<ClipFilter> ReadFilter(HWND window);
std::unordered_set<std::wstring> ListedPaths(HWND window);
// Tells the window, however a build ends, that it is over: the window selects its top
// row a moment later.
class BuildDone : public framework::LastMessage {
public:
    explicit BuildDone(HWND window);
};

// A file time as the local date and time the list shows.
LocalDateTime LocalCreationTime(const FILETIME& created);

// Rows go to the window in batches: the list's repaint after a batch (its scroll bar is
// drawn at once) costs tens of milliseconds under Wine whatever the batch holds, so
// thousands of rows from the cache must come in a handful of batches, not one per row,
// and the list is repainted only when no batch follows at once. A batch goes as soon as
// it is full, or old while the build waits for a probe, so rows still appear while probes
// run, a few times a second at most. The window takes a batch a slice of time at a time,
// so a long one never keeps it from answering; each message carries whole rows only.
class RowBatch {
public:
    // `updateListed`: a row whose clip is listed already replaces that row's record.
    RowBatch(HWND window, bool skipListed, bool updateListed = false)
        : window_(window), skipListed_(skipListed), updateListed_(updateListed) {}
    void Add(ClipRecord record);
    // `moreFollow`: the next batch comes at once, so the list need not be painted yet.
    void Send(bool moreFollow);
    // Sends the rows that have waited long enough to be shown.
    void SendWhenOld();
    int inserted() const { return inserted_; }

private:
    static constexpr std::size_t kBatchRows = 200;
    static constexpr std::chrono::milliseconds kBatchAge{250};

    HWND window_;
    bool skipListed_;
    bool updateListed_;
    std::vector<ClipRecord> rows_;
    std::chrono::steady_clock::time_point started_;
    bool unpainted_ = false;
    int inserted_ = 0;
};

}  // namespace library
