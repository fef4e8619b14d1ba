#pragma once
// What happens to one candidate cache file: probe, marker, library copy, title, creation
// time, and word to the window.
#include "capture/CaptureRules.h"
#include "library/ClipArrival.h"
#include "platform/CopyWholeFile.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace history {
class PageNamer;
}

namespace capture {

// Everything the intake reaches beyond the cache file. Tests fill it with a scratch
// library, their own numbering and their own notification.
struct IntakeContext {
    std::wstring libraryFolder;  // ends with a backslash
    std::wstring ffmpegPath;
    std::function<bool()> keepSilentClips;
    // Called after a clip has landed in the library, with its full path and the probe of
    // the bytes that landed, so that the list need not probe it again.
    std::function<void(const library::ArrivedClip& clip)> clipAdded;
    // Called after a clip has grown by pieces played later: same file, new probe.
    std::function<void(const library::ArrivedClip& clip)> clipGrown;
    MovieNumbers* numbers = nullptr;
    // Names clips by the pages they were watched on; without it every clip is "MovieN".
    history::PageNamer* pageNames = nullptr;
    // Seconds since 1970; the system clock when empty.
    std::function<std::int64_t()> now;
    // How long a copy or join of so many bytes may run before it is taken for hung and
    // ended; intake::ToolTimeoutMilliseconds when empty.
    std::function<std::chrono::milliseconds(std::uint64_t bytes)> toolTimeout;
    // How long a pass waits for a copy or join before it goes on with the other streams;
    // the tool's result is taken on a later pass.
    std::chrono::milliseconds toolWait{20'000};
    platform::BlockWriter writeBlock = platform::WriteWholeBlock;
};

using library::ProcessMovieNumbers;

enum class IntakeOutcome {
    MarkedNotVideo,
    MarkedSilent,
    Copied,
    ProbeTimedOut,  // nothing marked: examined again on a later pass
    NoToolReport,   // the tool did not answer as itself; nothing marked either
    CopyFailed,     // source busy or gone, or the library could not take it; nothing marked
};

// The next movie number as text: after the highest `numbers` has seen or given to a clip
// that is still there. No clip is opened for it.
std::wstring NextMovieNumber(MovieNumbers& numbers);

// A library clip of `second` holding the same bytes as `source`, or empty. An entry
// whose marker could not be written comes back on the next pass, and must not add
// another copy each time.
std::wstring FindEqualClip(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                           std::uint64_t size);

// `path` is the cache file's full path, `entry` its directory entry from the scan.
// Returns the full path of the library copy through `clip` when one was made.
IntakeOutcome IntakeCacheFile(const std::wstring& path, const WIN32_FIND_DATAW& entry, const IntakeContext& context,
                              std::wstring* clip = nullptr);

}  // namespace capture
