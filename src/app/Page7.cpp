#include "app/Page7.h"

#include "framework/WinApp.h"
#include "resources/resource.h"

namespace app {

Page7::Page7(HWND parent) : Dialog(IDD_PAGE7_ABOUT, parent) {}

BOOL Page7::OnInitDialog() {
    HINSTANCE instance = framework::WinApp::ResourceInstance();
    auto loadIcon = [instance](int sizeMetric) {
        const int size = GetSystemMetrics(sizeMetric);
        return reinterpret_cast<LPARAM>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_ABOUT), IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, loadIcon(SM_CXICON));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, loadIcon(SM_CXSMICON));
    picture_ = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_SHARED | LR_CREATEDIBSECTION));
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
    return TRUE;
}

LRESULT Page7::OnMessage(UINT message, WPARAM, LPARAM, bool& handled) {
    handled = true;
    switch (message) {
    case WM_CTLCOLORDLG:
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    case WM_PAINT:
        Paint();
        return 0;
    default:
        handled = false;
        return 0;
    }
}

void Page7::Paint() {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(hwnd(), &paint);
    RECT client;
    GetClientRect(hwnd(), &client);
    if (picture_ != nullptr) {
        BITMAP info{};
        GetObjectW(picture_, sizeof info, &info);
        HDC source = CreateCompatibleDC(target);
        HGDIOBJ previous = SelectObject(source, picture_);
        SetStretchBltMode(target, HALFTONE);
        StretchBlt(target, 0, 0, client.right, client.bottom, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(hwnd(), &paint);
}

}  // namespace app
