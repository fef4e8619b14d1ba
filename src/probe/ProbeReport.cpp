#include "probe/ProbeReport.h"

#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <optional>

namespace probe {

namespace {

constexpr std::wstring_view kLineEnd = L"\r\n";

// Halving every run of blanks ten times over leaves ceil(n / 1024) of a run of n; doing
// it in one pass keeps a megabyte report linear.
constexpr size_t kBlankRunDivisor = 1024;

constexpr std::ptrdiff_t kBlankBlock = 32;
constexpr wchar_t kBlanks[kBlankBlock + 1] = L"                                ";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The text after the first `key` up to the next "\r\n"; empty when no line end follows
// (a report cut off mid-line), nothing when the key is missing.
std::optional<std::wstring> RestOfLine(std::wstring_view text, std::wstring_view key) {
    const size_t at = text.find(key);
    if (at == std::wstring_view::npos) return std::nullopt;
    const size_t start = at + key.size();
    const size_t end = text.find(kLineEnd, start);
    if (end == std::wstring_view::npos) return std::wstring();
    return std::wstring(text.substr(start, end - start));
}

std::wstring Substring(std::wstring_view text, size_t start, size_t count) {
    if (start >= text.size()) return {};
    return std::wstring(text.substr(start, count));
}

std::wstring DurationOf(std::wstring_view text) {
    if (auto fromMetadata = RestOfLine(text, L"duration: ")) return *fromMetadata;
    // The container line: "Duration: HH:MM:SS.cc, start: ...". Without it the same
    // cut lands on the report's first characters, which is what the list has always shown.
    constexpr std::wstring_view key = L"Duration: ";
    const size_t at = text.find(key);
    const size_t start = at == std::wstring_view::npos ? key.size() : at + key.size();
    return Substring(text, start, 8);
}

std::wstring FieldOr(std::wstring_view text, std::wstring_view key, std::wstring_view missing) {
    return RestOfLine(text, key).value_or(std::wstring(missing));
}

// Splits a stream description into its words: blanks, commas, brackets and parentheses
// separate them, so "1920x1080 [SAR 1:1 DAR 16:9]" yields "1920x1080" on its own.
template <typename Visitor>
bool ForEachWord(std::wstring_view text, Visitor visit) {
    constexpr std::wstring_view separators = L" ,()[]";
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find_first_of(separators, start), text.size());
        if (end > start && visit(text.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

// A frame size: digits, "x", digits, neither side starting with 0 (codec tags such as
// "0x31637661" have the same letters).
bool IsFrameSize(std::wstring_view word) {
    const size_t x = word.find(L'x');
    if (x == std::wstring_view::npos || x == 0 || x + 1 >= word.size()) return false;
    if (word[0] == L'0' || word[x + 1] == L'0') return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (i != x && !IsDigit(word[i])) return false;
    }
    return true;
}

std::wstring SizeFromVideo(std::wstring_view video) {
    std::wstring size;
    ForEachWord(video, [&](std::wstring_view word) {
        if (!IsFrameSize(word)) return false;
        size = word;
        return true;
    });
    return size;
}

// A rate as the tool prints it: "25", "29.97", "23.98", or "1k" for large ones.
bool IsRateNumber(std::wstring_view number) {
    if (!number.empty() && number.back() == L'k') number.remove_suffix(1);
    if (number.empty() || !IsDigit(number.front()) || !IsDigit(number.back())) return false;
    bool seenPoint = false;
    for (wchar_t c : number) {
        if (c == L'.' && !seenPoint) {
            seenPoint = true;
        } else if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

// The comma-separated item "<rate> fps" of a stream description, shown as "<rate> Fps".
std::wstring FrameRateFromVideo(std::wstring_view video) {
    constexpr std::wstring_view suffix = L" fps";
    size_t start = 0;
    while (start <= video.size()) {
        const size_t end = std::min(video.find(L',', start), video.size());
        std::wstring_view item = video.substr(start, end - start);
        while (!item.empty() && item.front() == L' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == L' ') item.remove_suffix(1);
        if (item.size() > suffix.size() && item.ends_with(suffix) &&
            IsRateNumber(item.substr(0, item.size() - suffix.size()))) {
            return std::wstring(item.substr(0, item.size() - suffix.size())) + L" Fps";
        }
        start = end + 1;
    }
    return {};
}

// printf's "%02d".
std::wstring TwoDigits(int value) {
    std::wstring digits = std::to_wstring(value);
    if (digits.size() < 2) digits.insert(0, 2 - digits.size(), L'0');
    return digits;
}

}  // namespace

std::wstring NormaliseProbeReport(std::wstring_view report) {
    // One pass over raw characters: reports can be megabytes of padded metadata.
    std::wstring normalised(report.size(), L'\0');
    const wchar_t* in = report.data();
    const wchar_t* const end = in + report.size();
    wchar_t* const first = normalised.data();
    wchar_t* out = first;
    // Output before this point came from closing up a " : " and cannot start another.
    const wchar_t* closedUpTo = first;
    while (in != end) {
        if (*in != L' ') {
            // Copy up to the next blank in one go.
            const wchar_t* blank = std::wmemchr(in, L' ', static_cast<size_t>(end - in));
            if (!blank) blank = end;
            std::wmemcpy(out, in, static_cast<size_t>(blank - in));
            out += blank - in;
            in = blank;
            continue;
        }
        const wchar_t* const runStart = in;
        // Padding comes in long runs: skip it a block at a time.
        while (end - in >= kBlankBlock && std::wmemcmp(in, kBlanks, kBlankBlock) == 0) in += kBlankBlock;
        while (in != end && *in == L' ') ++in;
        const size_t run = static_cast<size_t>(in - runStart);
        for (size_t blanks = (run + kBlankRunDivisor - 1) / kBlankRunDivisor; blanks > 0; --blanks) {
            // Aligned metadata lines read "key : value" once the blanks are gone: close up
            // each " : ", left to right, as a replace-all would.
            if (out - closedUpTo >= 2 && out[-2] == L' ' && out[-1] == L':') {
                out[-2] = L':';
                out[-1] = L' ';
                closedUpTo = out;
            } else {
                *out++ = L' ';
            }
        }
    }
    normalised.resize(static_cast<size_t>(out - first));
    return normalised;
}

ProbeFields ParseProbeReport(std::wstring_view report) {
    const std::wstring text = NormaliseProbeReport(report);
    ProbeFields fields;
    fields.duration = DurationOf(text);
    fields.width = FieldOr(text, L"width: ", L"");
    fields.height = FieldOr(text, L"height: ", L"");
    fields.resolution = fields.width.empty() && fields.height.empty() ? std::wstring(kMissingField)
                                                                      : fields.width + L"x" + fields.height;
    const auto frameRate = RestOfLine(text, L"framerate: ");
    fields.frameRate = frameRate ? *frameRate + L" Fps" : std::wstring(kMissingField);
    fields.bitRate = FieldOr(text, L"bitrate: ", kMissingField);
    fields.video = FieldOr(text, L": Video: ", kMissingField);
    fields.audio = FieldOr(text, L": Audio: ", kMissingField);

    if (fields.video != kMissingField) {
        // Found by shape rather than by position in the stream line, so that four-digit
        // heights and lines without a bit rate come out whole. No such token: the field
        // stays missing rather than showing a cut-off fragment.
        if (fields.resolution == kMissingField) {
            std::wstring size = SizeFromVideo(fields.video);
            if (!size.empty()) fields.resolution = std::move(size);
        }
        if (fields.frameRate == kMissingField) {
            std::wstring rate = FrameRateFromVideo(fields.video);
            if (!rate.empty()) fields.frameRate = std::move(rate);
        }
    }
    return fields;
}

std::wstring FormatDuration(std::wstring_view duration) {
    if (duration.find(L':') != std::wstring_view::npos) return std::wstring(duration);
    const int seconds = platform::ParseNumber(duration);
    return TwoDigits(seconds / 3600 % 24) + L":" + TwoDigits(seconds / 60 % 60) + L":" + TwoDigits(seconds % 60);
}

int DurationSeconds(std::wstring_view duration) {
    std::int64_t seconds = 0;
    std::int64_t unit = 1;
    std::size_t end = duration.size();
    for (int part = 0; part < 3; ++part) {
        const std::size_t colon = duration.rfind(L':', end == 0 ? 0 : end - 1);
        const std::size_t start = (colon == std::wstring_view::npos || end == 0) ? 0 : colon + 1;
        seconds += unit * platform::ParseNumber(duration.substr(start, end - start));
        if (start == 0) break;
        end = colon;
        unit *= 60;
    }
    return static_cast<int>(std::clamp<std::int64_t>(seconds, 0, INT_MAX));
}

std::optional<double> ParseClockTime(std::wstring_view text) {
    double seconds = 0;
    double field = 0;
    bool digits = false;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c >= L'0' && c <= L'9') {
            field = field * 10 + (c - L'0');
            digits = true;
        } else if (c == L':' && digits) {
            seconds = seconds * 60 + field;
            field = 0;
            digits = false;
        } else {
            break;
        }
    }
    if (!digits) return std::nullopt;
    seconds = seconds * 60 + field;
    if (at < text.size() && text[at] == L'.') {
        double scale = 0.1;
        for (++at; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at, scale /= 10)
            seconds += (text[at] - L'0') * scale;
    }
    return seconds;
}

std::optional<double> ReportedDuration(std::wstring_view report) {
    constexpr std::wstring_view kKey = L"Duration: ";
    const std::size_t at = report.find(kKey);
    if (at == std::wstring_view::npos) return std::nullopt;
    return ParseClockTime(report.substr(at + kKey.size()));
}

}  // namespace probe
