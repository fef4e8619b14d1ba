// The main window's side of the tray icon: clicks, the menu, Quit and the balloon.
#include "app/MainWindow.h"

#include "app/ShellLaunch.h"
#include "app/TrayMenu.h"
#include "framework/Prompter.h"
#include "library/DeletionMarks.h"
#include "settings/SettingsStore.h"

namespace app {

namespace {

// Marking hundreds of clips takes seconds; a stuck file must not keep the program alive.
constexpr std::chrono::seconds kLongestWaitForMarks{30};

}  // namespace

void MainWindow::Hide() {
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::ToggleVisibility() {
    if (IsWindowVisible(hwnd())) {
        Hide();
    } else {
        ShowWindow(hwnd(), SW_SHOW);
        ShowWindow(hwnd(), SW_RESTORE);
    }
}

void MainWindow::OnTrayNotify(UINT iconId, UINT event) {
    if (iconId != kTrayIconId) return;
    switch (event) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: ToggleVisibility(); break;
    case WM_RBUTTONUP: {
        platform::UniqueMenu menu = BuildTrayMenu(IsWindowVisible(hwnd()) != FALSE);
        POINT cursor{};
        GetCursorPos(&cursor);
        SetForegroundWindow(hwnd());
        RunTrayCommand(TrackTrayMenu(menu.get(), cursor));
        // Reached only when the command did not end the process.
        PostMessageW(hwnd(), WM_NULL, 0, 0);
        break;
    }
    case NIN_BALLOONUSERCLICK:
        settings::SettingsStore().WriteSettings(
            {{settings::kShowMessage.name, L"false"}, {settings::kPlaySound.name, L"false"}});
        tray_.LoadNotifySettings();
        break;
    default: break;
    }
}

void MainWindow::RunTrayCommand(UINT command) {
    switch (command) {
    case kTrayToggleWindow: ToggleVisibility(); break;
    case kTrayUserGuide: OpenUserGuide(hwnd()); break;
    case kTrayAbout: ShowAboutBox(); break;
    case kTrayWebSite: OpenWebSite(hwnd()); break;
    case kTrayQuit:
        if (framework::prompter().AskYesNo(hwnd(), kQuitQuestion) == framework::Answer::Yes) Quit();
        break;
    default: break;
    }
}

UINT MainWindow::TrackTrayMenu(HMENU menu, POINT at) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr));
}

void MainWindow::Quit() {
    tray_.Remove();
    // Deleted clips whose marks are still being written would be listed again at the next
    // start: the process ends once they are written, which is at once as a rule.
    library::ProcessPendingMarks().WaitUntilWritten(kLongestWaitForMarks);
    EndProcessNow();
}

void MainWindow::EndProcessNow() { ExitProcess(0); }

}  // namespace app
