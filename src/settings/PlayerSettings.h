#pragma once
// The preview player's options as the player settings dialog shows them, and the rules
// that turn the stored texts into those options and back. Portable: no Windows header.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

enum class FullScreenQuality { None, Low, Normal, Best };

// What the dialog's controls hold. Volume is 0 to 100; the icon size is the slider's
// position 1 (small, 8), 2 (medium, 16) or 3 (big, 32).
struct PlayerOptions {
    bool allowFullScreen = false;
    FullScreenQuality quality = FullScreenQuality::None;
    bool allowZoom = false;
    bool allowTimeline = false;
    bool showHints = false;
    bool fitByContent = false;
    int volume = 0;
    std::wstring hideMenuSeconds;
    int iconSizePosition = 1;

    bool operator==(const PlayerOptions&) const = default;
};

inline constexpr int kMinVolume = 0;
inline constexpr int kMaxVolume = 100;
inline constexpr int kSmallIconPosition = 1;
inline constexpr int kBigIconPosition = 3;
// The edit takes two digits, so the longest delay a user can type is 99 seconds.
inline constexpr int kHideMenuDigits = 2;

// "true" gives on, "false" gives off (either without regard to case); any other text
// gives nothing, and the box keeps the state it had.
std::optional<bool> SwitchBoxState(std::wstring_view text);

// "low", "normal", "best" without regard to case; any other word gives None.
FullScreenQuality QualityFromWord(std::wstring_view word);
// The stored word. None (possible after a stored word none of the buttons knew) is
// written as "normal", the first-run choice, so the player always gets a word it knows.
std::wstring_view QualityWord(FullScreenQuality quality);

// The stored number held to 0..100: a damaged or hand-edited value cannot put the
// slider outside its range.
int VolumeFromText(std::wstring_view text);

// "8", "16", "32" give positions 1, 2, 3; any other text gives nothing.
std::optional<int> IconSizePositionFromText(std::wstring_view text);
// The stored size for a position; positions outside 1..3 are held to that range.
std::wstring_view IconSizeText(int position);

// The delay text that replaces an empty edit: the first-run default.
std::wstring_view DefaultHideMenuSeconds();

// Reads one stored setting by name; a missing value reads as the empty string.
using SettingReader = std::function<std::wstring(std::wstring_view name)>;

// Applies the stored player settings over the options the controls already hold:
// a switch whose text is neither "true" nor "false", or an icon size of another text,
// leaves that option as it was.
void ApplyStoredPlayerSettings(const SettingReader& read, PlayerOptions& options);

// The options the first run would give, taken from the settings table so the dialog's
// "Restore default values" cannot drift from what a new user gets.
PlayerOptions DefaultPlayerOptions();

// One stored setting to write: name and text.
struct PlayerSettingText {
    std::wstring_view name;
    std::wstring text;
};

// The nine player settings in the order the dialog writes them. An empty delay is
// written as the default, since the player would otherwise read 0 and hide its menu at once.
std::array<PlayerSettingText, 9> PlayerSettingTexts(const PlayerOptions& options);

}  // namespace settings
