#pragma once
// Filling the clip list from the library folder. The builders take the main window's
// handle and reach it only through its messages (library/CatalogueWindow.h), so they may
// run on any thread; builds are serialised, so overlapping builds never list a clip twice.
#include "library/ClipFilter.h"
#include "probe/MediaProbe.h"

#include <windows.h>

#include <chrono>
#include <string>

namespace library {

// Where a build looks: the library folder, the probe program, the probe cache (none
// when empty), how many probes may run at once (0: two per processor, from two to eight) and
// how long one may take.
struct CatalogueSource {
    std::wstring folder;
    std::wstring ffmpeg;
    std::wstring probeCache = {};
    unsigned probeThreads = 0;
    std::chrono::milliseconds probeTimeout = probe::kProbeTimeout;
};
CatalogueSource DefaultCatalogueSource();
// How many probes run at once for `source`.
unsigned ProbePoolSize(const CatalogueSource& source);

struct BuildOutcome {
    int inserted = 0;
    // Clips that ffmpeg.exe was run on; the others came from the probe cache.
    int probed = 0;
};

// Lists every clip of the folder that passes `filter`, each at the top of the list, in
// the order of the folder's enumeration whatever order the probes finish in. With
// `skipListed`, clips whose path is listed already are passed over.
BuildOutcome BuildClipListCounting(HWND window, bool skipListed, const ClipFilter& filter,
                                   const CatalogueSource& source = DefaultCatalogueSource());
// The same, giving the number of rows inserted.
int BuildClipList(HWND window, bool skipListed, const ClipFilter& filter,
                  const CatalogueSource& source = DefaultCatalogueSource());

// Adds the clips not yet listed, then arms the top-row timer. Runs on a worker, or on
// the window thread itself, which then keeps serving the window's messages meanwhile.
void RefreshClipList(HWND window, const CatalogueSource& source = DefaultCatalogueSource());
// Empties the list and lists it again under the current filter (the "Show" button).
void RebuildClipList(HWND window, const CatalogueSource& source = DefaultCatalogueSource());
// Forever: once a minute, moves a date preset on to the current day.
void FilterRefresher(HWND window);

}  // namespace library
