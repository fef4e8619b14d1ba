#pragma once
// The one way into the library for a file the program makes or fetches: it is made under
// a fresh name in the library's incoming folder (never listed, on the library's volume),
// checked, and only then placed: titled, dated, named and moved in at once. A grown clip
// is made beside the old one the same way and put in its place by one rename.
#include "intake/ClipCheck.h"
#include "intake/ToolCommand.h"
#include "probe/ProbeReport.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace intake {

// Owns a name in the incoming folder: whatever still lies there when it goes is deleted,
// unless it was placed in the library.
class IncomingFile {
public:
    IncomingFile(const std::wstring& libraryFolder, std::int32_t second);
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;
    ~IncomingFile();
    const std::wstring& path() const { return path_; }
    // It has left the incoming folder.
    void Released() { released_ = true; }

private:
    std::wstring path_;
    bool released_ = false;
};

struct MadeClip {
    ClipVerdict verdict = ClipVerdict::ToolFailed;
    ClipReport report;
    probe::ProbeFields fields;
    bool timedOut = false;  // the tool hung and was ended
    bool good() const { return verdict == ClipVerdict::Good; }
};

// Runs the copy or join (its output is `job.output`, an incoming file), ended when it
// overruns `timeout`, then probes what it made and judges it.
MadeClip MakeClip(const std::wstring& ffmpegPath, const CopyOrJoin& job, std::chrono::milliseconds timeout,
                  const Expectation& expected);
// Probes and judges a file that was copied as it came.
MadeClip CheckClip(const std::wstring& ffmpegPath, const std::wstring& path, const Expectation& expected);

struct Placement {
    std::wstring libraryFolder;  // ends with a backslash
    std::int32_t second = 0;     // names the clip
    const FILETIME* created = nullptr;
    std::wstring sourceUrl;
    // The page a captured clip was watched on; empty when not known.
    std::wstring pageUrl;
    // The clip's title, asked for once the clip is whole: "Movie" and the next number for
    // a capture, the page's title for an import.
    std::function<std::wstring()> title;
    ClipContainer container = ClipContainer::Matroska;
};
// Moves a checked incoming file into the library under the first free name of its second;
// returns the clip's path, or empty (the file deleted) when the library does not take it.
std::wstring PlaceClip(IncomingFile& file, const Placement& placement);
// The same for a finished file in the incoming folder that another owner made (a web
// download), kept under `extension` whatever `placement.container` says.
std::wstring PlaceFile(const std::wstring& incoming, const Placement& placement, std::wstring_view extension);

// Puts the bytes of `grown` in place of `clip` by one rename (ReplaceFileW, else
// MoveFileExW): never written over in place, so a write that fails half-way leaves the
// clip as it was. The clip keeps its name, title, addresses and creation time.
bool SwapInGrownClip(const std::wstring& clip, IncomingFile& grown);

}  // namespace intake
