#pragma once
// The intake of one response read from a browser cache: its body is put together from
// the cache's files into the incoming folder, probed there, and kept when it is a video;
// the markers go on the entry's own files.
#include "capture/CachedResponse.h"
#include "capture/Intake.h"

#include <windows.h>

#include <string>

namespace capture {

enum class ResponseOutcome {
    Incomplete,     // parts missing: nothing marked, looked at again when the files change
    NotCandidate,   // too small, or nothing of its own to mark: never a clip
    Compressed,     // stored compressed; skipped, nothing marked
    AlreadyMarked,  // examined in an earlier run
    MarkedNotVideo,
    MarkedSilent,
    Copied,
    // A digest the browser stored does not match the bytes: damaged on disk. Nothing is
    // marked, so a copy the browser writes anew is taken once its files change.
    Damaged,
    Failed,  // the body could not be read or placed, or the tool hung or gave no report: tried again later
};

// True when the watcher need not look at the entry again while its files stay as they are.
bool IsSettled(ResponseOutcome outcome);

// `folder` is the cache folder the response's file names are relative to (no trailing
// backslash); `created` the creation time of the entry's first own file, which names and
// dates the clip.
ResponseOutcome IntakeCachedResponse(const CachedResponse& response, const std::wstring& folder,
                                     const FILETIME& created, const IntakeContext& context,
                                     std::wstring* clip = nullptr);

enum class Assembly {
    Written,
    Unreadable,  // a range could not be read whole, or the destination could not take it
    Damaged,     // a range does not match the digest the browser stored for it
};
// Writes the body's ranges, in order, to `destination`; nothing is left behind unless
// it was written whole.
Assembly AssembleBody(const CachedResponse& response, const std::wstring& folder, const std::wstring& destination);

}  // namespace capture
