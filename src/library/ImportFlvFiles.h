#pragma once
// Importing video files from a local folder into the library, on a worker of its own.
#include <windows.h>

#include <string>

namespace library {

// Asks for the files (no owner: the main window stays usable), copies each into the
// library titled by its name, then lists the new clips. Returns how many were added.
int ImportFlvFiles(HWND window, const std::wstring& libraryFolder);

}  // namespace library
