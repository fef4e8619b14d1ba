#include "preview/PlayerQuery.h"

#include "platform/Text.h"
#include "settings/SettingsText.h"

namespace preview {

namespace {

constexpr std::wstring_view kStillQuery = L"?allowembed=false&allowcopylink=false&ads_allow=false&showlogo=false";
constexpr std::wstring_view kAutoplay = L"&autoplay=true";
constexpr std::wstring_view kFrameTail =
    L"&zholdercornerradius=15&zholderbgcolor=0x000000&zholderpadding=2&zholdercontur=1"
    L"&zholdercontourcolor=0x000000&zholderconturalpha=1";

void AppendSwitch(std::wstring& vars, const SettingReader& read, const settings::SettingDefinition& setting) {
    vars += L'&';
    vars += setting.name;
    vars += settings::IsSwitchOn(read(setting)) ? L"=true" : L"=false";
}

void AppendText(std::wstring& vars, std::wstring_view key, std::wstring_view value) {
    vars += L'&';
    vars += key;
    vars += L'=';
    vars += value;
}

}  // namespace

std::wstring BuildPlayerSettingsVars(const SettingReader& read) {
    std::wstring vars;
    AppendSwitch(vars, read, settings::kAllowFullScreen);
    const std::wstring mode = read(settings::kFullScreenMode);
    for (std::wstring_view known : {L"low", L"normal", L"best"}) {
        if (platform::EqualsIgnoringCase(mode, known)) {
            AppendText(vars, settings::kFullScreenMode.name, known);
            break;
        }
    }
    AppendSwitch(vars, read, settings::kAllowZoom);
    AppendSwitch(vars, read, settings::kAllowTimeline);
    AppendSwitch(vars, read, settings::kHintShow);
    AppendSwitch(vars, read, settings::kFitByContent);
    AppendText(vars, settings::kVolume.name, read(settings::kVolume));
    // One setting drives both menu keys.
    const std::wstring hideMenu = read(settings::kHideMenuSeconds);
    AppendText(vars, settings::kHideMenuSeconds.name, hideMenu);
    AppendText(vars, L"fhidemenu", hideMenu);
    AppendText(vars, settings::kIconSize.name, read(settings::kIconSize));
    return vars;
}

std::wstring FlashVarsFor(const std::wstring& clipPath) { return L"content=" + clipPath; }

std::wstring ComposeMovie(const std::wstring& programFolder, PreviewStart start, const std::wstring& settingsVars) {
    std::wstring movie = programFolder + L"player.swf";
    movie += kStillQuery;
    if (start == PreviewStart::Playing) movie += kAutoplay;
    movie += settingsVars;
    movie += kFrameTail;
    return movie;
}

}  // namespace preview
