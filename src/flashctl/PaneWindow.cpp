#include "flashctl/PaneWindow.h"

#include "flashctl/FullScreenWindow.h"
#include "flashctl/Module.h"
#include "flashctl/MoviePresenter.h"
#include "flashctl/PaneMessages.h"

#include <windowsx.h>

#include <mutex>

namespace flashctl {

namespace {

// Registered through the ANSI functions on purpose: an in-memory host renames the classes
// its image registers that way, so two copies of the control never share a class.
constexpr char kClassName[] = "ReelkeepPlayerPane";
std::mutex registration;
bool registered = false;

MoviePresenter* PresenterOf(HWND window) {
    return reinterpret_cast<MoviePresenter*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void PaintBuffered(HWND window, MoviePresenter* presenter) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    // Drawn off screen first: a frame painted over its background would flicker.
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    if (memory && bitmap && presenter) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        presenter->Paint(memory, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    } else if (presenter) {
        presenter->Paint(dc, client);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    EndPaint(window, &paint);
}

LRESULT CALLBACK PaneProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MoviePresenter* presenter = PresenterOf(window);
    switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintBuffered(window, presenter); return 0;
    case WM_LBUTTONDOWN:
        if (presenter) presenter->OnClick(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        if (presenter) presenter->OnDoubleClick(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && presenter && IsFullScreenWindow(window)) presenter->EndFullScreen();
        return 0;
    case WM_SIZE: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_APP_FRAME_READY:
        if (presenter) presenter->OnFrameReady();
        return 0;
    case WM_APP_LOAD_MOVIE:
        if (presenter) presenter->OnLoadMessage(wParam);
        return 0;
    case WM_APP_DECODER_FINISHED:
        if (presenter) presenter->OnDecoderFinished();
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterPaneClass() {
    std::lock_guard<std::mutex> hold(registration);
    if (registered) return true;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = PaneProcedure;
    windowClass.hInstance = ModuleInstance();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kClassName;
    registered = RegisterClassExA(&windowClass) != 0;
    return registered;
}

void UnregisterPaneClass() {
    std::lock_guard<std::mutex> hold(registration);
    if (registered) UnregisterClassA(kClassName, ModuleInstance());
    registered = false;
}

HWND CreatePaneWindow(HWND parent, const RECT& rect) {
    if (!RegisterPaneClass()) return nullptr;
    return CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, ModuleInstance(), nullptr);
}

HWND CreatePopupPaneWindow(const RECT& rect) {
    if (!RegisterPaneClass()) return nullptr;
    return CreateWindowExA(WS_EX_TOPMOST, kClassName, "", WS_POPUP, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, ModuleInstance(), nullptr);
}

void AttachPresenter(HWND window, MoviePresenter* presenter) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(presenter));
}

}  // namespace flashctl
