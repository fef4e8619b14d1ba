#include "settings/SettingsText.h"

#include <cwctype>
#include <limits>

namespace settings {

namespace {

wchar_t FoldCase(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

void ApplyCharacter(std::wstring_view text, size_t index, bool& target) {
    if (index >= text.size()) return;
    if (text[index] == L'1') target = true;
    else if (text[index] == L'0') target = false;
}

}  // namespace

bool WordEquals(std::wstring_view text, std::wstring_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(word[i])) return false;
    }
    return true;
}

bool IsSwitchOn(std::wstring_view text) { return WordEquals(text, L"true"); }

std::int32_t ParseNumber(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > limit) value = limit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

void ApplyBrowsersText(std::wstring_view text, BrowserSwitches& switches) {
    ApplyCharacter(text, 0, switches.internetExplorer);
    ApplyCharacter(text, 1, switches.firefox);
    ApplyCharacter(text, 2, switches.chrome);
    if (!text.empty()) ApplyCharacter(text, text.size() - 1, switches.opera);
}

}  // namespace settings
