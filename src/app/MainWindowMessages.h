#pragma once
// The main window's own private messages: the tray icon's and the window's.
#include "framework/WindowMessages.h"

namespace app {

// The tray icon's callback message.
inline constexpr UINT WM_TRAYNOTIFY = framework::MessageAt(framework::kTrayMessages, 0);
// Sent by the animation worker: wParam is a TrayAnimationStep, lParam an icon id.
inline constexpr UINT WM_TRAYANIMATION = framework::MessageAt(framework::kTrayMessages, 1);

// From a second start of the program: show and restore the window. Posted, so it is
// served after the window's own start-up, a hidden "/min" start included.
inline constexpr UINT WM_SHOW_FOR_SECOND_START = framework::MessageAt(framework::kMainWindowMessages, 0);

// Posted by the main window's initialisation to itself: the combo boxes' icons, the list's
// watermark and the folder box's tooltip, which are only ever painted or hovered. A posted
// message is served before the first paint and before any input, so the window is shown
// sooner and its first frame is the same. wParam is the step, one decoration each: each
// step posts the next, so the window answers between them.
inline constexpr UINT WM_ADD_DECORATIONS = framework::MessageAt(framework::kMainWindowMessages, 1);

}  // namespace app
