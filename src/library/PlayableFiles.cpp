#include "library/PlayableFiles.h"

#include <array>

namespace library {

namespace {

constexpr std::array<std::wstring_view, 24> kMediaExtensions = {
    L"flv", L"f4v",  L"mp4", L"m4v", L"mov", L"3gp", L"3g2", L"avi", L"wmv", L"asf",  L"mpg", L"mpeg",
    L"mkv", L"webm", L"ogv", L"ogg", L"mp3", L"m4a", L"aac", L"wav", L"wma", L"flac", L"ts",  L"vob"};

wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

bool IsPlayableMediaFile(std::wstring_view path) {
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t separator = path.find_last_of(L"\\/");
    if (dot == std::wstring_view::npos || (separator != std::wstring_view::npos && dot < separator)) return false;
    const std::wstring_view extension = path.substr(dot + 1);
    for (std::wstring_view known : kMediaExtensions) {
        if (known.size() != extension.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < known.size() && same; ++i) same = lower(extension[i]) == known[i];
        if (same) return true;
    }
    return false;
}

}  // namespace library
