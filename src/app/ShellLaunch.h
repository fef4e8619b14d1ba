#pragma once
// Documents the program opens through the shell; failures are not reported.
#include <windows.h>

namespace app {

inline constexpr wchar_t kWebSiteAddress[] = L"https://www.reelkeep.com/";

void OpenUserGuide(HWND owner);
void OpenWebSite(HWND owner);

}  // namespace app
