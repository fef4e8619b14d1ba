#include "app/TrayIcon.h"

#include "app/MainWindowMessages.h"
#include "framework/LastMessage.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsText.h"

#include <cwchar>

namespace app {

namespace {

constexpr wchar_t kTip[] = L"Reelkeep";
constexpr UINT kFrameDelayMs = 50;

HICON LoadTrayIcon(int iconId) {
    return static_cast<HICON>(LoadImageW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

template <size_t N>
void CopyTruncated(wchar_t (&target)[N], const std::wstring& text) {
    const size_t count = text.size() < N - 1 ? text.size() : N - 1;
    wmemcpy(target, text.data(), count);
    target[count] = L'\0';
}

}  // namespace

void TrayIcon::Initialize(HWND window) {
    record_ = NOTIFYICONDATAW{};
    // The balloon fields end at dwInfoFlags; the shell needs the size up to there for
    // this layout of the record on 64-bit Windows.
    record_.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record_.hWnd = window;
    record_.uID = kTrayIconId;
    record_.uCallbackMessage = app::WM_TRAYNOTIFY;
    record_.uTimeout = 1000;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    CopyTruncated(record_.szTip, kTip);
    SetIcon(IDI_TRAY);
}

bool TrayIcon::Add() {
    added_ = Shell_NotifyIconW(NIM_ADD, &record_) != FALSE;
    return added_;
}

bool TrayIcon::Remove() {
    if (record_.hWnd == nullptr) return false;
    added_ = false;
    return Shell_NotifyIconW(NIM_DELETE, &record_) != FALSE;
}

bool TrayIcon::Modify() { return Shell_NotifyIconW(NIM_MODIFY, &record_) != FALSE; }

void TrayIcon::SetIcon(int iconId) {
    currentIconId_ = iconId;
    record_.hIcon = LoadTrayIcon(iconId);
}

BalloonFields TrayIcon::balloon() const {
    return BalloonFields{record_.szInfoTitle, record_.szInfo, record_.dwInfoFlags};
}

void TrayIcon::SetBalloon(const BalloonFields& balloon) {
    CopyTruncated(record_.szInfoTitle, balloon.title);
    CopyTruncated(record_.szInfo, balloon.text);
    record_.dwInfoFlags = balloon.flags;
}

void TrayIcon::LoadNotifySettings() {
    settings::SettingsStore store;
    const NotifySwitches switches{store.ReadSwitch<settings::kShowIcon>(), store.ReadSwitch<settings::kShowMessage>(),
                                  store.ReadSwitch<settings::kPlaySound>()};
    BalloonFields fields = balloon();
    notifyOnCapture_ = ApplyNotifySwitches(switches, fields);
    SetBalloon(fields);
}

bool TrayIcon::BeginAnimation() {
    if (animating_ || currentIconId_ != IDI_TRAY) return false;
    animating_ = true;
    SetBalloon(BalloonFields{L"", L"", kBalloonNone});
    return true;
}

void TrayIcon::ShowFrame(int iconId) {
    SetIcon(iconId);
    Modify();
}

void TrayIcon::FinishAnimation() {
    LoadNotifySettings();
    // Putting the normal icon back shows the balloon when the settings filled one in.
    SetIcon(IDI_TRAY);
    Modify();
    animating_ = false;
}

void AnimateTrayIcon(HWND window) {
    auto step = [window](TrayAnimationStep kind, int iconId) {
        return SendMessageW(window, app::WM_TRAYANIMATION, static_cast<WPARAM>(kind), iconId);
    };
    if (step(TrayAnimationStep::Begin, 0) == 0) return;
    {
        // The icon gets its own picture back however the animation ends.
        const framework::LastMessage finish(window, app::WM_TRAYANIMATION,
                                            static_cast<WPARAM>(TrayAnimationStep::Finish),
                                            framework::LastMessage::Delivery::Send);
        for (int frame : kTrayAnimationFrames) {
            step(TrayAnimationStep::Frame, frame);
            Sleep(kFrameDelayMs);
        }
    }
    Sleep(kFrameDelayMs);
}

}  // namespace app
