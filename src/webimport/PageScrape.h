#pragma once
// What the import reads out of a watch page and what it makes of it: the identifier, the
// token and the title, the stream address, the progress caption, and the rules for
// addresses that answer with a video directly. Portable.
#include <cstdint>
#include <string>
#include <string_view>

namespace webimport {

// The value of a search whose start marker is nowhere in the page.
inline constexpr std::wstring_view kNotFound = L"NULL";

// Searches from the start of the text: the value follows the first `start` and runs up to
// the first `end` after it, or is empty when no `end` follows. "NULL" without `start`.
std::wstring ValueBetween(std::wstring_view text, std::wstring_view start, std::wstring_view end);

struct PageValues {
    std::wstring identifier;
    std::wstring token;
    std::wstring title;
    // False when any of the three is "NULL".
    bool Complete() const;
};
// The identifier's markers are tried in a fixed order and the first one found wins.
PageValues ScrapePage(std::wstring_view page);

// <site>/get_video?asv=&video_id=<identifier>&t=<token>; a site address ending in "/"
// gets no second one.
std::wstring StreamAddress(std::wstring_view site, std::wstring_view identifier, std::wstring_view token);

// "Downloading video file: <received Kb> Kb from <total Kb> Kb recived...", whole kilobytes;
// without " from <total Kb> Kb" when the total is not known (0).
std::wstring ProgressCaption(std::uint64_t receivedBytes, std::uint64_t totalBytes);
// "Downloading video: 00:01:05 of 00:10:00", or without " of ..." when the length is not
// known (0): the caption of a playlist's download.
std::wstring PlaylistProgressCaption(std::uint64_t seconds, std::uint64_t totalSeconds);

// Whether a clipboard text goes into the address box when it takes the focus: one that
// holds "http://", or that is itself the address of a video file or a playlist.
inline constexpr std::size_t kLongestPastedText = 1023;
bool ShouldPaste(bool autoCopyOn, std::wstring_view clipboard);

// An address that answers with one of these types is a video itself, not a page.
bool IsDirectVideoType(std::wstring_view contentType);
// A directly downloaded video's title: the last segment of the address's path, with its
// %-escapes decoded as UTF-8 and made fit to keep (TidyTitle); "video" when that leaves
// nothing.
std::wstring DirectVideoTitle(std::wstring_view url);
// The title an imported clip takes: the page's, unless the library would read it as one of
// its own markers (a clip titled "...InOrderToDelete..." would go at the next start); then
// the address's, and "video" when that reads as a marker too.
std::wstring ImportedClipTitle(std::wstring_view pageTitle, std::wstring_view address);

}  // namespace webimport
