#include "capture/CaptureRules.h"

#include "library/ClipRecordText.h"
#include "platform/Text.h"

namespace capture {

bool PassesSizeRule(std::uint64_t size) { return size > kSmallestExaminedSize; }

bool PassesNameRule(std::wstring_view name) {
    if (name.find(L'.') == std::wstring_view::npos) return true;
    for (std::wstring_view extension : {L".flv", L".mp4", L".tmp"}) {
        const std::size_t at = name.find(extension);
        if (at != std::wstring_view::npos && at > 0) return true;
    }
    return false;
}

IntakeVerdict JudgeProbeReport(std::wstring_view report, bool keepSilentClips, std::wstring_view probedPath) {
    if (!library::ReportListsClip(report, probedPath)) return IntakeVerdict::NotVideo;
    if (!keepSilentClips && report.find(L": Audio: ") == std::wstring_view::npos) return IntakeVerdict::SilentVideo;
    return IntakeVerdict::Keep;
}

std::int32_t CreationSecond(std::uint64_t fileTime) {
    constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;
    const std::int64_t seconds = (static_cast<std::int64_t>(fileTime) - kUnixEpochAsFileTime) / 10000000;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds)));
}

bool IsToolReport(std::wstring_view report) { return report.find(L"ffmpeg version ") != std::wstring_view::npos; }

}  // namespace capture
