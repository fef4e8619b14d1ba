#pragma once
// Private messages of the player's own windows.
#include <windows.h>

namespace flashctl {

inline constexpr UINT WM_APP_FRAME_READY = WM_APP + 1;
inline constexpr UINT WM_APP_DECODER_FINISHED = WM_APP + 2;
inline constexpr UINT WM_APP_LOAD_MOVIE = WM_APP + 3;  // wParam: the load's generation

}  // namespace flashctl
