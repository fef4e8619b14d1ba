#include "convert/OutputCheck.h"

#include <algorithm>
#include <cstdio>

namespace convert {

namespace {

// ffmpeg's header, with the input's duration, comes before any progress report.
constexpr std::size_t kHeadLimit = 64 * 1024;
constexpr std::string_view kClosingStatistics = "muxing overhead: ";

std::optional<int> TwoDigits(std::wstring_view text, std::size_t at) {
    if (at + 2 > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + 2; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

std::wstring ClockText(double seconds) {
    const long whole = static_cast<long>(seconds);
    wchar_t text[32];
    std::swprintf(text, 32, L"%02ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

}  // namespace

std::optional<double> ReportedDuration(std::wstring_view report) {
    constexpr std::wstring_view kKey = L"Duration: ";
    const std::size_t at = report.find(kKey);
    if (at == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view text = report.substr(at + kKey.size());
    const auto hours = TwoDigits(text, 0);
    const auto minutes = TwoDigits(text, 3);
    const auto seconds = TwoDigits(text, 6);
    if (!hours || !minutes || !seconds || text[2] != L':' || text[5] != L':') return std::nullopt;
    double duration = *hours * 3600.0 + *minutes * 60.0 + *seconds;
    if (text.size() > 8 && text[8] == L'.') {
        if (const auto hundredths = TwoDigits(text, 9)) duration += *hundredths / 100.0;
    }
    return duration;
}

void ConversionReport::Feed(std::string_view bytes) {
    if (head_.size() < kHeadLimit) head_.append(bytes.substr(0, kHeadLimit - head_.size()));
    if (finished_) return;
    tail_.append(bytes);
    finished_ = tail_.find(kClosingStatistics) != std::string::npos;
    if (tail_.size() > kClosingStatistics.size()) tail_.erase(0, tail_.size() - kClosingStatistics.size());
}

std::optional<double> ConversionReport::inputSeconds() const {
    // The header is ASCII wherever the duration lies.
    return ReportedDuration(std::wstring(head_.begin(), head_.end()));
}

double ExpectedOutputSeconds(const ConvertJob& job, std::optional<double> inputSeconds) {
    if (!job.cut) return inputSeconds.value_or(0);
    const double cut = job.cutRange.length();
    if (!inputSeconds) return cut;
    return std::clamp(*inputSeconds - job.cutRange.start, 0.0, cut);
}

std::wstring OutputShortfall(std::wstring_view probeReport, double expectedSeconds, bool finished) {
    const std::optional<double> duration = ReportedDuration(probeReport);
    if (!duration) return L"ffmpeg ended before the file was finished: it cannot be played.";
    const double allowed = std::max(1.0, expectedSeconds / 50.0);
    if (!finished && *duration + allowed < expectedSeconds)
        return L"ffmpeg ended before the file was finished: it plays " + ClockText(*duration) + L" of " +
               ClockText(expectedSeconds) + L".";
    return {};
}

}  // namespace convert
