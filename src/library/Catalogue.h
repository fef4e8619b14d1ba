#pragma once
// Filling the clip list from the library folder. The builders take the main window's
// handle and reach it only through its messages (framework/WindowMessages.h), so they may run
// on any thread; builds are serialised, so overlapping builds never list a clip twice.
#include "library/ClipFilter.h"

#include <windows.h>

#include <string>

namespace library {

// Where a build looks: the library folder and the probe program.
struct CatalogueSource {
    std::wstring folder;
    std::wstring ffmpeg;
};
CatalogueSource DefaultCatalogueSource();

// Lists every clip of the folder that passes `filter`, each at the top of the list.
// With `skipListed`, clips whose path is listed already are passed over. Returns the
// number of rows inserted.
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
