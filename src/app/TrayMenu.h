#pragma once
// The tray icon's popup menu.
#include "platform/UniqueHandle.h"

#include <windows.h>

namespace app {

enum TrayCommand : UINT {
    kTrayToggleWindow = 1,
    kTrayUserGuide = 2,
    kTrayAbout = 3,
    kTrayWebSite = 4,
    kTrayQuit = 5,
};

inline constexpr wchar_t kQuitQuestion[] =
    L"Are you sure you want to quit? If the program is disabled, then you may lose some of the videos, "
    L"viewable through a browser.";

platform::UniqueMenu BuildTrayMenu(bool windowVisible);

}  // namespace app
