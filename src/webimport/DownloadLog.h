#pragma once
// What ffmpeg says while it copies a stream from the web (run with "-loglevel verbose"):
// how far it got, how long the input plays, which part of the stream it could not fetch,
// and what codecs a probe found. Portable.
#include "probe/ProbeReport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

class DownloadLog {
public:
    // Takes the output as the pipe delivers it (a chunk may end anywhere) and returns the
    // position, in seconds, of every progress report that this chunk completes.
    std::vector<double> Feed(std::string_view chunk);
    // Reads whatever is left once the output has ended.
    void Finish();

    // The input's own "Duration", when it printed one.
    std::optional<double> inputSeconds() const { return inputSeconds_; }
    // The address of a segment or fragment that could not be fetched, and the tool's
    // words for why (such as "HTTP error 404 Not Found"); empty while every part came.
    // A DASH fragment that fails after the last one of its stream is how the tool finds
    // the end of a stream, so only a failure followed by more of the same stream counts.
    const std::wstring& failedPart() const { return failedPart_; }
    const std::wstring& failedReason() const { return failedReason_; }
    // The last line that says why the tool gave up, progress and chatter left out.
    const std::wstring& lastError() const { return lastError_; }

private:
    void ReadLine(std::wstring_view line, std::vector<double>& times);

    struct Request {
        std::wstring source;  // "[dash @ 0x...]" and the playlist number
        std::wstring address;
    };
    std::string partial_;
    std::optional<double> inputSeconds_;
    std::vector<Request> lastRequests_;
    std::optional<Request> pendingFailure_;
    std::wstring pendingReason_;
    std::wstring lastHttpError_;
    std::wstring failedPart_;
    std::wstring failedReason_;
    std::wstring lastError_;
};


// What a probe report of a downloaded file says about it.
struct ProbedFile {
    bool hasVideo = false;          // it lists a video stream
    std::optional<double> seconds;  // the container's "Duration"
    // The library extension of its container: ".mp4", ".mkv", ".flv", ".ts" and the like;
    // ".flv" when the container is none of those the library knows.
    std::wstring extension;
    // The list's columns, filled in by the probe itself (ReadProbedFile leaves them empty).
    probe::ProbeFields fields;
};
ProbedFile ReadProbedFile(std::wstring_view report);

// The codecs of the first video and the first sound stream that a probe report lists,
// in the words playlists use ("avc1" for H.264, "mp4a.40.2" for AAC, the tool's own name
// for any other), joined by ",".
std::wstring CodecsOfReport(std::wstring_view report);

}  // namespace webimport
