#pragma once
// The dialog procedure of the start-up yardsticks: nothing but closing on OK or Cancel.
#include <windows.h>

namespace baseline {

inline INT_PTR CALLBACK ClosingDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(window, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace baseline
