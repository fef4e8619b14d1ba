#pragma once
// The one reader of what the tool says a file holds, for every way into the library: the
// stream lines of its report ("Stream #0:0: Video: h264 (High) ..."), its length and the
// container it named. Only stream lines count: a file's path, which the report repeats,
// may hold any word. Portable: no Windows header.
#include <optional>
#include <string>
#include <string_view>

namespace intake {

struct ClipReport {
    // The tool ran and spoke as itself: its banner is there. Anything else (nothing at
    // all, or the words of a program put in its place) says nothing about the file.
    bool answered = false;
    bool video = false;
    bool audio = false;
    std::wstring videoCodec;  // the first word after "Video: ", e.g. "h264"
    std::wstring audioCodec;
    std::optional<double> seconds;  // "Duration: 00:00:14.02"
    // The container the tool read, as "Input #0, <format>, from" names it ("mov,mp4,m4a,...").
    std::wstring format;
};
ClipReport ReadClipReport(std::wstring_view report);

}  // namespace intake
