#include "framework/BalloonTip.h"

#include "framework/WinApp.h"

#include <commctrl.h>

namespace framework {

namespace {

constexpr UINT kFallbackVisibleMs = 4000;
constexpr wchar_t kFallbackOwnerProperty[] = L"Reelkeep.BalloonFallback";

BalloonObserver& Observer() {
    static BalloonObserver observer;
    return observer;
}

// The fallback tooltip is a child of nobody; a one-shot timer on the edit's thread
// destroys it, and a new balloon on the same edit replaces the old one.
void CALLBACK CloseFallback(HWND edit, UINT, UINT_PTR timer, DWORD) {
    KillTimer(edit, timer);
    if (HWND tip = static_cast<HWND>(RemovePropW(edit, kFallbackOwnerProperty))) DestroyWindow(tip);
}

void ShowFallbackBalloon(HWND edit, const std::wstring& title, const std::wstring& text, BalloonIcon icon) {
    if (HWND old = static_cast<HWND>(RemovePropW(edit, kFallbackOwnerProperty))) DestroyWindow(old);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(edit), nullptr,
                               WinApp::ResourceInstance(), nullptr);
    if (tip == nullptr) return;
    std::wstring body = text;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = edit;
    tool.uId = reinterpret_cast<UINT_PTR>(edit);
    tool.lpszText = body.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_SETTITLEW, static_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(title.c_str()));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 320);
    RECT box{};
    GetWindowRect(edit, &box);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM((box.left + box.right) / 2, box.bottom));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetPropW(edit, kFallbackOwnerProperty, tip);
    SetTimer(edit, reinterpret_cast<UINT_PTR>(&CloseFallback), kFallbackVisibleMs, CloseFallback);
}

}  // namespace

void ShowEditBalloon(HWND edit, const std::wstring& title, const std::wstring& text, BalloonIcon icon) {
    if (Observer()) Observer()(edit, title, text);
    EDITBALLOONTIP balloon{};
    balloon.cbStruct = sizeof balloon;
    balloon.pszTitle = title.c_str();
    balloon.pszText = text.c_str();
    balloon.ttiIcon = static_cast<INT>(icon);
    if (SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&balloon))) return;
    ShowFallbackBalloon(edit, title, text, icon);
}

void SetBalloonObserver(BalloonObserver observer) { Observer() = std::move(observer); }

}  // namespace framework
