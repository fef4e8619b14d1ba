#pragma once
// The shortcut that starts the program minimised with Windows: "Reelkeep.lnk" in the
// all-users Startup folder.
#include <windows.h>
#include <string>

namespace settings {

// The shortcut's full path, or empty when the shell knows no all-users Startup folder.
std::wstring StartupShortcutPath();

// Writes a shell link to the running executable with "/min" and the executable's folder
// as working directory. Returns the first failing COM result.
HRESULT CreateStartupShortcut(const std::wstring& shortcutPath);

// A file-error text naming the file, with the system's wording for the error code.
std::wstring FileErrorText(const std::wstring& path, DWORD error);

}  // namespace settings
