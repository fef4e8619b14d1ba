#include "app/ShellLaunch.h"

#include "platform/ProgramFolder.h"

#include <shellapi.h>

namespace app {

void OpenUserGuide(HWND owner) {
    const std::wstring guide = platform::ProgramFolder() + L"Help.chm";
    ShellExecuteW(owner, L"open", guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OpenWebSite(HWND owner) {
    ShellExecuteW(owner, L"open", kWebSiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace app
