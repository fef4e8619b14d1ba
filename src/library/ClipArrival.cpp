#include "library/ClipArrival.h"

#include "library/CatalogueWindow.h"
#include "library/ClipRecordText.h"
#include "library/DeletionMarks.h"
#include "library/OrderedPool.h"
#include "platform/FileValues.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheFile.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <optional>

namespace library {

namespace {

struct ListedArrival {
    std::wstring path;
    probe::CachedProbe probe;
};

// The clip's row at the top when it is to be listed; its probe for the cache either way,
// unless the file is gone.
std::optional<ListedArrival> ListOne(const ArrivedClip& clip, const ClipFilter& filter, RowBatch& rows) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(clip.path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const std::uint64_t size = platform::FileSizeOf(data);
    ListedArrival kept{clip.path, {size, platform::FileTimeValue(data.ftLastWriteTime), clip.listsClip, clip.fields}};
    if (!clip.listsClip || ProcessPendingMarks().Contains(clip.path)) return kept;
    const std::wstring title = titles::ReadTitle(clip.path);
    const LocalDateTime created = LocalCreationTime(data.ftCreationTime);
    if (title == titles::kTitleToDelete || !AdmitsClip(filter, created, [&] { return title; })) return kept;
    const std::wstring_view fileName = std::wstring_view(clip.path).substr(clip.path.find_last_of(L'\\') + 1);
    rows.Add(MakeClipRecord({clip.path, fileName, title, created, size}, clip.fields));
    return kept;
}

void ListArrivals(HWND window, const std::vector<ArrivedClip>& clips, const CatalogueSource& source) {
    std::vector<ListedArrival> kept;
    {
        auto lock = LockBuilds(window);
        const BuildDone done(window);
        if (const std::optional<ClipFilter> filter = ReadFilter(window)) {
            const bool grew = clips.size() == 1 && clips.front().grew;
            RowBatch rows(window, true, grew);
            for (const ArrivedClip& clip : clips)
                if (std::optional<ListedArrival> listed = ListOne(clip, *filter, rows)) kept.push_back(*listed);
            rows.Send(false);
        }
    }
    // After the row shows: the cache file holds the whole library and takes a while to
    // write again.
    const std::optional<probe::ProbeToolIdentity> tool = probe::IdentifyProbeTool(source.ffmpeg);
    if (source.probeCache.empty() || !tool || kept.empty()) return;
    probe::ProbeEntries entries;
    for (ListedArrival& arrival : kept) entries.insert_or_assign(std::move(arrival.path), std::move(arrival.probe));
    probe::ProbeCacheFile(source.probeCache, *tool).Save(entries, nullptr);
}

}  // namespace

void ListArrivedClip(HWND window, const ArrivedClip& clip, const CatalogueSource& source) {
    ListArrivals(window, {clip}, source);
}

void ListNewClips(HWND window, const std::vector<std::wstring>& paths, const CatalogueSource& source) {
    std::vector<std::optional<ArrivedClip>> probed(paths.size());
    std::vector<ArrivedClip> clips;
    DeliverInOrder<ArrivedClip>(
        probed, ProbePoolSize(source),
        [&](std::size_t i) {
            const probe::MediaProbeResult result = probe::ProbeMedia(paths[i], source.ffmpeg, source.probeTimeout);
            return ArrivedClip{paths[i], ReportListsClip(result.report, paths[i]), result.fields};
        },
        [&](std::size_t, ArrivedClip& clip) { clips.push_back(std::move(clip)); });
    ListArrivals(window, clips, source);
}

}  // namespace library
