#pragma once
// Shell special folders by CSIDL, as plain paths.
#include <string>

namespace platform {

// The folder's path without a trailing backslash, or empty when the shell knows none.
// The folder is never created here: callers decide what a missing folder means.
std::wstring SpecialFolderPath(int csidl);

}  // namespace platform
