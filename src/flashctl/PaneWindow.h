#pragma once
// The control's windows: the pane inside the host, and the full-screen window. Both
// belong to one window class and paint through the MoviePresenter they are given.
#include <windows.h>

namespace flashctl {

class MoviePresenter;

// Registers the class on first use; false when it cannot be registered.
bool RegisterPaneClass();
void UnregisterPaneClass();

// A child pane of `parent`; the presenter is attached later with AttachPresenter.
HWND CreatePaneWindow(HWND parent, const RECT& rect);
// A top-most pop-up over `rect`, hidden until shown.
HWND CreatePopupPaneWindow(const RECT& rect);
void AttachPresenter(HWND window, MoviePresenter* presenter);

}  // namespace flashctl
