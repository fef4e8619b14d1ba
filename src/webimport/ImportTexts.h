#pragma once
// The fixed texts of the web import, as the user and the site see them. Portable.
#include <string_view>

namespace webimport {

inline constexpr std::wstring_view kUserAgent =
    L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322)";
inline constexpr std::wstring_view kPrompt = L"Enter video URL (Example: http://www.youtube.com/watch?v=3nOIIGNmjBg)";
inline constexpr std::wstring_view kReadingPage = L"Processing HTML from URL. Please wait...";
inline constexpr std::wstring_view kReadingPlaylist = L"Reading the video's playlist. Please wait...";
inline constexpr std::wstring_view kCheckingClip = L"Checking the downloaded video. Please wait...";
inline constexpr std::wstring_view kInvalidAddress = L"Please enter a valid YouTube URL and try again";
inline constexpr std::wstring_view kNetworkFailure = L"Please check your internet connection and try again.";
// Where the stream request goes unless REELKEEP_SITE_URL names another host.
inline constexpr std::wstring_view kDefaultSiteUrl = L"http://www.youtube.com";

// Reports of failures a user can act on.
inline constexpr std::wstring_view kNotWebAddress =
    L"Only web addresses (http:// or https://) can be imported. Please enter the address of a web page or a video.";
inline constexpr std::wstring_view kNoVideoFound = L"No video found on this page";
inline constexpr std::wstring_view kVideoNotServed =
    L"The page names a video, but its server did not send one. Please try again later.";
inline constexpr std::wstring_view kSiteSentNoVideo =
    L"The site sent no video: what came back is not a video file, and nothing was kept.";
inline constexpr std::wstring_view kTooManyRedirects =
    L"The site redirected the request in a loop or away from the web, and nothing was kept.";
inline constexpr std::wstring_view kPageTooLarge =
    L"The page is larger than 10 MB and was not read further. Please enter the address of the video's own page.";
inline constexpr std::wstring_view kNotEnoughSpace =
    L"There is not enough free space in the library folder for this video.";
inline constexpr std::wstring_view kLiveStream = L"This is a live stream: only whole recordings can be imported.";
inline constexpr std::wstring_view kEmptyPlaylist = L"The video's playlist lists no video.";
// Followed by the address of the part and the server's words.
inline constexpr std::wstring_view kPartMissing = L"A part of the video could not be downloaded, so nothing was kept: ";
inline constexpr std::wstring_view kDownloadBrokeOff =
    L"The download stopped after an unexpected error, and nothing was kept. Please try again.";
// Followed by the tool's words.
inline constexpr std::wstring_view kPlaylistFailed = L"The video could not be downloaded: ";
inline constexpr std::wstring_view kToolMissing =
    L"ffmpeg.exe could not be started, so the video cannot be downloaded.";
inline constexpr std::wstring_view kIncompleteClip =
    L"The downloaded video is shorter than its playlist says, so nothing was kept.";

}  // namespace webimport
