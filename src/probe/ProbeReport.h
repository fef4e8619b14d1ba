#pragma once
// What a probe run of ffmpeg.exe says about a file, cut into the fields the library
// shows. Portable: no Windows header.
#include <optional>
#include <string>
#include <string_view>

namespace probe {

// A field whose key the report lacks reads this, leading space included; callers
// compare it literally.
inline constexpr std::wstring_view kMissingField = L" n/a";

struct ProbeFields {
    std::wstring duration;
    std::wstring width;
    std::wstring height;
    std::wstring resolution;
    std::wstring frameRate;
    std::wstring bitRate;
    std::wstring video;
    std::wstring audio;
    bool operator==(const ProbeFields&) const = default;
};

// The report is everything the tool printed, lines ending in "\r\n".
ProbeFields ParseProbeReport(std::wstring_view report);

// The duration as the list shows it: a text holding ':' unchanged, otherwise the whole
// seconds at its start as HH:MM:SS (hours wrap at 24).
std::wstring FormatDuration(std::wstring_view duration);

// The duration in whole seconds, for a clip's record: "HH:MM:SS" with or without fractions
// (fewer parts count from the seconds up), or a plain number of seconds; what holds no
// number reads 0, and nothing reads less.
int DurationSeconds(std::wstring_view duration);

// "00:01:02.50" (also "62.5" or "1:02.5") at the start of `text`, in seconds; none for
// text that is no such time, such as "N/A".
std::optional<double> ParseClockTime(std::wstring_view text);

// The first "Duration: " of a report of the tool's, in seconds; none when the report gives
// none, or "N/A".
std::optional<double> ReportedDuration(std::wstring_view report);

// Exposed for tests and the benchmark: runs of blanks shrunk the way the parser sees
// them, and " : " closed up to ": ".
std::wstring NormaliseProbeReport(std::wstring_view report);

}  // namespace probe
