#pragma once
// Stops a window from repainting while many changes are made to it, then paints it once.
// Under Wine a list control redraws its scroll bars at once for every row it gains and
// every column that changes width, tens of milliseconds each; paused, it does that once.
#include <windows.h>

namespace framework {

class RedrawPause {
public:
    explicit RedrawPause(HWND window) : window_(window) { SendMessageW(window_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND window_;
};

}  // namespace framework
