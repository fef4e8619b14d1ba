#pragma once
// The standard words for a file operation that failed, naming the file: the texts users
// know from other programs for the common causes, the system's own words for the rest.
#include <windows.h>

#include <string>

namespace framework {

std::wstring FileErrorText(const std::wstring& path, DWORD error);

}  // namespace framework
