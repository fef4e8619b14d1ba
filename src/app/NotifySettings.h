#pragma once
// What the tray does after a capture, decided from the three notification switches.
// Portable: no Windows header.
#include <string>

namespace app {

struct NotifySwitches {
    bool showIcon = false;     // "showicon": animate the tray icon after a capture
    bool showMessage = false;  // "showmessage": show the balloon text
    bool playSound = false;    // "playsound": the balloon sounds
};

// The balloon part of the tray icon record.
struct BalloonFields {
    std::wstring title;
    std::wstring text;
    unsigned flags = 0;
};

inline constexpr unsigned kBalloonNone = 0x2;         // no balloon during the frames
inline constexpr unsigned kBalloonInfo = 0x1;         // information icon, with the system sound
inline constexpr unsigned kBalloonInfoSilent = 0x11;  // information icon, no sound
inline constexpr wchar_t kBalloonTitle[] = L"Reelkeep";
inline constexpr wchar_t kBalloonText[] =
    L"Video from Internet has been successfully downloaded. Click here to disable this tooltip.";

// Applies the switches to the balloon fields the way the settings are loaded: each
// switch that is on overrides what the one before it set; switches that are off leave
// the fields as they were. Returns whether captures animate the icon.
bool ApplyNotifySwitches(const NotifySwitches& switches, BalloonFields& balloon);

}  // namespace app
