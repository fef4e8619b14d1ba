#pragma once
// From the list-building workers to the window that holds the list, each carried out whole
// on the window thread so a row is never seen half inserted. The window serves them as one
// block, framework::kCatalogueMessages.
#include "framework/WindowMessages.h"

namespace library {

// lParam: library::RowDelivery*, rows inserted at the top in turn for a slice of time; the
// window records how many it took and the sender sends the rest again. Returns the
// number of rows inserted.
inline constexpr UINT WM_CATALOGUE_INSERT = framework::MessageAt(framework::kCatalogueMessages, 0);
// lParam: std::unordered_set<std::wstring>* to fill with the paths of every row.
inline constexpr UINT WM_CATALOGUE_LISTED_PATHS = framework::MessageAt(framework::kCatalogueMessages, 1);
// lParam: std::optional<ClipFilter>* to fill from the filter controls.
inline constexpr UINT WM_CATALOGUE_READ_FILTER = framework::MessageAt(framework::kCatalogueMessages, 2);
// A build ended: arm kSelectTopRowTimer, which selects and previews the top row.
inline constexpr UINT WM_CATALOGUE_BUILD_DONE = framework::MessageAt(framework::kCatalogueMessages, 3);
// A full rebuild begins (disable "Show", delete every row) or ends (enable "Show").
inline constexpr UINT WM_CATALOGUE_REBUILD_BEGIN = framework::MessageAt(framework::kCatalogueMessages, 4);
inline constexpr UINT WM_CATALOGUE_REBUILD_END = framework::MessageAt(framework::kCatalogueMessages, 5);
// The once-a-minute refresh of a date preset.
inline constexpr UINT WM_FILTER_REFRESH = framework::MessageAt(framework::kCatalogueMessages, 6);

// Selects and previews the top row once a build has ended.
inline constexpr UINT_PTR kSelectTopRowTimer = framework::TimerAt(framework::kCatalogueTimers, 0);

}  // namespace library
