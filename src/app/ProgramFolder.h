#pragma once
// Where the program and its companion files live.
#include <string>

namespace app {

// Folder of the running executable, ending in a backslash.
const std::wstring& ProgramFolder();
// ProgramFolder + "Videos\": every file in it that is not a directory is a clip.
const std::wstring& LibraryFolder();

// The folder part of an executable path: everything up to and including the last
// backslash (empty when there is none).
std::wstring FolderOfPath(const std::wstring& path);

}  // namespace app
