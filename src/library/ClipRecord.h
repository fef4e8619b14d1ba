#pragma once
// One row of the clip list: eleven texts in column order. The list control holds the
// only copy; the path in column 8 is the row's key. Portable.
#include "library/ClipColumns.h"

#include <array>
#include <string>

namespace library {

using ClipRecord = std::array<std::wstring, kClipColumns.size()>;

}  // namespace library
