// The main window's dialog template and nothing else: no start-up checks, no settings,
// no workers, no tray icon. The start-up figure's floor for any program whose main
// window is built from that template on the same platform.
#include <windows.h>
#include <commctrl.h>

#include "ClosingDialogProc.h"

#include "resources/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, baseline::ClosingDialogProc, 0));
}
