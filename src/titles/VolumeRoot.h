#pragma once
// The part of a full path that names its volume, so that what is learnt about a volume once
// (its serial number, whether it keeps per-file property sets) is not asked again per file.
#include <string>
#include <string_view>

namespace titles {

// "C:\" for drive paths, "\\SERVER\SHARE\" for UNC paths, with or without the "\\?\" prefix;
// ASCII letters upper-cased because Windows compares these names without case. Empty when
// the path is neither (relative paths, device paths): the caller then asks the system.
std::wstring VolumeRootOf(std::wstring_view fullPath);

}  // namespace titles
