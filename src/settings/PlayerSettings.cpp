#include "settings/PlayerSettings.h"

#include "platform/Text.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

#include <algorithm>

namespace settings {

namespace {

constexpr std::wstring_view kAllowFullScreen = L"allowfullscreen";
constexpr std::wstring_view kFullScreenMode = L"fs_mode";
constexpr std::wstring_view kAllowZoom = L"allowzoom";
constexpr std::wstring_view kAllowTimeline = L"allowtimeline";
constexpr std::wstring_view kHintShow = L"hintshow";
constexpr std::wstring_view kFitByContent = L"zholderfitbycontent";
constexpr std::wstring_view kVolume = L"volume";
constexpr std::wstring_view kHideMenu = L"nhidemenu";
constexpr std::wstring_view kIconSize = L"iconsize";

// Icon sizes by slider position, starting at position 1.
constexpr std::array<std::wstring_view, 3> kIconSizes{L"8", L"16", L"32"};

std::wstring_view FirstRunDefault(std::wstring_view name) {
    for (const SettingDefinition& setting : kSettings) {
        if (setting.name == name) return setting.firstRunDefault;
    }
    return {};
}

void ApplySwitch(const SettingReader& read, std::wstring_view name, bool& box) {
    if (const std::optional<bool> state = SwitchBoxState(read(name))) box = *state;
}

std::wstring SwitchText(bool on) { return on ? L"true" : L"false"; }

}  // namespace

std::optional<bool> SwitchBoxState(std::wstring_view text) {
    if (platform::EqualsIgnoringCase(text, L"true")) return true;
    if (platform::EqualsIgnoringCase(text, L"false")) return false;
    return std::nullopt;
}

FullScreenQuality QualityFromWord(std::wstring_view word) {
    if (platform::EqualsIgnoringCase(word, L"low")) return FullScreenQuality::Low;
    if (platform::EqualsIgnoringCase(word, L"normal")) return FullScreenQuality::Normal;
    if (platform::EqualsIgnoringCase(word, L"best")) return FullScreenQuality::Best;
    return FullScreenQuality::None;
}

std::wstring_view QualityWord(FullScreenQuality quality) {
    switch (quality) {
    case FullScreenQuality::Low:
        return L"low";
    case FullScreenQuality::Best:
        return L"best";
    case FullScreenQuality::Normal:
    case FullScreenQuality::None:
        break;
    }
    return L"normal";
}

int VolumeFromText(std::wstring_view text) {
    return std::clamp<int>(platform::ParseNumber(text), kMinVolume, kMaxVolume);
}

std::optional<int> IconSizePositionFromText(std::wstring_view text) {
    for (std::size_t index = 0; index < kIconSizes.size(); ++index) {
        if (platform::EqualsIgnoringCase(text, kIconSizes[index])) return static_cast<int>(index) + kSmallIconPosition;
    }
    return std::nullopt;
}

std::wstring_view IconSizeText(int position) {
    const int held = std::clamp(position, kSmallIconPosition, kBigIconPosition);
    return kIconSizes[static_cast<std::size_t>(held - kSmallIconPosition)];
}

std::wstring_view DefaultHideMenuSeconds() { return FirstRunDefault(kHideMenu); }

void ApplyStoredPlayerSettings(const SettingReader& read, PlayerOptions& options) {
    ApplySwitch(read, kAllowFullScreen, options.allowFullScreen);
    options.quality = QualityFromWord(read(kFullScreenMode));
    ApplySwitch(read, kAllowZoom, options.allowZoom);
    ApplySwitch(read, kAllowTimeline, options.allowTimeline);
    ApplySwitch(read, kHintShow, options.showHints);
    ApplySwitch(read, kFitByContent, options.fitByContent);
    options.volume = VolumeFromText(read(kVolume));
    options.hideMenuSeconds = read(kHideMenu);
    if (const std::optional<int> position = IconSizePositionFromText(read(kIconSize))) {
        options.iconSizePosition = *position;
    }
}

PlayerOptions DefaultPlayerOptions() {
    PlayerOptions options;
    ApplyStoredPlayerSettings(
        [](std::wstring_view name) { return std::wstring(FirstRunDefault(name)); }, options);
    return options;
}

std::array<PlayerSettingText, 9> PlayerSettingTexts(const PlayerOptions& options) {
    std::wstring hideMenu = options.hideMenuSeconds;
    if (hideMenu.empty()) hideMenu = DefaultHideMenuSeconds();
    return {{
        {kAllowFullScreen, SwitchText(options.allowFullScreen)},
        {kFullScreenMode, std::wstring(QualityWord(options.quality))},
        {kAllowZoom, SwitchText(options.allowZoom)},
        {kAllowTimeline, SwitchText(options.allowTimeline)},
        {kHintShow, SwitchText(options.showHints)},
        {kFitByContent, SwitchText(options.fitByContent)},
        {kVolume, std::to_wstring(std::clamp(options.volume, kMinVolume, kMaxVolume))},
        {kHideMenu, std::move(hideMenu)},
        {kIconSize, std::wstring(IconSizeText(options.iconSizePosition))},
    }};
}

}  // namespace settings
