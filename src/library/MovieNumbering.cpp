#include "library/MovieNumbering.h"

#include "platform/Text.h"

namespace library {

std::int32_t MovieNumberOfTitle(std::wstring_view title) {
    constexpr std::wstring_view kMovie = L"Movie";
    if (title.find(kMovie) == std::wstring_view::npos) return 0;
    std::wstring rest;
    for (std::size_t at = 0; at < title.size();) {
        if (title.substr(at, kMovie.size()) == kMovie) {
            at += kMovie.size();
        } else {
            rest += title[at++];
        }
    }
    return platform::ParseNumber(rest);
}

void MovieNumbers::See(std::wstring_view title) {
    const std::int32_t number = MovieNumberOfTitle(title);
    std::lock_guard lock(mutex_);
    if (number != 0 && number > highest_) highest_ = number;
}

void MovieNumbers::Given(std::wstring_view numberText, std::wstring clip) {
    std::int64_t number = 0;
    for (wchar_t c : numberText) {
        if (c < L'0' || c > L'9') return;
        number = number * 10 + (c - L'0');
        if (number > (std::int64_t{1} << 40)) return;
    }
    std::lock_guard lock(mutex_);
    given_.emplace_back(number, std::move(clip));
}

std::wstring MovieNumbers::NextText(const std::function<bool(const std::wstring& clip)>& stillThere) const {
    std::lock_guard lock(mutex_);
    std::int64_t highest = highest_;
    for (const auto& [number, clip] : given_)
        if (number > highest && stillThere && stillThere(clip)) highest = number;
    return std::to_wstring(highest + 1);
}

MovieNumbers& ProcessMovieNumbers() {
    static MovieNumbers numbers;
    return numbers;
}

}  // namespace library
