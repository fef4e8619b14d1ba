#pragma once
// The shortcut that starts the program minimised with Windows: "Reelkeep.lnk" in the
// user's own Startup folder, which the user can write without administrator rights.
#include <windows.h>
#include <string>

namespace settings {

// The shortcut's full path, or empty when the shell knows no Startup folder for the user.
std::wstring StartupShortcutPath();

// Writes a shell link to the running executable with "/min" and the executable's folder
// as working directory. Returns the first failing COM result.
HRESULT CreateStartupShortcut(const std::wstring& shortcutPath);

}  // namespace settings
