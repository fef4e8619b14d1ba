#include "flashctl/DecoderReport.h"

#include <cctype>
#include <cstdlib>

namespace flashctl {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// Reads the digits at the start of `text` into `value`; false when there are none.
bool ReadNumber(std::string_view& text, double& value) {
    std::size_t used = 0;
    while (used < text.size() && (std::isdigit(static_cast<unsigned char>(text[used])) || text[used] == '.')) ++used;
    if (used == 0 || used > 20) return false;
    value = std::strtod(std::string(text.substr(0, used)).c_str(), nullptr);
    text.remove_prefix(used);
    return true;
}

// "HH:MM:SS.ss"
std::optional<double> ReadClock(std::string_view text) {
    double hours = 0, minutes = 0, seconds = 0;
    if (!ReadNumber(text, hours) || !StartsWith(text, ":")) return std::nullopt;
    text.remove_prefix(1);
    if (!ReadNumber(text, minutes) || !StartsWith(text, ":")) return std::nullopt;
    text.remove_prefix(1);
    if (!ReadNumber(text, seconds)) return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

// The first ", WIDTHxHEIGHT" field of a stream line (a codec tag such as "0x41524742"
// is never preceded by ", ").
bool ReadFrameSize(std::string_view line, int& width, int& height) {
    for (std::size_t at = line.find(", "); at != std::string_view::npos; at = line.find(", ", at + 2)) {
        std::string_view rest = line.substr(at + 2);
        double w = 0, h = 0;
        if (!ReadNumber(rest, w) || !StartsWith(rest, "x")) continue;
        rest.remove_prefix(1);
        if (!ReadNumber(rest, h) || w < 1 || h < 1 || w > 16384 || h > 16384) continue;
        width = static_cast<int>(w);
        height = static_cast<int>(h);
        return true;
    }
    return false;
}

// The number before " fps" (or, failing that, before " tbr").
double ReadRate(std::string_view line) {
    for (std::string_view unit : {" fps", " tbr"}) {
        const std::size_t at = line.find(unit);
        if (at == std::string_view::npos) continue;
        std::size_t start = at;
        while (start > 0 && (std::isdigit(static_cast<unsigned char>(line[start - 1])) || line[start - 1] == '.'))
            --start;
        std::string_view digits = line.substr(start, at - start);
        double rate = 0;
        if (ReadNumber(digits, rate) && rate > 0 && rate <= 1000) return rate;
    }
    return 0;
}

}  // namespace

void DecoderReport::AddLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (StartsWith(line, "Input #")) {
        section_ = Section::Input;
        return;
    }
    if (StartsWith(line, "Output #")) {
        section_ = Section::Output;
        return;
    }
    const std::string_view trimmed = TrimLeft(line);
    if (section_ == Section::Input && StartsWith(trimmed, "Duration: ")) {
        duration_ = ReadClock(trimmed.substr(10));
        return;
    }
    if (StartsWith(trimmed, "Stream #")) {
        ReadStreamLine(trimmed);
        return;
    }
    // Complaints come as "<input>: <reason>" or as a bare sentence at the left margin.
    if (line == trimmed && !line.empty() && line.back() != ':' && section_ != Section::Output &&
        !StartsWith(line, "ffmpeg version") && !StartsWith(line, "Press [q]")) {
        const std::size_t separator = line.rfind(": ");
        problem_ = std::string(separator == std::string_view::npos ? line : line.substr(separator + 2));
    }
}

void DecoderReport::ReadStreamLine(std::string_view line) {
    const bool video = line.find(": Video: ") != std::string_view::npos;
    const bool audio = line.find(": Audio: ") != std::string_view::npos;
    if (section_ == Section::Input) {
        inputVideo_ = inputVideo_ || video;
        inputAudio_ = inputAudio_ || audio;
    } else if (section_ == Section::Output && video && !outputKnown()) {
        ReadFrameSize(line, outputWidth_, outputHeight_);
        outputRate_ = ReadRate(line);
    }
}

}  // namespace flashctl
