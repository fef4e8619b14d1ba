#pragma once
// What the open-file dialog hands back for a multiple selection. Portable.
#include <string>
#include <string_view>
#include <vector>

namespace framework {

// The dialog's buffer: one full path ended by NUL, or a folder followed by the chosen
// names, each ended by NUL, the list ended by an empty name. Returns full paths.
std::vector<std::wstring> SplitMultiSelection(std::wstring_view buffer);

}  // namespace framework
