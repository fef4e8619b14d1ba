#include "settings/PlayerSettings.h"

#include "platform/Text.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

#include <algorithm>

namespace settings {

namespace {

// Icon sizes by slider position, starting at position 1.
constexpr std::array<std::wstring_view, 3> kIconSizes{L"8", L"16", L"32"};

std::wstring_view FirstRunDefault(std::wstring_view name) {
    for (const SettingDefinition& setting : kSettings) {
        if (setting.name == name) return setting.firstRunDefault;
    }
    return {};
}

void ApplySwitch(const SettingReader& read, const SettingDefinition& setting, bool& box) {
    if (const std::optional<bool> state = SwitchBoxState(read(setting.name))) box = *state;
}

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
    case FullScreenQuality::Low: return L"low";
    case FullScreenQuality::Best: return L"best";
    case FullScreenQuality::Normal:
    case FullScreenQuality::None: break;
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

std::wstring_view DefaultHideMenuSeconds() { return kHideMenuSeconds.firstRunDefault; }

void ApplyStoredPlayerSettings(const SettingReader& read, PlayerOptions& options) {
    ApplySwitch(read, kAllowFullScreen, options.allowFullScreen);
    options.quality = QualityFromWord(read(kFullScreenMode.name));
    ApplySwitch(read, kAllowZoom, options.allowZoom);
    ApplySwitch(read, kAllowTimeline, options.allowTimeline);
    ApplySwitch(read, kHintShow, options.showHints);
    ApplySwitch(read, kFitByContent, options.fitByContent);
    options.volume = VolumeFromText(read(kVolume.name));
    options.hideMenuSeconds = read(kHideMenuSeconds.name);
    if (const std::optional<int> position = IconSizePositionFromText(read(kIconSize.name))) {
        options.iconSizePosition = *position;
    }
}

PlayerOptions DefaultPlayerOptions() {
    PlayerOptions options;
    ApplyStoredPlayerSettings([](std::wstring_view name) { return std::wstring(FirstRunDefault(name)); }, options);
    return options;
}

std::array<PlayerSettingText, 9> PlayerSettingTexts(const PlayerOptions& options) {
    std::wstring hideMenu =
        options.hideMenuSeconds.empty() ? std::wstring(DefaultHideMenuSeconds()) : options.hideMenuSeconds;
    return {{
        {kAllowFullScreen.name, std::wstring(SwitchText(options.allowFullScreen))},
        {kFullScreenMode.name, std::wstring(QualityWord(options.quality))},
        {kAllowZoom.name, std::wstring(SwitchText(options.allowZoom))},
        {kAllowTimeline.name, std::wstring(SwitchText(options.allowTimeline))},
        {kHintShow.name, std::wstring(SwitchText(options.showHints))},
        {kFitByContent.name, std::wstring(SwitchText(options.fitByContent))},
        {kVolume.name, std::to_wstring(std::clamp(options.volume, kMinVolume, kMaxVolume))},
        {kHideMenuSeconds.name, std::move(hideMenu)},
        {kIconSize.name, std::wstring(IconSizeText(options.iconSizePosition))},
    }};
}

}  // namespace settings
