#pragma once
// How files imported from a folder are named and titled in the library. Portable.
#include <cstdint>
#include <string>
#include <string_view>

namespace library {

// The title of an imported file: its name without the folder and without its last four
// characters (the ".flv"); empty for a name of four characters or fewer.
std::wstring ImportTitle(std::wstring_view path);

// The k-th of several files imported at `now` is named by the second now - k, so that a
// batch lists in the order it was chosen.
inline std::int64_t ImportSecond(std::int64_t now, std::size_t index) {
    return now - static_cast<std::int64_t>(index);
}

}  // namespace library
