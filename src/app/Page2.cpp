#include "app/Page2.h"

#include "app/Page7.h"
#include "app/ShellLaunch.h"
#include "app/TrayMenu.h"
#include "settings/Page3.h"
#include "settings/Page5.h"
#include "webimport/Page1.h"
#include "framework/Prompter.h"
#include "framework/WinApp.h"
#include "platform/SpecialFolders.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

#include <shlobj.h>

namespace app {

namespace {

constexpr int kOutputFolderBox = 1003;
constexpr WORD kCommandUserGuide = 32777;
constexpr WORD kCommandAbout = 32778;
constexpr WORD kCommandWebSite = 32793;
constexpr WORD kAcceleratorUserGuide = 32803;
constexpr WORD kCommandGeneralSettings = 32785;
constexpr WORD kCommandPlayerSettings = 32786;
constexpr WORD kCommandYouTubeDownload = 32787;

HICON LoadSizedIcon(int id, int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(LoadImageW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

Page2::Page2() : Dialog(IDD_PAGE2_MAIN) {
    largeIcon_ = LoadSizedIcon(IDI_MAIN, SM_CXICON);
    accelerators_ = LoadAcceleratorsW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
}

Page2::~Page2() { tray_.Remove(); }

BOOL Page2::OnInitDialog() {
    smallIcon_ = LoadSizedIcon(IDI_TRAY, SM_CXSMICON);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    // Explorer announces a restart with this message; the icon must then be added again.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
    tray_.Initialize(hwnd());
    tray_.Add();

    LoadOutputFolder();
    settings::SettingsStore().EnsureSettings(
        [this](const std::wstring& myVideos) { SetItemText(kOutputFolderBox, myVideos); });
    LoadSwitches();
    viewMode_ = settings::ParseNumber(settings::SettingsStore().ReadSetting(L"view"));
    CreateOutputFolderTip(ItemText(kOutputFolderBox));
    return TRUE;
}

void Page2::LoadOutputFolder() {
    std::wstring folder = settings::SettingsStore().ReadSetting(std::wstring(settings::kConvertPath));
    if (folder == L"NotSet") folder = platform::SpecialFolderPath(CSIDL_MYVIDEO);
    SetItemText(kOutputFolderBox, folder);
}

void Page2::CreateOutputFolderTip(const std::wstring& folder) {
    outputFolderTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                       framework::WinApp::ResourceInstance(), nullptr);
    if (outputFolderTip_ == nullptr) return;
    std::wstring text = folder.empty() ? platform::SpecialFolderPath(CSIDL_MYVIDEO) : folder;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(kOutputFolderBox));
    tool.lpszText = text.data();
    SendMessageW(outputFolderTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(outputFolderTip_, TTM_ACTIVATE, TRUE, 0);
}

void Page2::LoadSwitches() {
    settings::SettingsStore store;
    settings::BrowserSwitches browsers{switches_.watchInternetExplorer, switches_.watchFirefox,
                                       switches_.watchChrome, switches_.watchOpera};
    settings::ApplyBrowsersText(store.ReadSetting(L"browsers"), browsers);
    switches_.watchInternetExplorer = browsers.internetExplorer;
    switches_.watchFirefox = browsers.firefox;
    switches_.watchChrome = browsers.chrome;
    switches_.watchOpera = browsers.opera;
    tray_.LoadNotifySettings();
    switches_.keepSilentClips = settings::IsSwitchOn(store.ReadSetting(L"savewithnosound"));
    switches_.autoUpdate = settings::IsSwitchOn(store.ReadSetting(L"autoupdate"));
    switches_.lastPingTime = settings::ParseNumber(store.ReadSetting(L"lastpingtime"));
}

bool Page2::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case kCommandUserGuide:
    case kAcceleratorUserGuide:
        OpenUserGuide(hwnd());
        return true;
    case kCommandAbout:
        ShowAboutBox();
        return true;
    case kCommandWebSite:
        OpenWebSite(hwnd());
        return true;
    case kCommandGeneralSettings:
        if (settings::Page5(hwnd()).DoModal() == IDOK) LoadSwitches();
        return true;
    case kCommandPlayerSettings:
        settings::Page3(hwnd()).DoModal();
        return true;
    case kCommandYouTubeDownload:
        webimport::Page1(hwnd()).DoModal();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

LRESULT Page2::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    if (message == WM_TRAYNOTIFY) {
        OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    }
    if (message == WM_TRAYANIMATION) {
        switch (static_cast<TrayAnimationStep>(wParam)) {
        case TrayAnimationStep::Begin: return tray_.BeginAnimation() ? 1 : 0;
        case TrayAnimationStep::Frame: tray_.ShowFrame(static_cast<int>(lParam)); return 1;
        case TrayAnimationStep::Finish: tray_.FinishAnimation(); return 1;
        }
        return 0;
    }
    if (message == WM_CLOSE) {
        Hide();
        return 0;
    }
    if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
        tray_.Add();
        return 0;
    }
    handled = false;
    return 0;
}

bool Page2::PreTranslateMessage(MSG& message) {
    if (outputFolderTip_ != nullptr && message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST)
        SendMessageW(outputFolderTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    return accelerators_ != nullptr && TranslateAcceleratorW(hwnd(), accelerators_, &message) != 0;
}

void Page2::Hide() {
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

void Page2::ToggleVisibility() {
    if (IsWindowVisible(hwnd())) {
        Hide();
    } else {
        ShowWindow(hwnd(), SW_SHOW);
        ShowWindow(hwnd(), SW_RESTORE);
    }
}

void Page2::OnTrayNotify(UINT iconId, UINT event) {
    if (iconId != kTrayIconId) return;
    switch (event) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ToggleVisibility();
        break;
    case WM_RBUTTONUP: {
        platform::UniqueMenu menu = BuildTrayMenu(IsWindowVisible(hwnd()) != FALSE);
        POINT cursor{};
        GetCursorPos(&cursor);
        SetForegroundWindow(hwnd());
        const UINT command = TrackTrayMenu(menu.get(), cursor);
        RunTrayCommand(command);
        // Reached only when the command did not end the process.
        PostMessageW(hwnd(), WM_NULL, 0, 0);
        break;
    }
    case NIN_BALLOONUSERCLICK: {
        settings::SettingsStore store;
        store.WriteSetting(L"showmessage", L"false");
        store.WriteSetting(L"playsound", L"false");
        tray_.LoadNotifySettings();
        break;
    }
    default:
        break;
    }
}

void Page2::RunTrayCommand(UINT command) {
    switch (command) {
    case kTrayToggleWindow: ToggleVisibility(); break;
    case kTrayUserGuide: OpenUserGuide(hwnd()); break;
    case kTrayAbout: ShowAboutBox(); break;
    case kTrayWebSite: OpenWebSite(hwnd()); break;
    case kTrayQuit:
        if (framework::prompter().AskYesNo(hwnd(), kQuitQuestion) == framework::Answer::Yes) {
            tray_.Remove();
            EndProcessNow();
        }
        break;
    default: break;
    }
}

UINT Page2::TrackTrayMenu(HMENU menu, POINT at) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr));
}

void Page2::EndProcessNow() { ExitProcess(0); }

void Page2::ShowAboutBox() {
    Page7 about(hwnd());
    about.DoModal();
}

}  // namespace app
