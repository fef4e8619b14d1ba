#pragma once
// What one WM_CATALOGUE_INSERT carries: the rows a build hands the list, each to go in at
// the top in turn. The window takes them a slice at a time so that it keeps answering,
// and the build sends the rest again until all are taken. The rows the window takes are
// moved out: the build is done with them. Portable.
#include "library/ClipRecord.h"

#include <cstddef>
#include <vector>

namespace library {

struct RowDelivery {
    std::vector<ClipRecord>* rows = nullptr;
    // The rows before this one went in with earlier messages.
    std::size_t first = 0;
    // Pass over a row whose path is listed already.
    bool skipListed = false;
    // A row whose path is listed already takes that row's place (a clip that grew).
    bool updateListed = false;
    // More rows come at once: the list need not be painted between them.
    bool moreFollow = false;
    // Set by the window: how many rows from `first` on it went through this time.
    std::size_t taken = 0;
};

}  // namespace library
