#pragma once
// The values the first run writes, in writing order. Portable: no Windows header.
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// One named setting text, as handed to a write.
struct SettingValue {
    std::wstring_view name;
    std::wstring_view text;
};

// Every setting of the table in its order with its default; "convertpath" gets the My Videos
// path, and is left out when that path is empty. The views point into the table and into
// myVideos, which must outlive the result.
std::vector<SettingValue> FirstRunValues(std::wstring_view myVideos);

}  // namespace settings
