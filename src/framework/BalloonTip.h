#pragma once
// Balloon tips on edit controls. Where the edit cannot show one itself (some platforms
// ignore EM_SHOWBALLOONTIP), the same title and text appear in a tracking balloon
// tooltip at the edit, so every user sees the message.
#include <windows.h>

#include <functional>
#include <string>

namespace framework {

enum class BalloonIcon { None = 0, Info = 1, Warning = 2, Error = 3 };

void ShowEditBalloon(HWND edit, const std::wstring& title, const std::wstring& text,
                     BalloonIcon icon = BalloonIcon::Error);

// Tests observe every balloon shown: (edit, title, text). Null removes the observer.
using BalloonObserver = std::function<void(HWND, const std::wstring&, const std::wstring&)>;
void SetBalloonObserver(BalloonObserver observer);

}  // namespace framework
