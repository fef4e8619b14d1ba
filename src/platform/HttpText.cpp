#include "platform/HttpText.h"

namespace platform {

std::optional<std::uint64_t> ParseContentLength(std::wstring_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
    std::uint64_t value = 0;
    const size_t firstDigit = at;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        const auto digit = static_cast<std::uint64_t>(text[at] - L'0');
        // A length beyond what any disk holds is no length at all.
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (at == firstDigit) return std::nullopt;
    return value;
}

}  // namespace platform
