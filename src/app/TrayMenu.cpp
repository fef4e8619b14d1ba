#include "app/TrayMenu.h"

namespace app {

platform::UniqueMenu BuildTrayMenu(bool windowVisible) {
    platform::UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    HMENU handle = menu.get();
    AppendMenuW(handle, MF_STRING, kTrayToggleWindow, windowVisible ? L"Hide Reelkeep" : L"Show Reelkeep");
    AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(handle, MF_STRING, kTrayUserGuide, L"User's guide");
    AppendMenuW(handle, MF_STRING, kTrayAbout, L"About Reelkeep");
    AppendMenuW(handle, MF_STRING, kTrayWebSite, L"Reelkeep on the Internet");
    AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(handle, MF_STRING, kTrayQuit, L"Quit");
    return menu;
}

}  // namespace app
