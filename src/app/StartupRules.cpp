#include "app/StartupRules.h"

namespace app {

bool HasMinimizedSwitch(std::wstring_view commandLine) { return commandLine.find(L"/min") != std::wstring_view::npos; }

}  // namespace app
