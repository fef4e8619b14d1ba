#include "webimport/DownloadLog.h"

#include "intake/ClipContainer.h"
#include "intake/ClipReport.h"

#include "platform/ToolOutput.h"
#include "probe/ProbeReport.h"

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

}  // namespace

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
        return;
    }
    if (!inputSeconds_) {
        inputSeconds_ = probe::ReportedDuration(line);
    }
    const std::wstring source = std::wstring(Speaker(line)) + std::wstring(PlaylistNumber(line));
    if (const std::wstring_view address = Between(line, L"request for url '", L'\''); !address.empty()) {
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
