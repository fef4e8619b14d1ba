#pragma once
// Asking ffmpeg.exe what a file holds.
#include "probe/ProbeReport.h"

#include <chrono>
#include <string>

namespace probe {

// A probe of a local file takes well under a second; a tool that has not answered in ten
// is hung, and a list build must not wait on it longer than that.
inline constexpr std::chrono::milliseconds kProbeTimeout{10'000};

struct MediaProbeResult {
    // All the tool printed (the capture intake searches it unchanged).
    std::wstring report;
    ProbeFields fields;
    bool timedOut = false;
    // The tool could not open the file: another program held it, or it was gone. The
    // report then says nothing about what the file holds.
    bool unopened = false;
};

// ProgramFolder + "ffmpeg.exe".
std::wstring DefaultFfmpegPath();

// "<ffmpeg>" -i "<file>", both paths quoted; empty when a path cannot be quoted.
std::wstring ProbeCommandLine(const std::wstring& ffmpegPath, const std::wstring& filePath);

// Runs ffmpeg -i on the file and parses its report. A tool that cannot start gives an
// empty report; one that overruns `timeout` is ended with everything it started, and the
// report is what it had printed. A file that another program holds is tried once more after
// a pause, since such holds (a title being written, a copy being finished) are short.
MediaProbeResult ProbeMedia(const std::wstring& filePath, const std::wstring& ffmpegPath = DefaultFfmpegPath(),
                            std::chrono::milliseconds timeout = kProbeTimeout);

}  // namespace probe
