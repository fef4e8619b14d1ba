#include "flashhost/RuntimeRules.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>

namespace flashhost {

namespace {

constexpr std::wstring_view kMovieFileName = L"4BC37A1F293B47169DBC8019C50075F5.swf";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::wstring MemoryMoviePath(unsigned number) {
    return L"Z:\\FromMemory\\" + std::wstring(kMemoryMovieMarker) + L"\\" + std::to_wstring(number) + L"\\" +
           std::wstring(kMovieFileName);
}

std::optional<MemoryMovieReference> ParseMemoryMoviePath(std::wstring_view path) {
    const std::size_t marker = path.find(kMemoryMovieMarker);
    if (marker == std::wstring_view::npos) return std::nullopt;
    std::size_t at = marker + kMemoryMovieMarker.size();
    if (at >= path.size() || !IsSeparator(path[at])) return std::nullopt;
    ++at;
    const std::size_t digitsStart = at;
    unsigned long long number = 0;
    while (at < path.size() && path[at] >= L'0' && path[at] <= L'9') {
        number = number * 10 + static_cast<unsigned>(path[at] - L'0');
        if (number > 0xFFFFFFFFull) return std::nullopt;
        ++at;
    }
    if (at == digitsStart || at >= path.size() || !IsSeparator(path[at])) return std::nullopt;
    MemoryMovieReference reference;
    reference.number = static_cast<unsigned>(number);
    reference.relative = std::wstring(path.substr(at + 1));
    std::replace(reference.relative.begin(), reference.relative.end(), L'/', L'\\');
    return reference;
}

bool IsMemoryMovieFile(std::wstring_view relative) {
    if (relative.size() != kMovieFileName.size()) return false;
    return std::equal(relative.begin(), relative.end(), kMovieFileName.begin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

bool IsRefusedLibraryPath(std::string_view path) {
    for (std::size_t slash = path.find('\\'); slash != std::string_view::npos; slash = path.find('\\', slash + 1)) {
        const std::string_view tail = path.substr(slash);
        if (EqualsIgnoringCase(tail, "\\swsupport.dll") || EqualsIgnoringCase(tail, "\\swsupport")) return true;
    }
    return false;
}

void ScaleSamples(unsigned char* data, std::size_t bytes, unsigned bytesPerSample, std::uint16_t volume) {
    if (bytesPerSample == 1) {
        for (std::size_t i = 0; i < bytes; ++i) {
            const int centred = static_cast<int>(data[i]) - 128;
            data[i] = static_cast<unsigned char>(128 + centred * volume / 65535);
        }
    } else if (bytesPerSample == 2) {
        for (std::size_t i = 0; i + 1 < bytes; i += 2) {
            std::int16_t sample;
            std::memcpy(&sample, data + i, 2);
            sample = static_cast<std::int16_t>(static_cast<std::int32_t>(sample) * volume / 65535);
            std::memcpy(data + i, &sample, 2);
        }
    }
}

}  // namespace flashhost
