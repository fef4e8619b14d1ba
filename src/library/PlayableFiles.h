#pragma once
// Which library files may be handed to the system's player. Portable.
#include <string_view>

namespace library {

// True when the file's extension names a video or audio type. The shell runs whatever
// it is given, so a library file named like a script or program is never handed over.
bool IsPlayableMediaFile(std::wstring_view path);

}  // namespace library
