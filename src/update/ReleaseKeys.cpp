#include "update/ReleaseKeys.h"

#include "platform/PeImage.h"

#include <algorithm>
#include <string_view>

namespace update {

namespace {

constexpr std::size_t kDigits = 64;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<KeyFingerprint> ParseReleaseKeys(std::span<const std::uint8_t> resource) {
    std::string_view text(reinterpret_cast<const char*>(resource.data()), resource.size());
    // The resource compiler may close the data with a zero.
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    const std::size_t titleEnd = text.find('\n');
    if (titleEnd == std::string_view::npos) return {};
    text.remove_prefix(titleEnd + 1);
    std::vector<KeyFingerprint> keys;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.size() != kDigits) return {};
        if (std::ranges::all_of(line, [](char c) { return c == '-'; })) continue;
        KeyFingerprint key;
        for (std::size_t i = 0; i < key.size(); ++i) {
            const int high = HexValue(line[i * 2]), low = HexValue(line[i * 2 + 1]);
            if (high < 0 || low < 0) return {};
            key[i] = static_cast<std::uint8_t>(high * 16 + low);
        }
        keys.push_back(key);
    }
    return keys;
}

std::vector<KeyFingerprint> ReleaseKeysOf(std::span<const std::uint8_t> program) {
    const auto resource = platform::FindResource(program, platform::kDataResource, u"RELEASE_KEYS");
    return resource ? ParseReleaseKeys(*resource) : std::vector<KeyFingerprint>{};
}

}  // namespace update
