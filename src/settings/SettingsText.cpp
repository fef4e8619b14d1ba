#include "settings/SettingsText.h"

#include "platform/Text.h"

namespace settings {

namespace {

void ApplyCharacter(std::wstring_view text, size_t index, bool& target) {
    if (index >= text.size()) return;
    if (text[index] == L'1')
        target = true;
    else if (text[index] == L'0')
        target = false;
}

}  // namespace

bool IsSwitchOn(std::wstring_view text) { return platform::EqualsIgnoringCase(text, L"true"); }

void ApplyBrowsersText(std::wstring_view text, BrowserSwitches& switches) {
    ApplyCharacter(text, 0, switches.internetExplorer);
    ApplyCharacter(text, 1, switches.firefox);
    ApplyCharacter(text, 2, switches.chrome);
    if (!text.empty()) ApplyCharacter(text, text.size() - 1, switches.opera);
}

std::wstring_view SwitchText(bool on) { return on ? L"true" : L"false"; }

}  // namespace settings
