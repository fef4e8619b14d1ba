#include "flashctl/FullScreenWindow.h"

#include "flashctl/PaneWindow.h"

namespace flashctl {

HWND CreateFullScreenWindow(HWND pane, MoviePresenter* presenter) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(pane, MONITOR_DEFAULTTONEAREST), &monitor)) return nullptr;
    const HWND window = CreatePopupPaneWindow(monitor.rcMonitor);
    if (!window) return nullptr;
    AttachPresenter(window, presenter);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    return window;
}

bool IsFullScreenWindow(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP) != 0; }

}  // namespace flashctl
