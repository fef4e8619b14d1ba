#pragma once
// How clips are named in the library, and how imported files are titled. Portable.
#include <cstdint>
#include <string>
#include <string_view>

namespace library {

// Library name of the clip made at `second`. Attempt 0 is "<second>.flv"; when that name
// is taken, attempt n is "<second>_<n+1>.flv", so a second clip of the same second sorts
// beside the first and never replaces it. A clip of another container keeps its own
// extension (".mp4").
std::wstring LibraryClipName(std::int32_t second, int attempt, std::wstring_view extension = L".flv");

// The title of an imported file: its name without the folder and without its last four
// characters (the ".flv"); empty for a name of four characters or fewer.
std::wstring ImportTitle(std::wstring_view path);

// The k-th of several files imported at `now` is named by the second now - k, so that a
// batch lists in the order it was chosen.
inline std::int64_t ImportSecond(std::int64_t now, std::size_t index) { return now - static_cast<std::int64_t>(index); }

}  // namespace library
