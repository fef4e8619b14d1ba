#include "update/UpdateRules.h"

#include <algorithm>

namespace update {

bool IsCheckDue(bool autoUpdateOn, std::int32_t lastContact, std::int64_t now) {
    if (!autoUpdateOn) return false;
    return lastContact == 0 || now > static_cast<std::int64_t>(lastContact) + kSecondsPerDay;
}

namespace {

constexpr std::size_t kMostDigitsPerPart = 9;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// One part: digits 0-9 only (no other script's digits), none missing, none too many.
std::optional<std::uint32_t> ParsePart(std::wstring_view part) {
    if (part.empty() || part.size() > kMostDigitsPerPart) return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : part) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    return value;
}

}  // namespace

std::optional<std::vector<std::uint32_t>> ParseVersion(std::wstring_view text) {
    text = Trimmed(text);
    std::vector<std::uint32_t> parts;
    for (;;) {
        const std::size_t dot = text.find(L'.');
        const auto part = ParsePart(text.substr(0, dot));
        if (!part) return std::nullopt;
        parts.push_back(*part);
        if (dot == std::wstring_view::npos) return parts;
        text.remove_prefix(dot + 1);
    }
}

bool IsNewerVersion(std::wstring_view answer, std::wstring_view running) {
    const auto offered = ParseVersion(answer);
    return offered && IsNewerVersion(*offered, running);
}

bool IsNewerVersion(const std::vector<std::uint32_t>& offered, std::wstring_view running) {
    const auto current = ParseVersion(running);
    if (offered.empty() || !current) return false;
    const std::size_t count = std::max(offered.size(), current->size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t mine = i < current->size() ? (*current)[i] : 0;
        const std::uint32_t theirs = i < offered.size() ? offered[i] : 0;
        if (theirs != mine) return theirs > mine;
    }
    return false;
}

std::wstring VersionUrl(std::wstring_view base) {
    std::wstring url(base);
    if (url.empty() || url.back() != L'/') url += L'/';
    return url;
}

InstallerRoom RoomForInstaller(std::optional<std::uint64_t> advertised, std::optional<std::uint64_t> freeBytes) {
    if (!advertised) return InstallerRoom::Enough;
    if (*advertised > kLargestInstaller) return InstallerRoom::TooLarge;
    if (freeBytes && *advertised > *freeBytes) return InstallerRoom::NoSpace;
    return InstallerRoom::Enough;
}

std::string MarkerText(std::span<const std::uint8_t, 32> digest) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

bool MarkerNames(std::string_view marker, std::span<const std::uint8_t, 32> digest) {
    // A line end after the digits, as an editor leaves it, changes nothing.
    while (!marker.empty() && (marker.back() == '\n' || marker.back() == '\r')) marker.remove_suffix(1);
    return marker == MarkerText(digest);
}

std::wstring InstallerUrl(std::wstring_view base) { return VersionUrl(base) + L"update.exe"; }

}  // namespace update
