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

std::int32_t MovieNumberOfTitle(std::wstring_view title) {
    constexpr std::wstring_view kMovie = L"Movie";
    if (title.find(kMovie) == std::wstring_view::npos) return 0;
    std::wstring rest;
    for (std::size_t at = 0; at < title.size();) {
        if (title.substr(at, kMovie.size()) == kMovie) {
            at += kMovie.size();
        } else {
            rest += title[at++];
        }
    }
    return platform::ParseNumber(rest);
}

void MovieNumbers::See(std::wstring_view title) {
    const std::int32_t number = MovieNumberOfTitle(title);
    if (number != 0 && number > highest_) highest_ = number;
}

void MovieNumbers::Given(std::wstring_view numberText, std::wstring clip) {
    std::int64_t number = 0;
    for (wchar_t c : numberText) {
        if (c < L'0' || c > L'9') return;
        number = number * 10 + (c - L'0');
        if (number > (std::int64_t{1} << 40)) return;
    }
    given_.emplace_back(number, std::move(clip));
}

std::wstring MovieNumbers::NextText(const std::function<bool(const std::wstring& clip)>& stillThere) const {
    std::int64_t highest = highest_;
    for (const auto& [number, clip] : given_)
        if (number > highest && stillThere && stillThere(clip)) highest = number;
    return std::to_wstring(highest + 1);
}

}  // namespace capture
