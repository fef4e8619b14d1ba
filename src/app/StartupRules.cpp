#include "app/StartupRules.h"

namespace app {

bool HasMinimizedSwitch(std::wstring_view commandLine) {
    return commandLine.find(L"/min") != std::wstring_view::npos;
}

int CountProgramInstances(const std::vector<std::wstring>& executableNames) {
    int count = 0;
    for (const std::wstring& name : executableNames) {
        if (std::wstring_view(name).starts_with(L"Reelkeep.exe")) ++count;
    }
    return count;
}

}  // namespace app
