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
    // The bytes of picture and sound that went in (a copy moves every packet, so the clip
    // holds nearly as many); 0 when not known. A header can promise the whole length of a
    // file that was cut short: its size cannot.
    std::uint64_t inputBytes = 0;
};

// A clip copied from its parts holds at least this share of their bytes; a transport
// stream's packet headers are the most a copy drops.
inline constexpr double kLeastShareOfInput = 0.75;

enum class ClipVerdict {
    Good,
    ToolFailed,    // it did not start, did not end by itself, or ended with an error
    NoAnswer,      // the probe did not run as the tool
    WrongStreams,  // a picture or its sound is missing
    WrongLength,   // shorter or longer than its parts, or far smaller
    DamagedInput,  // the bytes it was made from do not match what the browser stored for them
};
// A file of `madeBytes` that the tool made (0 for a plain copy: its `exitCode` is then 0):
// `report` is its probe.
ClipVerdict JudgeMadeClip(std::optional<std::uint32_t> exitCode, const ClipReport& report, const Expectation& expected,
                          std::uint64_t madeBytes = 0);

// How long the tool may take to copy or join `bytes` before it is taken for hung: far
// more than a copy at disk speed needs, and never less than a start under load.
std::uint64_t ToolTimeoutMilliseconds(std::uint64_t bytes);

}  // namespace intake
