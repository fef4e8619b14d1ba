#include "webimport/DownloadLog.h"

#include "intake/ClipContainer.h"
#include "intake/ClipReport.h"

#include "platform/ToolOutput.h"
#include "probe/ProbeReport.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <cwchar>

namespace webimport {

namespace {

// Longer lines are cut: what matters comes first.
constexpr std::size_t kLongestLine = 4096;

// The text between `open` and `close` after `marker`; empty when any of them is missing.
std::wstring_view Between(std::wstring_view line, std::wstring_view marker, wchar_t close) {
    const std::size_t at = line.find(marker);
    if (at == std::wstring_view::npos) return {};
    const std::wstring_view rest = line.substr(at + marker.size());
    const std::size_t end = rest.find(close);
    return end == std::wstring_view::npos ? std::wstring_view() : rest.substr(0, end);
}

// "[dash @ 0000000000cb3cc0]": which demuxer said it.
std::wstring_view Speaker(std::wstring_view line) {
    if (!line.starts_with(L'[')) return {};
    const std::size_t close = line.find(L']');
    return close == std::wstring_view::npos ? std::wstring_view() : line.substr(0, close + 1);
}

// The number after "playlist " near the end of a request or failure line.
std::wstring_view PlaylistNumber(std::wstring_view line) {
    const std::size_t at = line.rfind(L"playlist ");
    if (at == std::wstring_view::npos) return {};
    std::wstring_view rest = line.substr(at + 9);
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9') ++digits;
    return rest.substr(0, digits);
}

std::wstring_view AfterSpeaker(std::wstring_view line) {
    const std::wstring_view speaker = Speaker(line);
    line.remove_prefix(speaker.size());
    while (line.starts_with(L' ')) line.remove_prefix(1);
    return line;
}

bool IsChatter(std::wstring_view line) {
    for (std::wstring_view start :
         {L"frame=", L"size=", L"video:", L"Input #", L"Output #", L"Stream mapping:", L"Press [q]"}) {
        if (line.starts_with(start)) return true;
    }
    return line.starts_with(L' ') || line.find(L"request for url") != std::wstring_view::npos ||
           line.find(L"Opening '") != std::wstring_view::npos || line.find(L"Statistics:") != std::wstring_view::npos;
}

// The last segment of a path, query and all: ffmpeg and the program escape addresses
// each in their own way, but both keep a segment's name.
std::wstring_view NameOf(std::wstring_view address) {
    return address.substr(address.find_last_of(L'/') == std::wstring_view::npos ? 0 : address.find_last_of(L'/') + 1);
}

// ", 29.97 fps," in a stream line.
std::optional<double> RateOf(std::wstring_view line) {
    const std::size_t fps = line.find(L" fps");
    if (fps == std::wstring_view::npos) return std::nullopt;
    const std::size_t start = line.rfind(L' ', fps - 1);
    if (start == std::wstring_view::npos) return std::nullopt;
    const std::wstring number(line.substr(start + 1, fps - start - 1));
    wchar_t* end = nullptr;
    const double rate = std::wcstod(number.c_str(), &end);
    if (end == number.c_str() || *end != L'\0' || !(rate > 0)) return std::nullopt;
    // The tool prints two decimals: the NTSC rates are taken at their exact value, which
    // over an hour differs from the printed one by a second.
    for (const double ntsc : {24000.0 / 1001, 30000.0 / 1001, 48000.0 / 1001, 60000.0 / 1001, 120000.0 / 1001})
        if (std::abs(rate - ntsc) < 0.006) return ntsc;
    return rate;
}

}  // namespace

void DownloadLog::ExpectSegments(std::vector<std::wstring> firstSegments, std::size_t count) {
    firstSegments_ = std::move(firstSegments);
    expectedSegments_ = count;
}

std::vector<double> DownloadLog::Feed(std::string_view chunk) {
    std::vector<double> times;
    for (const char c : chunk) {
        if (c == '\r' || c == '\n') {
            if (!partial_.empty()) ReadLine(platform::DecodeToolOutput(partial_), times);
            partial_.clear();
        } else if (partial_.size() < kLongestLine) {
            partial_.push_back(c);
        }
    }
    return times;
}

void DownloadLog::Finish() {
    std::vector<double> ignored;
    if (!partial_.empty()) ReadLine(platform::DecodeToolOutput(partial_), ignored);
    partial_.clear();
}

void DownloadLog::ReadLine(std::wstring_view line, std::vector<double>& times) {
    if (const std::size_t at = line.find(L"time="); at != std::wstring_view::npos && line.starts_with(L"frame=")) {
        if (const auto seconds = probe::ParseClockTime(line.substr(at + 5))) times.push_back(*seconds);
        framesWritten_ = std::wcstod(std::wstring(line.substr(6, line.find(L'f', 6) - 6)).c_str(), nullptr);
        return;
    }
    if (line.starts_with(L"Output #")) outputStarted_ = true;
    if (!outputStarted_ && !framesPerSecond_ && line.find(L"Stream #") != std::wstring_view::npos &&
        line.find(L": Video: ") != std::wstring_view::npos)
        framesPerSecond_ = RateOf(line);
    if (!inputSeconds_) {
        inputSeconds_ = probe::ReportedDuration(line);
    }
    const std::wstring source = std::wstring(Speaker(line)) + std::wstring(PlaylistNumber(line));
    if (line.find(L"] Statistics: ") != std::wstring_view::npos) NoteBytesRead(line);
    if (const std::wstring_view address = Between(line, L"request for url '", L'\''); !address.empty()) {
        previousPart_ = std::exchange(currentPart_, std::wstring(address));
        sizeOfPreviousDue_ = !previousPart_.empty();
        if (line.find(L"HLS request for url") != std::wstring_view::npos) NoteSegmentRequest(source, address);
        // A stream that goes on after a failed fragment lost that fragment for good.
        if (pendingFailure_ && pendingFailure_->source == source && failedPart_.empty()) {
            failedPart_ = pendingFailure_->address;
            failedReason_ = pendingReason_;
        }
        for (Request& request : lastRequests_) {
            if (request.source != source) continue;
            request.address = address;
            return;
        }
        lastRequests_.push_back({source, std::wstring(address)});
        return;
    }
    if (untrustedCertificate_.empty() && line.find(L"The certificate of ") != std::wstring_view::npos)
        untrustedCertificate_ = AfterSpeaker(line);
    if (line.find(L"HTTP error ") != std::wstring_view::npos ||
        line.find(L"Server returned ") != std::wstring_view::npos)
        lastHttpError_ = AfterSpeaker(line);
    const bool segmentFailed = line.find(L"Failed to open segment") != std::wstring_view::npos;
    const bool fragmentFailed = line.find(L"Failed to open fragment") != std::wstring_view::npos;
    if (segmentFailed || fragmentFailed) {
        for (const Request& request : lastRequests_) {
            if (request.source != source) continue;
            if (segmentFailed && failedPart_.empty()) {
                failedPart_ = request.address;
                failedReason_ = lastHttpError_;
            } else if (fragmentFailed) {
                pendingFailure_ = request;
                pendingReason_ = lastHttpError_;
            }
        }
    }
    if (!IsChatter(line)) lastError_ = AfterSpeaker(line);
}

// "[AVIOContext @ ...] Statistics: 54 bytes read, 0 seeks": the tool closes a segment's
// connection once it has asked for the next one, so the first such line after a request
// is the size of the part before it.
void DownloadLog::NoteBytesRead(std::wstring_view line) {
    if (!sizeOfPreviousDue_ || speakersSeen_.size() > 1 || !brokenPart_.empty()) return;
    sizeOfPreviousDue_ = false;
    const std::wstring_view name = NameOf(previousPart_).substr(0, NameOf(previousPart_).find(L'?'));
    if (!name.ends_with(L".ts")) return;
    constexpr std::size_t kTransportPacket = 188;
    const std::wstring bytes(Between(line, L"Statistics: ", L' '));
    if (!bytes.empty() && std::wcstoull(bytes.c_str(), nullptr, 10) % kTransportPacket != 0)
        brokenPart_ = previousPart_;
}

void DownloadLog::NoteSegmentRequest(const std::wstring& source, std::wstring_view address) {
    const bool firstOfItsPlaylist =
        std::find(speakersSeen_.begin(), speakersSeen_.end(), source) == speakersSeen_.end();
    if (firstOfItsPlaylist) speakersSeen_.push_back(source);
    if (expectedSegments_ == 0) return;
    if (++segmentRequests_ > expectedSegments_) turnedLive_ = true;
    if (!firstOfItsPlaylist) return;
    // A live playlist is read from near its end, not from its first segment.
    const bool first = std::any_of(firstSegments_.begin(), firstSegments_.end(),
                                   [&](const std::wstring& segment) { return NameOf(segment) == NameOf(address); });
    if (!first) turnedLive_ = true;
}

ProbedFile ReadProbedFile(std::wstring_view report) {
    const intake::ClipReport clip = intake::ReadClipReport(report);
    ProbedFile file;
    file.hasVideo = clip.video;
    file.seconds = clip.seconds;
    file.videoCodec = clip.videoCodec;
    file.audioCodec = clip.audioCodec;
    if (const std::optional<intake::ClipContainer> container = intake::ContainerOfWholeFile(clip))
        file.extension = intake::ExtensionOf(*container);
    return file;
}

}  // namespace webimport
