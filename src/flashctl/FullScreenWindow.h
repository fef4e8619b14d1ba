#pragma once
// The player over the whole monitor of its pane: a top-most pop-up that paints through the
// same presenter. Escape, a double click or the bar's button ends it.
#include <windows.h>

namespace flashctl {

class MoviePresenter;

HWND CreateFullScreenWindow(HWND pane, MoviePresenter* presenter);
bool IsFullScreenWindow(HWND window);

}  // namespace flashctl
