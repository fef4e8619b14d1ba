#include "settings/GeneralSettingsRules.h"

#include "platform/Text.h"
#include "settings/SettingsText.h"

#include <algorithm>

namespace settings {

namespace {

constexpr std::array<std::wstring_view, kBrowserCount> kBrowserWords = {L"iexplore", L"firefox", L"chrome", L"opera"};

std::size_t IndexOf(Browser browser) { return static_cast<std::size_t>(browser); }

}  // namespace

std::wstring_view BrowserWord(Browser browser) { return kBrowserWords[IndexOf(browser)]; }

Browser DefaultBrowserFromCommand(std::optional<std::wstring_view> command) {
    if (!command) return Browser::InternetExplorer;
    for (std::size_t i = 0; i < kBrowserCount; ++i) {
        if (command->find(kBrowserWords[i]) != std::wstring_view::npos) return static_cast<Browser>(i);
    }
    for (std::wstring_view chromium : {L"msedge", L"brave", L"vivaldi", L"chromium"})
        if (command->find(chromium) != std::wstring_view::npos) return Browser::Chrome;
    return Browser::InternetExplorer;
}

std::optional<Browser> BrowserOfProgId(std::wstring_view progId) {
    const std::wstring id = platform::ToLowerCase(progId);
    const auto starts = [&](std::wstring_view prefix) { return id.starts_with(prefix); };
    for (std::wstring_view chromium : {L"chromehtml", L"msedgehtm", L"bravehtml", L"vivaldihtm", L"chromiumhtm"})
        if (id == chromium || starts(std::wstring(chromium) + L".")) return Browser::Chrome;
    if (starts(L"firefoxurl") || starts(L"firefoxhtml")) return Browser::Firefox;
    if (starts(L"opera")) return Browser::Opera;
    if (starts(L"ie.http")) return Browser::InternetExplorer;
    return std::nullopt;
}

BrowserChecks ChecksForMode(BrowserMode mode, Browser defaultBrowser) {
    BrowserChecks checks{};
    switch (mode) {
    case BrowserMode::All: checks.fill(true); break;
    case BrowserMode::Default: checks[IndexOf(defaultBrowser)] = true; break;
    case BrowserMode::Custom: break;
    }
    return checks;
}

BrowserChecks KeepOneBrowser(BrowserChecks checks, Browser clicked) {
    if (NoBrowserChecked(checks)) checks[IndexOf(clicked)] = true;
    return checks;
}

BrowserMode ModeForChecks(const BrowserChecks& checks, Browser defaultBrowser) {
    const auto ticked = std::count(checks.begin(), checks.end(), true);
    if (ticked == static_cast<std::ptrdiff_t>(kBrowserCount)) return BrowserMode::All;
    if (ticked == 1 && checks[IndexOf(defaultBrowser)]) return BrowserMode::Default;
    return BrowserMode::Custom;
}

bool NoBrowserChecked(const BrowserChecks& checks) {
    return std::none_of(checks.begin(), checks.end(), [](bool ticked) { return ticked; });
}

BrowserMode ModeFromSetting(std::wstring_view text) {
    const std::int32_t number = platform::ParseNumber(text);
    if (number < 0 || number > static_cast<std::int32_t>(BrowserMode::Custom)) return BrowserMode::All;
    return static_cast<BrowserMode>(number);
}

std::wstring ModeSetting(BrowserMode mode) { return std::to_wstring(static_cast<int>(mode)); }

std::wstring BrowsersSetting(const BrowserChecks& checks) {
    std::wstring text;
    for (bool ticked : checks) text += ticked ? L'1' : L'0';
    return text;
}

BrowserChecks ApplyBrowsersSetting(std::wstring_view text, BrowserChecks checks) {
    BrowserSwitches switches{checks[0], checks[1], checks[2], checks[3]};
    ApplyBrowsersText(text, switches);
    return {switches.internetExplorer, switches.firefox, switches.chrome, switches.opera};
}

std::optional<bool> StrictSwitch(std::wstring_view text) {
    if (text == L"true") return true;
    if (text == L"false") return false;
    return std::nullopt;
}

}  // namespace settings
