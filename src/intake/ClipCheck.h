#pragma once
// Whether a file the tool made may become a clip: the tool ended well, and what it made
// probes with the streams asked for and as long as expected. A tool that writes part of
// its output and still exits 0, or dies after writing it, never puts a clip in the
// library. Portable: no Windows header.
#include "intake/ClipReport.h"

#include <cstdint>
#include <optional>
#include <string>

namespace intake {

// How far a made clip's length may stray from the length its parts promised.
inline constexpr double kLengthTolerance = 0.5;

struct Expectation {
    bool video = true;
    bool audio = false;
    std::optional<double> seconds;  // unknown: any length will do
};

enum class ClipVerdict {
    Good,
    ToolFailed,    // it did not start, did not end by itself, or ended with an error
    NoAnswer,      // the probe did not run as the tool
    WrongStreams,  // a picture or its sound is missing
    WrongLength,   // shorter or longer than its parts
};
// `exitCode` is the maker's (0 for a plain copy); `report` the probe of what it made.
ClipVerdict JudgeMadeClip(std::optional<std::uint32_t> exitCode, const ClipReport& report, const Expectation& expected);

// How long the tool may take to copy or join `bytes` before it is taken for hung: far
// more than a copy at disk speed needs, and never less than a start under load.
std::uint64_t ToolTimeoutMilliseconds(std::uint64_t bytes);

}  // namespace intake
