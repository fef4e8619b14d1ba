// The main window's dialog template and nothing else: no start-up checks, no settings,
// no workers, no tray icon. The start-up figure's floor for any program whose main
// window is built from that template on the same platform.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(window, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PAGE2_MAIN), nullptr, DialogProc, 0));
}
