#pragma once
// The ffmpeg command lines that fetch a playlist's stream: the probe that learns its
// codecs and the copy into one file. Portable.
#include "intake/ClipContainer.h"
#include "webimport/Playlist.h"

#include <optional>
#include <string>
#include <string_view>

namespace webimport {

// What to fetch and how to keep it.
struct PlaylistSource {
    std::wstring input;       // a media playlist or a DASH manifest
    std::wstring audioInput;  // an HLS variant's separate sound playlist, or empty
    // Which of the input's video and sound streams (DASH: the chosen representations);
    // the first of each when empty.
    std::optional<std::size_t> videoStream;
    std::optional<std::size_t> audioStream;
    // By the codecs the playlist names, the same rule as for every clip; unknown until then.
    std::optional<intake::ClipContainer> container;
    std::optional<double> seconds;  // how long it plays, when the playlist says
};

// How each request presents itself: the page's address as referrer and the user agent
// of the page request.
struct RequestIdentity {
    std::wstring userAgent;
    std::wstring referrer;
};

// "<ffmpeg>" ... -i <input> : prints what the input holds and ends.
std::wstring PlaylistProbeCommandLine(std::wstring_view ffmpegPath, std::wstring_view input,
                                      const RequestIdentity& identity);

// The one copy-or-join command of every clip, its inputs on the web: copies the chosen
// streams without converting them. Only web protocols are allowed, so a playlist cannot
// make the tool read local files.
std::wstring PlaylistCopyCommandLine(std::wstring_view ffmpegPath, const PlaylistSource& source,
                                     const RequestIdentity& identity, std::wstring_view output);

}  // namespace webimport
