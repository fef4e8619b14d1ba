// The smallest dialog program: what any dialog program pays to start under the same
// build and the same platform. Runs until it is closed or ended.
#include <windows.h>
#include <commctrl.h>

#include "ClosingDialogProc.h"

#include "MinimalDialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MINIMAL_DIALOG), nullptr, baseline::ClosingDialogProc, 0));
}
