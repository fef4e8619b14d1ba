#pragma once
// Where the program and its companion files live.
#include <string>

namespace platform {

// The running executable's full path, however long; empty when the system cannot say.
std::wstring ExecutablePath();
// Folder of the running executable, ending in a backslash.
const std::wstring& ProgramFolder();
// ProgramFolder + "Videos\": every file in it that is not a directory is a clip.
const std::wstring& LibraryFolder();

// The folder part of an executable path: everything up to and including the last
// backslash (empty when there is none).
std::wstring FolderOfPath(const std::wstring& path);

}  // namespace platform
