#pragma once
// Every setting of the program, declared once: value name, first-run default and the kind
// of text it holds. Code names a setting by its constant here, never by a literal name.
// Portable.
#include <array>
#include <string_view>

namespace settings {

// Switch: "true" or "false". Number: decimal text read by the C rule. Word: any other text.
enum class SettingKind { Switch, Number, Word };

struct SettingDefinition {
    std::wstring_view name;
    std::wstring_view firstRunDefault;
    SettingKind kind;
};

inline constexpr SettingDefinition kLastPingTime{L"lastpingtime", L"0", SettingKind::Number};
inline constexpr SettingDefinition kView{L"view", L"2", SettingKind::Number};
// No fixed default: the first run writes the My Videos folder.
inline constexpr SettingDefinition kConvertPath{L"convertpath", L"", SettingKind::Word};
inline constexpr SettingDefinition kAutoCopyUrl{L"autocopyurl", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kBrowserMode{L"bsel", L"0", SettingKind::Number};
inline constexpr SettingDefinition kBrowsers{L"browsers", L"1111", SettingKind::Word};
inline constexpr SettingDefinition kShowIcon{L"showicon", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kShowMessage{L"showmessage", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kPlaySound{L"playsound", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kAutoUpdate{L"autoupdate", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kAutoOpenFolder{L"autoopenfolder", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kLoadOnStartup{L"loadonstartup", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kSaveWithNoSound{L"savewithnosound", L"false", SettingKind::Switch};
inline constexpr SettingDefinition kAllowFullScreen{L"allowfullscreen", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kFullScreenMode{L"fs_mode", L"normal", SettingKind::Word};
inline constexpr SettingDefinition kAllowZoom{L"allowzoom", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kAllowTimeline{L"allowtimeline", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kHintShow{L"hintshow", L"true", SettingKind::Switch};
inline constexpr SettingDefinition kFitByContent{L"zholderfitbycontent", L"false", SettingKind::Switch};
inline constexpr SettingDefinition kVolume{L"volume", L"70", SettingKind::Number};
inline constexpr SettingDefinition kHideMenuSeconds{L"nhidemenu", L"5", SettingKind::Number};
inline constexpr SettingDefinition kIconSize{L"iconsize", L"16", SettingKind::Number};

// In the order in which the first run writes them.
inline constexpr std::array kSettings{
    kLastPingTime,   kView,      kConvertPath,   kAutoCopyUrl,    kBrowserMode,   kBrowsers,        kShowIcon,
    kShowMessage,    kPlaySound, kAutoUpdate,    kAutoOpenFolder, kLoadOnStartup, kSaveWithNoSound, kAllowFullScreen,
    kFullScreenMode, kAllowZoom, kAllowTimeline, kHintShow,       kFitByContent,  kVolume,          kHideMenuSeconds,
    kIconSize,
};

}  // namespace settings
