#pragma once
// How stored setting texts are read as switches, numbers, words and browser switches.
// Portable: no Windows header.
#include <array>
#include <cstdint>
#include <string_view>

namespace settings {

// A switch is on exactly when its text is "true", compared without regard to case.
bool IsSwitchOn(std::wstring_view text);
// What a switch is stored as: "true" or "false".
std::wstring_view SwitchText(bool on);

// The four cache switches, in the order of the "browsers" text.
struct BrowserSwitches {
    bool internetExplorer = false;
    bool firefox = false;
    bool chrome = false;
    bool opera = false;
};

// Applies "browsers": its first, second and third characters switch Internet Explorer,
// Firefox and Chrome, its last character Opera. A character other than '1' or '0', or
// one the text is too short to have, leaves that switch as it was.
void ApplyBrowsersText(std::wstring_view text, BrowserSwitches& switches);

}  // namespace settings
