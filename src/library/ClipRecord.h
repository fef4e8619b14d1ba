#pragma once
// One clip of the list: the eleven texts its row shows, and the values that other parts
// of the program work with, kept as values rather than read back from the texts.
// Portable.
#include "library/ClipColumns.h"

#include <array>
#include <string>

namespace library {

struct ClipRecord {
    // What each column shows, in column order; the path column is the row's key.
    std::array<std::wstring, kClipColumns.size()> cells;
    // The clip's length in whole seconds, from its probe: what a conversion cuts and counts.
    int durationSeconds = 0;

    const std::wstring& title() const { return cells[kTitleColumn]; }
    const std::wstring& path() const { return cells[kPathColumn]; }
    const std::wstring& resolution() const { return cells[kResolutionColumn]; }
};

}  // namespace library
