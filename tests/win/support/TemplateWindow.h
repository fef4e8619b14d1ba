#pragma once
// A dialog created hidden from one of the program's templates, with no behaviour of its
// own, and destroyed with the test: its controls as the templates make them.
#include <windows.h>

#include <commctrl.h>

namespace testing_support {

class TemplateWindow {
public:
    explicit TemplateWindow(UINT templateId) {
        INITCOMMONCONTROLSEX classes{sizeof(classes), 0xFF};
        InitCommonControlsEx(&classes);
        hwnd_ =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, InertDialogProc, 0);
    }
    ~TemplateWindow() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    TemplateWindow(const TemplateWindow&) = delete;
    TemplateWindow& operator=(const TemplateWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

private:
    static INT_PTR CALLBACK InertDialogProc(HWND, UINT message, WPARAM, LPARAM) {
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    HWND hwnd_ = nullptr;
};

}  // namespace testing_support
