#include "app/ShellLaunch.h"

#include "app/HelpPages.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

#include <algorithm>

#include <shellapi.h>

namespace app {

namespace {

std::wstring GuidePath() { return platform::ProgramFolder() + L"Help.chm"; }

}  // namespace

void OpenUserGuide(HWND owner) { ShellExecuteW(owner, L"open", GuidePath().c_str(), nullptr, nullptr, SW_SHOWNORMAL); }

void OpenWebSite(HWND owner) { ShellExecuteW(owner, L"open", kWebSiteAddress, nullptr, nullptr, SW_SHOWNORMAL); }

bool IsWebPageAddress(const std::wstring& url) {
    const std::wstring lower = platform::ToLowerCase(url.substr(0, 8));
    const std::size_t start = lower.starts_with(L"https://") ? 8 : lower.starts_with(L"http://") ? 7 : 0;
    if (start == 0 || url.size() == start) return false;
    return std::none_of(url.begin(), url.end(), [](wchar_t c) { return c < L' ' || c == L'"'; });
}

void OpenPageInBrowser(HWND owner, const std::wstring& url) {
    if (IsWebPageAddress(url)) ShellExecuteW(owner, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void GuideHelpViewer::ShowDialogHelp(HWND owner, UINT templateId) {
    const std::wstring guide = GuidePath();
    // Without the guide the viewer would only show its own error box; F1 then does nothing.
    if (!platform::FileExists(guide)) return;
    // hh.exe opens one page of a guide as "<guide>::/<page>"; the shell finds it in the
    // Windows folder.
    const std::wstring topic = L"\"" + guide + L"::/" + HelpPageOf(templateId) + L"\"";
    ShellExecuteW(owner, L"open", L"hh.exe", topic.c_str(), nullptr, SW_SHOWNORMAL);
}

}  // namespace app
