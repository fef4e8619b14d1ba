#pragma once
// A clip that came into the library while the program runs (a capture, an import) goes
// into the list as one row: the library folder is not walked again, and a clip whose probe
// was made already is not probed again.
#include "library/Catalogue.h"
#include "probe/ProbeReport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace library {

struct ArrivedClip {
    // The clip in the library folder.
    std::wstring path;
    // Whether its probe named a video (ReportListsClip of the probe's report).
    bool listsClip = false;
    probe::ProbeFields fields;
    // Listed before and grown since (a stream played further): its row takes the new probe.
    bool grew = false;
};

// Puts the clip at the top of the list when the window's filter admits it and it is not
// listed yet (a clip that grew updates its row in place), and has the window select the top row as after a build; then keeps the probe
// in the probe cache, so that the next start does not probe the clip either. Takes its
// turn with the list builds.
void ListArrivedClip(HWND window, const ArrivedClip& clip, const CatalogueSource& source = DefaultCatalogueSource());

// Clips new in the library and not probed yet: probed (on the probe pool), then each
// listed as ListArrivedClip lists it, the last of them at the top.
void ListNewClips(HWND window, const std::vector<std::wstring>& paths,
                  const CatalogueSource& source = DefaultCatalogueSource());

}  // namespace library
