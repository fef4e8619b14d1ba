#include "app/AboutBox.h"

#include "framework/WinApp.h"
#include "resources/resource.h"

namespace app {

AboutBox::AboutBox(HWND parent) : Dialog(IDD_ABOUT, parent) {}

BOOL AboutBox::OnInitDialog() {
    SetDialogIcon(IDI_ABOUT);
    picture_ = static_cast<HBITMAP>(LoadImageW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(IDB_ABOUT),
                                               IMAGE_BITMAP, 0, 0, LR_SHARED | LR_CREATEDIBSECTION));
    return TRUE;
}

LRESULT AboutBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    LRESULT brush = 0;
    handled = PaintWhite(message, wParam, lParam, framework::WhiteParts::Page, brush);
    if (handled || message != WM_PAINT) return brush;
    handled = true;
    Paint();
    return 0;
}

void AboutBox::Paint() {
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
