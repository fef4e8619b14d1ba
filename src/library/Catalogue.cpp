#include "library/Catalogue.h"

#include "framework/WindowMessages.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "library/ClipRecord.h"
#include "library/ClipRecordText.h"
#include "probe/MediaProbe.h"
#include "library/OrderedPool.h"
#include "probe/ProbeCacheSession.h"
#include "library/RowDelivery.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

namespace library {

namespace {

constexpr DWORD kFilterRefreshIntervalMs = 60'000;

std::mutex& BuildMutex() {
    static std::mutex mutex;
    return mutex;
}

// The window thread must go on serving the messages that a running build sends it
// while it waits for its own turn; blocking there would deadlock both.
std::unique_lock<std::mutex> LockBuilds(HWND window) {
    std::unique_lock<std::mutex> lock(BuildMutex(), std::defer_lock);
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        lock.lock();
        return lock;
    }
    while (!lock.try_lock()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return lock;
}

LocalDateTime LocalCreationTime(const FILETIME& created) {
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    FileTimeToSystemTime(&created, &universal);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    return LocalDateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::unordered_set<std::wstring> ListedPaths(HWND window) {
    std::unordered_set<std::wstring> paths;
    SendMessageW(window, framework::WM_CATALOGUE_LISTED_PATHS, 0, reinterpret_cast<LPARAM>(&paths));
    return paths;
}

std::optional<ClipFilter> ReadFilter(HWND window) {
    std::optional<ClipFilter> filter;
    SendMessageW(window, framework::WM_CATALOGUE_READ_FILTER, 0, reinterpret_cast<LPARAM>(&filter));
    return filter;
}

// A clip that passed the filter and waits for its probe.
struct Candidate {
    WIN32_FIND_DATAW entry;
    std::wstring path;
    LocalDateTime created;
    std::optional<std::wstring> title;
    std::uint64_t size() const { return platform::FileSizeOf(entry); }
    std::uint64_t lastWriteTime() const { return platform::FileTimeValue(entry.ftLastWriteTime); }
};

struct ClipProbe {
    probe::CachedProbe probe;
    // Made by ffmpeg.exe in this build, and sound enough to be kept.
    bool fresh = false;
};

// Every file of the folder, and those that pass the filter. The filter's tests come
// before any probe, so rejected clips cost none.
struct FolderScan {
    probe::FolderListing listing;
    std::vector<Candidate> candidates;
};

FolderScan ScanFolder(const std::wstring& folder, const ClipFilter& filter,
                      const std::unordered_set<std::wstring>& listed) {
    FolderScan scan;
    scan.listing.folder = folder;
    platform::ForEachFile(folder, [&](const WIN32_FIND_DATAW& entry) {
        Candidate clip{entry, folder + entry.cFileName, LocalCreationTime(entry.ftCreationTime), std::nullopt};
        scan.listing.paths.insert(clip.path);
        if (!AdmitsClip(filter, clip.created, [&] { return *(clip.title = titles::ReadTitle(clip.path)); })) return;
        if (!listed.contains(clip.path)) scan.candidates.push_back(std::move(clip));
    });
    return scan;
}

ClipProbe ProbeClip(const Candidate& clip, const CatalogueSource& source) {
    const probe::MediaProbeResult result = probe::ProbeMedia(clip.path, source.ffmpeg, source.probeTimeout);
    ClipProbe probe{{clip.size(), clip.lastWriteTime(), ReportListsClip(result.report, clip.path), result.fields}};
    // A tool that hung, printed nothing or could not open the file says nothing lasting
    // about the clip: kept, such a verdict would hide a sound clip until it changed.
    probe.fresh = !result.timedOut && !result.report.empty() && !result.unopened;
    return probe;
}

// Rows go to the window in batches: the list's repaint after a batch (its scroll bar is
// drawn at once) costs tens of milliseconds under Wine whatever the batch holds, so
// thousands of rows from the cache must come in a handful of batches, not one per row,
// and the list is repainted only when no batch follows at once. A batch goes as soon as
// it is old or full, or when the build has to wait for a probe, so rows still appear
// while probes run. The window takes a batch a slice of time at a time, so a long one
// never keeps it from answering; each message carries whole rows only.
class RowBatch {
public:
    RowBatch(HWND window, bool skipListed) : window_(window), skipListed_(skipListed) {}
    void Add(ClipRecord record) {
        if (rows_.empty()) started_ = std::chrono::steady_clock::now();
        rows_.push_back(std::move(record));
        if (rows_.size() >= kBatchRows || std::chrono::steady_clock::now() - started_ >= kBatchAge) Send(true);
    }
    // `moreFollow`: the next batch comes at once, so the list need not be painted yet.
    void Send(bool moreFollow) {
        if (rows_.empty() && !unpainted_) return;
        RowDelivery delivery{&rows_, 0, skipListed_, moreFollow};
        do {
            delivery.taken = 0;
            inserted_ += static_cast<int>(
                SendMessageW(window_, framework::WM_CATALOGUE_INSERT, 0, reinterpret_cast<LPARAM>(&delivery)));
            delivery.first += delivery.taken;
            // Nothing taken: the window is gone, or an empty batch only asked for a repaint.
        } while (delivery.taken > 0 && delivery.first < rows_.size());
        unpainted_ = moreFollow;
        rows_.clear();
    }
    int inserted() const { return inserted_; }

private:
    static constexpr std::size_t kBatchRows = 200;
    static constexpr std::chrono::milliseconds kBatchAge{250};

    HWND window_;
    bool skipListed_;
    std::vector<ClipRecord> rows_;
    std::chrono::steady_clock::time_point started_;
    bool unpainted_ = false;
    int inserted_ = 0;
};

unsigned PoolSize(unsigned requested) {
    if (requested != 0) return requested;
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// One clip's row, or nothing when the clip is not to be listed.
std::optional<ClipRecord> MakeRecord(Candidate& clip, const probe::CachedProbe& probe) {
    if (!probe.listsClip) return std::nullopt;
    if (!clip.title) clip.title = titles::ReadTitle(clip.path);
    const std::wstring title = DisplayTitle(*clip.title, clip.entry.cFileName);
    if (title == titles::kTitleToDelete) return std::nullopt;

    const probe::ProbeFields& fields = probe.fields;
    return ClipRecord{title,
                      DateText(clip.created),
                      TimeText(clip.created),
                      SizeText(clip.size()),
                      probe::FormatDuration(fields.duration),
                      fields.resolution,
                      fields.frameRate,
                      fields.bitRate,
                      clip.path,
                      fields.video,
                      fields.audio};
}

// What the pool makes of one clip: its probe and its row. Reading a title costs about as
// much as the rest of the row together, so titles are read on the pool as well, also for
// clips whose probe comes from the cache.
struct ClipRow {
    ClipProbe probe;
    std::optional<ClipRecord> record;
};

ClipRow MakeRow(Candidate& clip, const std::optional<probe::CachedProbe>& cached, const CatalogueSource& source) {
    ClipRow row{cached ? ClipProbe{*cached} : ProbeClip(clip, source), std::nullopt};
    row.record = MakeRecord(clip, row.probe.probe);
    return row;
}

}  // namespace

CatalogueSource DefaultCatalogueSource() {
    return CatalogueSource{platform::LibraryFolder(), probe::DefaultFfmpegPath(), probe::DefaultProbeCachePath()};
}

BuildOutcome BuildClipListCounting(HWND window, bool skipListed, const ClipFilter& filter,
                                   const CatalogueSource& source) {
    FolderScan scan =
        ScanFolder(source.folder, filter, skipListed ? ListedPaths(window) : std::unordered_set<std::wstring>{});
    probe::ProbeCacheSession cache(source.probeCache, source.ffmpeg);
    // Copied out before the pool starts: the session changes while rows are delivered.
    std::vector<std::optional<probe::CachedProbe>> cached(scan.candidates.size());
    BuildOutcome outcome;
    for (std::size_t i = 0; i < cached.size(); ++i) {
        const Candidate& clip = scan.candidates[i];
        if (const probe::CachedProbe* known = cache.Find(clip.path, clip.size(), clip.lastWriteTime()))
            cached[i] = *known;
        else
            ++outcome.probed;
    }
    std::vector<std::optional<ClipRow>> made(scan.candidates.size());
    RowBatch rows(window, skipListed);
    DeliverInOrder<ClipRow>(
        made, PoolSize(source.probeThreads),
        [&](std::size_t i) { return MakeRow(scan.candidates[i], cached[i], source); },
        [&](std::size_t i, ClipRow& row) {
            if (row.probe.fresh) cache.Add(scan.candidates[i].path, row.probe.probe);
            if (row.record) rows.Add(std::move(*row.record));
        },
        // The rows made so far show while a probe runs; waiting for a title is too short
        // to be worth a message of its own.
        [&](std::size_t i) {
            if (!cached[i]) rows.Send(false);
        });
    rows.Send(false);
    outcome.inserted = rows.inserted();
    cache.Finish(scan.listing);
    return outcome;
}

int BuildClipList(HWND window, bool skipListed, const ClipFilter& filter, const CatalogueSource& source) {
    return BuildClipListCounting(window, skipListed, filter, source).inserted;
}

void RefreshClipList(HWND window, const CatalogueSource& source) {
    auto lock = LockBuilds(window);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, true, *filter, source);
    SendMessageW(window, framework::WM_CATALOGUE_BUILD_DONE, 0, 0);
}

void RebuildClipList(HWND window, const CatalogueSource& source) {
    auto lock = LockBuilds(window);
    SendMessageW(window, framework::WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, false, *filter, source);
    SendMessageW(window, framework::WM_CATALOGUE_BUILD_DONE, 0, 0);
    SendMessageW(window, framework::WM_CATALOGUE_REBUILD_END, 0, 0);
}

void FilterRefresher(HWND window) {
    for (;;) {
        Sleep(kFilterRefreshIntervalMs);
        SendMessageW(window, framework::WM_FILTER_REFRESH, 0, 0);
    }
}

}  // namespace library
