#include "convert/OutputCheck.h"

#include "probe/ProbeReport.h"

#include <algorithm>
#include <cstdio>

namespace convert {

namespace {

// ffmpeg's header, with the input's duration, comes before any progress report.
constexpr std::size_t kHeadLimit = 64 * 1024;
constexpr std::string_view kClosingStatistics = "muxing overhead: ";

std::wstring ClockText(double seconds) {
    const long whole = static_cast<long>(seconds);
    wchar_t text[32];
    std::swprintf(text, 32, L"%02ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

}  // namespace

void ConversionReport::Feed(std::string_view bytes) {
    if (head_.size() < kHeadLimit) head_.append(bytes.substr(0, kHeadLimit - head_.size()));
    if (finished_) return;
    tail_.append(bytes);
    finished_ = tail_.find(kClosingStatistics) != std::string::npos;
    if (tail_.size() > kClosingStatistics.size()) tail_.erase(0, tail_.size() - kClosingStatistics.size());
}

std::optional<double> ConversionReport::inputSeconds() const {
    // The header is ASCII wherever the duration lies.
    return probe::ReportedDuration(std::wstring(head_.begin(), head_.end()));
}

double ExpectedOutputSeconds(const ConvertJob& job, std::optional<double> inputSeconds) {
    if (!job.cut) return inputSeconds.value_or(0);
    const double cut = job.cutRange.length();
    if (!inputSeconds) return cut;
    return std::clamp(*inputSeconds - job.cutRange.start, 0.0, cut);
}

std::wstring OutputShortfall(std::wstring_view probeReport, double expectedSeconds, bool finished) {
    const std::optional<double> duration = probe::ReportedDuration(probeReport);
    if (!duration) return L"ffmpeg ended before the file was finished: it cannot be played.";
    const double allowed = std::max(1.0, expectedSeconds / 50.0);
    if (!finished && *duration + allowed < expectedSeconds)
        return L"ffmpeg ended before the file was finished: it plays " + ClockText(*duration) + L" of " +
               ClockText(expectedSeconds) + L".";
    return {};
}

}  // namespace convert
