#include "platform/Text.h"

#include <cwctype>
#include <limits>

namespace platform {

wchar_t FoldCase(wchar_t c) {
    // The runtime's towlower takes a locale lock per call, which made sorting thousands of
    // titles take seconds; ASCII, nearly all a title holds, folds the same without it.
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

std::wstring ToLowerCase(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = FoldCase(c);
    return lower;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

int CompareIgnoringCase(std::wstring_view a, std::wstring_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        // Compared as unsigned: wchar_t may be signed and 16 or 32 bits wide.
        const auto left = static_cast<std::uint32_t>(FoldCase(a[i]));
        const auto right = static_cast<std::uint32_t>(FoldCase(b[i]));
        if (left != right) return left < right ? -1 : 1;
    }
    return (a.size() > b.size()) - (a.size() < b.size());
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::int32_t ParseNumber(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
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

}  // namespace platform
