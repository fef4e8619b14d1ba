#include "intake/ClipCheck.h"

#include <cmath>

namespace intake {

ClipVerdict JudgeMadeClip(std::optional<std::uint32_t> exitCode, const ClipReport& report, const Expectation& expected,
                          std::uint64_t madeBytes) {
    if (!exitCode || *exitCode != 0) return ClipVerdict::ToolFailed;
    if (!report.answered) return ClipVerdict::NoAnswer;
    if ((expected.video && !report.video) || (expected.audio && !report.audio)) return ClipVerdict::WrongStreams;
    if (expected.seconds && (!report.seconds || std::abs(*report.seconds - *expected.seconds) > kLengthTolerance))
        return ClipVerdict::WrongLength;
    if (static_cast<double>(madeBytes) < kLeastShareOfInput * static_cast<double>(expected.inputBytes))
        return ClipVerdict::WrongLength;
    return ClipVerdict::Good;
}

std::uint64_t ToolTimeoutMilliseconds(std::uint64_t bytes) {
    // 30 s to start and settle, then 2 MB/s: a join reads and writes each byte once.
    constexpr std::uint64_t kFloor = 30'000;
    constexpr std::uint64_t kBytesPerMillisecond = 2'000;
    return kFloor + bytes / kBytesPerMillisecond;
}

}  // namespace intake
