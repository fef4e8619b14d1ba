#pragma once
// Documents the program opens through the shell; failures are not reported.
#include <windows.h>

#include "framework/HelpViewer.h"

#include <string>

namespace app {

inline constexpr wchar_t kWebSiteAddress[] = L"https://www.reelkeep.com/";

void OpenUserGuide(HWND owner);
void OpenWebSite(HWND owner);

// Only http and https addresses are pages: the address comes from a browser's history, and
// the shell would run anything else it names.
bool IsWebPageAddress(const std::wstring& url);
// Opens the page in the default browser; anything but a web page's address is refused.
void OpenPageInBrowser(HWND owner, const std::wstring& url);

// Opens the page of Help.chm that belongs to a dialog, in the system's HTML Help viewer.
class GuideHelpViewer : public framework::HelpViewer {
public:
    void ShowDialogHelp(HWND owner, UINT templateId) override;
};

}  // namespace app
