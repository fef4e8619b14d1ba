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

    // What the program read in the HLS playlists before the copy: the first segment of
    // each, and how many segments they list together. A tool that starts elsewhere or
    // asks for more is reading a playlist that has turned into a live stream since.
    void ExpectSegments(std::vector<std::wstring> firstSegments, std::size_t count);
    bool turnedLive() const { return turnedLive_; }
    // The tool's words when a server's certificate was not trusted ("The certificate of
    // <host> is not trusted (0x...)"); empty while every server's was.
    const std::wstring& untrustedCertificate() const { return untrustedCertificate_; }
    // The first MPEG-TS segment that arrived as something else (a page, a cut-off body):
    // its size, which the tool reports when it moves on, is no whole number of packets.
    // Known only while one playlist is read; empty when none was seen.
    const std::wstring& brokenPart() const { return brokenPart_; }
    // The part the tool asked for last: the one a stalled copy waits for.
    const std::wstring& currentPart() const { return currentPart_; }
    // The input's picture rate ("25 fps") and how many pictures the copy wrote (its last
    // "frame=" report): a part that was lost or cut short leaves fewer than its length
    // holds, though the first and last timestamps still span the whole playlist.
    std::optional<double> framesPerSecond() const { return framesPerSecond_; }
    std::optional<double> framesWritten() const { return framesWritten_; }

private:
    void ReadLine(std::wstring_view line, std::vector<double>& times);
    void NoteSegmentRequest(const std::wstring& source, std::wstring_view address);
    void NoteBytesRead(std::wstring_view line);

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
    std::vector<std::wstring> firstSegments_;
    std::size_t expectedSegments_ = 0;
    std::size_t segmentRequests_ = 0;
    std::vector<std::wstring> speakersSeen_;
    bool turnedLive_ = false;
    std::wstring currentPart_;
    std::wstring untrustedCertificate_;
    // The request before the last one, and whether the size of its body is still to come.
    std::wstring previousPart_;
    bool sizeOfPreviousDue_ = false;
    std::wstring brokenPart_;
    bool outputStarted_ = false;
    std::optional<double> framesPerSecond_;
    std::optional<double> framesWritten_;
};

// What a probe report of a downloaded file says about it, read by the one reader of
// probe reports (intake::ReadClipReport).
struct ProbedFile {
    bool hasVideo = false;          // it lists a video stream
    std::optional<double> seconds;  // the container's "Duration"
    // The extension of its container, as a capture of the same file gets it (".mp4",
    // ".webm", ".mkv", ".flv", ".ts" and the like); empty for a container the tool did not
    // name: the file is then rewritten into the container of its codecs.
    std::wstring extension;
    std::wstring videoCodec;
    std::wstring audioCodec;
    // The list's columns, filled in by the probe itself (ReadProbedFile leaves them empty).
    probe::ProbeFields fields;
};
ProbedFile ReadProbedFile(std::wstring_view report);

}  // namespace webimport
