#pragma once
// The fixed texts of the web import, as the user and the site see them. Portable.
#include <string_view>

namespace webimport {

inline constexpr std::wstring_view kUserAgent =
    L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322)";
inline constexpr std::wstring_view kPrompt = L"Enter video URL (Example: http://www.youtube.com/watch?v=3nOIIGNmjBg)";
inline constexpr std::wstring_view kReadingPage = L"Processing HTML from URL. Please wait...";
inline constexpr std::wstring_view kInvalidAddress = L"Please enter a valid YouTube URL and try again";
inline constexpr std::wstring_view kNetworkFailure = L"Please check your internet connection and try again.";
// Where the stream request goes unless REELKEEP_SITE_URL names another host.
inline constexpr std::wstring_view kDefaultSiteUrl = L"http://www.youtube.com";

}  // namespace webimport
