#include "flashctl/MovieParameters.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace flashctl {

namespace {

using Values = std::map<std::wstring, std::wstring>;

constexpr std::wstring_view kContentKey = L"content";

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

// Splits "a=1&b=2" into `values`. With `restKey`, that key's value runs to the end.
void ReadPairs(std::wstring_view text, Values& values, std::wstring_view restKey = {}) {
    while (!text.empty()) {
        const std::size_t ampersand = text.find(L'&');
        std::wstring_view pair = text.substr(0, ampersand);
        const std::size_t equals = pair.find(L'=');
        const std::wstring_view key = pair.substr(0, equals);
        if (!restKey.empty() && key == restKey && equals != std::wstring_view::npos) {
            values[std::wstring(key)] = std::wstring(text.substr(equals + 1));
            return;
        }
        if (!key.empty())
            values[std::wstring(key)] =
                equals == std::wstring_view::npos ? std::wstring() : std::wstring(pair.substr(equals + 1));
        if (ampersand == std::wstring_view::npos) return;
        text.remove_prefix(ampersand + 1);
    }
}

bool IsTrue(const Values& values, const wchar_t* key) {
    const auto found = values.find(key);
    return found != values.end() && EqualsIgnoringCase(found->second, L"true");
}

int Percent(const Values& values, const wchar_t* key, int fallback) {
    const auto found = values.find(key);
    if (found == values.end() || found->second.empty() || found->second.size() > 6) return fallback;
    int value = 0;
    for (wchar_t c : found->second) {
        if (c < L'0' || c > L'9') return fallback;
        value = value * 10 + (c - L'0');
    }
    return std::min(value, 100);
}

}  // namespace

std::wstring MovieFilePath(std::wstring_view movie) {
    movie = movie.substr(0, movie.find(L'?'));
    constexpr std::wstring_view kFileScheme = L"file://";
    if (movie.size() >= kFileScheme.size() && EqualsIgnoringCase(movie.substr(0, kFileScheme.size()), kFileScheme)) {
        movie.remove_prefix(kFileScheme.size());
        // "file:///C:/x.swf" names "C:/x.swf".
        if (movie.size() >= 3 && movie[0] == L'/' && movie[2] == L':') movie.remove_prefix(1);
    }
    return std::wstring(movie);
}

MovieParameters ReadMovieParameters(std::wstring_view movie, std::wstring_view flashVars) {
    Values values;
    const std::size_t question = movie.find(L'?');
    if (question != std::wstring_view::npos) ReadPairs(movie.substr(question + 1), values);
    ReadPairs(flashVars, values, kContentKey);

    MovieParameters options;
    if (const auto content = values.find(std::wstring(kContentKey)); content != values.end())
        options.contentPath = content->second;
    options.autoplay = IsTrue(values, L"autoplay");
    options.allowTimeline = IsTrue(values, L"allowtimeline");
    options.allowFullScreen = IsTrue(values, L"allowfullscreen");
    options.volumePercent = Percent(values, L"volume", options.volumePercent);
    return options;
}

}  // namespace flashctl
