#pragma once
// The system's own words for an error code, for messages that tell the user why.
#include <windows.h>

#include <string>

namespace platform {

// The system's text for `error` without its line break; "Error <n>." when it has none.
std::wstring SystemErrorText(DWORD error);

}  // namespace platform
