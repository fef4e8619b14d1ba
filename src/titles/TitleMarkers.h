#pragma once
// Title values that carry a meaning for the program. Portable.
#include <string_view>

namespace titles {

inline constexpr std::wstring_view kTitleNotSet = L"NotSet";
inline constexpr std::wstring_view kTitleNotFlv = L"NotFlv";
inline constexpr std::wstring_view kTitleFlvAd = L"FlvAd";
inline constexpr std::wstring_view kTitleFlv = L"Flv";
inline constexpr std::wstring_view kTitleToDelete = L"InOrderToDelete";
inline constexpr std::wstring_view kTitleMoviePrefix = L"Movie";

// A clip whose title holds the deletion marker anywhere (case-sensitive) goes at start.
inline bool IsMarkedForDeletion(std::wstring_view title) {
    return title.find(kTitleToDelete) != std::wstring_view::npos;
}

// A title from outside (a web page's) that the program would take for one of its own
// markers, and so never gives a clip.
inline bool ReadsAsMarker(std::wstring_view title) {
    return title == kTitleNotSet || title == kTitleNotFlv || title == kTitleFlvAd || title == kTitleFlv ||
           IsMarkedForDeletion(title);
}

}  // namespace titles
