#pragma once
// Private messages by which the list-building workers reach the main window. Each one
// is carried out whole on the window thread, so a row is never seen half inserted.
#include <windows.h>

namespace library {

// lParam: const ClipRecord*. wParam 1: skip the row when its path is listed already.
// Returns the new row, or -1 when it was skipped or refused.
inline constexpr UINT WM_CATALOGUE_INSERT = WM_APP + 10;
// lParam: const std::wstring* path. Returns 1 when a row has that path.
inline constexpr UINT WM_CATALOGUE_IS_LISTED = WM_APP + 11;
// lParam: std::optional<ClipFilter>* to fill from the filter controls.
inline constexpr UINT WM_CATALOGUE_READ_FILTER = WM_APP + 12;
// A build ended: arm timer 1, which selects and previews the top row.
inline constexpr UINT WM_CATALOGUE_BUILD_DONE = WM_APP + 13;
// A full rebuild begins (disable "Show", delete every row) or ends (enable "Show").
inline constexpr UINT WM_CATALOGUE_REBUILD_BEGIN = WM_APP + 14;
inline constexpr UINT WM_CATALOGUE_REBUILD_END = WM_APP + 15;
// The once-a-minute refresh of a date preset.
inline constexpr UINT WM_FILTER_REFRESH = WM_APP + 16;

inline constexpr UINT_PTR kSelectTopRowTimer = 1;
inline constexpr UINT kSelectTopRowDelayMs = 100;

}  // namespace library
