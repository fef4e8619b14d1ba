#pragma once
// What the host tells the player movie: the Movie text (a path with a query string) and
// the FlashVars text. Neither is escaped: the clip path arrives exactly as it is on disk,
// "&", "=" and blanks included. Portable.
#include <string>
#include <string_view>

namespace flashctl {

// The file part of a Movie text: the query string cut off, a "file://" prefix removed.
std::wstring MovieFilePath(std::wstring_view movie);

struct MovieParameters {
    std::wstring contentPath;
    bool autoplay = false;
    bool allowTimeline = false;
    bool allowFullScreen = false;
    int volumePercent = 100;
};

// Keys come from the Movie's query string and then from FlashVars, a later value winning.
// "content" in FlashVars takes the whole rest of the text as its value, because the host
// hands the clip path over unescaped.
MovieParameters ReadMovieParameters(std::wstring_view movie, std::wstring_view flashVars);

}  // namespace flashctl
