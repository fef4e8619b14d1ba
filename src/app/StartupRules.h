#pragma once
// Decisions of start-up that need no Windows call. Portable.
#include <string_view>
#include <vector>
#include <string>

namespace app {

// "/min" anywhere in the full command line, case-sensitive: start hidden in the tray.
bool HasMinimizedSwitch(std::wstring_view commandLine);

// How many of the running processes are this program: executable names that begin
// with "Reelkeep.exe" (case-sensitive), the running process included.
int CountProgramInstances(const std::vector<std::wstring>& executableNames);

}  // namespace app
