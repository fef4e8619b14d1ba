#pragma once
// Decisions of start-up that need no Windows call. Portable.
#include <string_view>

namespace app {

// "/min" anywhere in the full command line, case-sensitive: start hidden in the tray.
bool HasMinimizedSwitch(std::wstring_view commandLine);

}  // namespace app
