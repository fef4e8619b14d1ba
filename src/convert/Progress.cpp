#include "convert/Progress.h"

#include <algorithm>

namespace convert {

namespace {

constexpr std::string_view kReportMarker = "time=";

// Far beyond any clip; keeps the arithmetic of a garbled report from overflowing.
constexpr std::int64_t kSecondsCap = 1'000'000'000'000;

// A value longer than this is not a time; it is dropped rather than buffered for ever.
constexpr std::size_t kLongestValue = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool isValueCharacter(char c) { return IsDigit(c) || c == ':'; }

// "47" or "00:00:47" (each ':' starts a field worth 60 of the one before).
std::int64_t secondsOf(std::string_view value) {
    std::int64_t total = 0;
    std::int64_t field = 0;
    for (char c : value) {
        if (c == ':') {
            total = std::min(kSecondsCap, total * 60 + field);
            field = 0;
        } else {
            field = std::min(kSecondsCap, field * 10 + (c - '0'));
        }
    }
    return std::min(kSecondsCap, total * 60 + field);
}

int PercentOf(std::int64_t part, int whole) { return static_cast<int>(part * 100 / whole); }

std::wstring PercentLabel(int percent) { return std::to_wstring(percent) + L"%"; }

std::wstring RowLabel(const BatchProgressState& state) {
    return L"File " + std::to_wstring(state.rowNumber) + L" of " + std::to_wstring(state.rowCount);
}

ProgressDisplay Indeterminate(std::wstring label) { return {true, 0, std::move(label)}; }

std::optional<ProgressDisplay> OverallProgress(std::int64_t seconds, const BatchProgressState& state) {
    if (state.overallUpperLimit <= 0) return Indeterminate(L"All files");
    const std::int64_t done = seconds + state.doneSeconds;
    if (done < 0 || done > state.overallUpperLimit) return std::nullopt;
    return ProgressDisplay{false, static_cast<int>(done),
                           L"All files - " + PercentLabel(PercentOf(done, state.overallUpperLimit))};
}

// A runaway line is cut rather than kept whole; the start says enough.
constexpr std::size_t kLongestErrorLine = 1024;

bool SaysWhy(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return false;
    line.remove_prefix(start);
    return line.rfind("frame=", 0) != 0 && line.rfind("size=", 0) != 0 && line.rfind("Conversion failed!", 0) != 0;
}

}  // namespace

void ToolErrorLine::Feed(std::string_view chunk) {
    for (char c : chunk) {
        if (c == '\r' || c == '\n') {
            if (SaysWhy(partial_)) last_ = partial_;
            partial_.clear();
        } else if (partial_.size() < kLongestErrorLine) {
            partial_ += c;
        }
    }
}

std::string ToolErrorLine::line() const { return SaysWhy(partial_) ? partial_ : last_; }

std::vector<std::int64_t> ProgressParser::Feed(std::string_view chunk) {
    std::vector<std::int64_t> reports;
    pending_.append(chunk);
    const std::string_view text = pending_;
    std::size_t consumed = 0;
    for (;;) {
        const std::size_t marker = text.find(kReportMarker, consumed);
        if (marker == std::string_view::npos) {
            // Keep what could be the start of a marker split across chunks.
            consumed = std::max(consumed, text.size() - std::min(text.size(), kReportMarker.size() - 1));
            break;
        }
        const std::size_t valueStart = marker + kReportMarker.size();
        std::size_t valueEnd = valueStart;
        while (valueEnd < text.size() && isValueCharacter(text[valueEnd])) ++valueEnd;
        const std::size_t valueLength = valueEnd - valueStart;
        if (valueEnd == text.size() && valueLength <= kLongestValue) {
            consumed = marker;  // wait for the character after the value
            break;
        }
        if (valueLength <= kLongestValue) {
            const bool hasFraction = valueEnd < text.size() && text[valueEnd] == '.';
            reports.push_back(hasFraction ? secondsOf(text.substr(valueStart, valueLength)) : 0);
        }
        consumed = valueEnd;
    }
    pending_.erase(0, consumed);
    return reports;
}

ProgressDisplay StartProgress(int upperLimit) {
    if (upperLimit <= 0) return Indeterminate(L"");
    return {false, 0, PercentLabel(0)};
}

ProgressDisplay FinishedProgress(int upperLimit) { return {false, std::max(upperLimit, 0), PercentLabel(100)}; }

std::optional<ProgressDisplay> SingleClipProgress(std::int64_t seconds, int upperLimit) {
    if (upperLimit <= 0) return Indeterminate(L"");
    if (seconds < 0 || seconds > upperLimit) return std::nullopt;
    return ProgressDisplay{false, static_cast<int>(seconds), PercentLabel(PercentOf(seconds, upperLimit))};
}

std::optional<BatchProgressDisplay> BatchProgress(std::int64_t seconds, const BatchProgressState& state) {
    if (state.rowUpperLimit <= 0) {
        return BatchProgressDisplay{Indeterminate(RowLabel(state)), OverallProgress(seconds, state)};
    }
    if (seconds < 0 || seconds > state.rowUpperLimit) return std::nullopt;
    ProgressDisplay row{false, static_cast<int>(seconds),
                        RowLabel(state) + L" - " + PercentLabel(PercentOf(seconds, state.rowUpperLimit))};
    return BatchProgressDisplay{std::move(row), OverallProgress(seconds, state)};
}

ProgressDisplay BatchRowFinished(const BatchProgressState& state) {
    return {false, std::max(state.rowUpperLimit, 0), RowLabel(state) + L" - " + PercentLabel(100)};
}

BatchProgressDisplay BatchRowStart(const BatchProgressState& state) {
    if (state.rowUpperLimit <= 0) return {Indeterminate(RowLabel(state)), OverallProgress(0, state)};
    return {ProgressDisplay{false, 0, RowLabel(state) + L" - " + PercentLabel(0)}, OverallProgress(0, state)};
}

ProgressDisplay BatchAllFinished(const BatchProgressState& state) {
    return {false, std::max(state.overallUpperLimit, 0), L"All files - " + PercentLabel(100)};
}

}  // namespace convert
