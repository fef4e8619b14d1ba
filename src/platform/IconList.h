#pragma once
// Image lists of small icons from the executable's resources.
#include <windows.h>
#include <commctrl.h>

#include <span>

namespace platform {

// One 16x16 (small-icon size) image per id, in order; the caller owns the list. Built
// from each icon's bitmaps: adding icons one by one draws every icon twice, which took
// about three times as long at start-up.
HIMAGELIST LoadSmallIconList(HINSTANCE resources, std::span<const int> iconIds);

}  // namespace platform
