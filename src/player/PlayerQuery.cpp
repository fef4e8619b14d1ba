#include "player/PlayerQuery.h"

#include "platform/Text.h"
#include "settings/SettingsText.h"

namespace player {

namespace {

constexpr std::wstring_view kStillQuery = L"?allowembed=false&allowcopylink=false&ads_allow=false&showlogo=false";
constexpr std::wstring_view kAutoplay = L"&autoplay=true";
constexpr std::wstring_view kFrameTail =
    L"&zholdercornerradius=15&zholderbgcolor=0x000000&zholderpadding=2&zholdercontur=1"
    L"&zholdercontourcolor=0x000000&zholderconturalpha=1";

void AppendSwitch(std::wstring& vars, const SettingReader& read, std::wstring_view name) {
    vars += L'&';
    vars += name;
    vars += settings::IsSwitchOn(read(name)) ? L"=true" : L"=false";
}

void AppendText(std::wstring& vars, std::wstring_view key, const std::wstring& value) {
    vars += L'&';
    vars += key;
    vars += L'=';
    vars += value;
}

}  // namespace

std::wstring BuildPlayerSettingsVars(const SettingReader& read) {
    std::wstring vars;
    AppendSwitch(vars, read, L"allowfullscreen");
    const std::wstring mode = read(L"fs_mode");
    for (std::wstring_view known : {L"low", L"normal", L"best"}) {
        if (platform::EqualsIgnoringCase(mode, known)) {
            AppendText(vars, L"fs_mode", std::wstring(known));
            break;
        }
    }
    AppendSwitch(vars, read, L"allowzoom");
    AppendSwitch(vars, read, L"allowtimeline");
    AppendSwitch(vars, read, L"hintshow");
    AppendSwitch(vars, read, L"zholderfitbycontent");
    AppendText(vars, L"volume", read(L"volume"));
    // One setting drives both menu keys.
    const std::wstring hideMenu = read(L"nhidemenu");
    AppendText(vars, L"nhidemenu", hideMenu);
    AppendText(vars, L"fhidemenu", hideMenu);
    AppendText(vars, L"iconsize", read(L"iconsize"));
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

}  // namespace player
