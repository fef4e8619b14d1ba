#include "library/Catalogue.h"

#include "library/MovieNumbering.h"

#include "library/CatalogueMessages.h"
#include "library/CatalogueWindow.h"
#include "library/ClipRecord.h"
#include "library/ClipRecordText.h"
#include "library/DeletionMarks.h"
#include "library/OrderedPool.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheSession.h"
#include "titles/FolderTitles.h"
#include "titles/TitleMarkers.h"

#include <algorithm>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

namespace library {

namespace {

constexpr DWORD kFilterRefreshIntervalMs = 60'000;
// How often a build that waits for its probes looks whether rows are due to be shown.
constexpr std::chrono::milliseconds kShowInterval{100};

// A clip that passed the filter and waits for its probe.
struct Candidate {
    WIN32_FIND_DATAW entry;
    std::wstring path;
    LocalDateTime created;
    std::wstring title;
    std::uint64_t size() const { return platform::FileSizeOf(entry); }
    std::uint64_t lastWriteTime() const { return platform::FileTimeValue(entry.ftLastWriteTime); }
};

struct ClipProbe {
    probe::CachedProbe probe;
    // Made by ffmpeg.exe in this build, and sound enough to be kept.
    bool fresh = false;
};

// Every file of the folder, and those that pass the filter. The filter's tests come
// before any probe, so rejected clips cost none; the titles come with the listing.
struct FolderScan {
    probe::FolderListing listing;
    std::vector<Candidate> candidates;
};

FolderScan ScanFolder(const std::wstring& folder, const ClipFilter& filter,
                      const std::unordered_set<std::wstring>& listed) {
    FolderScan scan;
    scan.listing.folder = folder;
    const PendingMarks& deleted = ProcessPendingMarks();
    titles::ForEachTitledFile(folder, [&](const WIN32_FIND_DATAW& entry, const std::wstring& title) {
        // The titles are read here anyway: the numbering of captures learns from them.
        ProcessMovieNumbers().See(title);
        std::wstring path = folder + entry.cFileName;
        scan.listing.paths.insert(path);
        if (listed.contains(path) || deleted.Contains(path)) return;
        const LocalDateTime created = LocalCreationTime(entry.ftCreationTime);
        if (!AdmitsClip(filter, created, [&] { return title; })) return;
        scan.candidates.push_back(Candidate{entry, std::move(path), created, title});
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

// One clip's row, or nothing when the clip is not to be listed.
std::optional<ClipRecord> MakeRecord(const Candidate& clip, const probe::CachedProbe& probe) {
    if (!probe.listsClip || clip.title == titles::kTitleToDelete) return std::nullopt;
    return MakeClipRecord({clip.path, clip.entry.cFileName, clip.title, clip.created, clip.size()}, probe.fields);
}

// What the pool makes of one clip: its probe and its row.
struct ClipRow {
    ClipProbe probe;
    std::optional<ClipRecord> record;
};

ClipRow MakeRow(const Candidate& clip, const ClipProbe& probe) { return ClipRow{probe, MakeRecord(clip, probe.probe)}; }

}  // namespace

CatalogueSource DefaultCatalogueSource() {
    return CatalogueSource{platform::LibraryFolder(), probe::DefaultFfmpegPath(), probe::DefaultProbeCachePath()};
}

// Most of a probe under Wine is waiting (for the new process to come up, for its pipe):
// two probes per processor keep the processors busy.
unsigned ProbePoolSize(const CatalogueSource& source) {
    if (source.probeThreads != 0) return source.probeThreads;
    return std::clamp(2 * std::thread::hardware_concurrency(), 2u, 8u);
}

BuildOutcome BuildClipListCounting(HWND window, bool skipListed, const ClipFilter& filter,
                                   const CatalogueSource& source) {
    FolderScan scan =
        ScanFolder(source.folder, filter, skipListed ? ListedPaths(window) : std::unordered_set<std::wstring>{});
    probe::ProbeCacheSession cache(source.probeCache, source.ffmpeg);
    // The rows of clips the cache knows are made at once; the pool probes the others.
    // Copied out before the pool starts: the session changes while rows are delivered.
    std::vector<std::optional<ClipRow>> made(scan.candidates.size());
    BuildOutcome outcome;
    for (std::size_t i = 0; i < made.size(); ++i) {
        const Candidate& clip = scan.candidates[i];
        if (const probe::CachedProbe* known = cache.Find(clip.path, clip.size(), clip.lastWriteTime()))
            made[i] = MakeRow(clip, ClipProbe{*known});
        else
            ++outcome.probed;
    }
    RowBatch rows(window, skipListed);
    DeliverInOrder<ClipRow>(
        made, ProbePoolSize(source),
        [&](std::size_t i) { return MakeRow(scan.candidates[i], ProbeClip(scan.candidates[i], source)); },
        [&](std::size_t i, ClipRow& row) {
            if (row.probe.fresh) cache.Add(scan.candidates[i].path, row.probe.probe);
            if (row.record) rows.Add(std::move(*row.record));
        },
        // The rows made so far show while probes run, though not after every probe: each
        // batch costs the window a repaint, and it shares the processors with the probes.
        [&](std::size_t) { rows.SendWhenOld(); }, kShowInterval);
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
    const BuildDone done(window);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, true, *filter, source);
}

void RebuildClipList(HWND window, const CatalogueSource& source) {
    auto lock = LockBuilds(window);
    // Said last, after the build's own end: "Show" comes back however the build ended.
    const framework::LastMessage rebuilt(window, WM_CATALOGUE_REBUILD_END, 0, framework::LastMessage::Delivery::Send);
    SendMessageW(window, WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
    const BuildDone done(window);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, false, *filter, source);
}

void FilterRefresher(HWND window) {
    for (;;) {
        Sleep(kFilterRefreshIntervalMs);
        SendMessageW(window, library::WM_FILTER_REFRESH, 0, 0);
    }
}

}  // namespace library
