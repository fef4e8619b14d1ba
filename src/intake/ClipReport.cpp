#include "intake/ClipReport.h"

#include "probe/ProbeReport.h"

#include <cwchar>
#include <initializer_list>
#include <tuple>

namespace intake {

namespace {

std::wstring FirstWord(std::wstring_view text) {
    const std::size_t end = text.find_first_of(L" ,(\r\n");
    return std::wstring(text.substr(0, end));
}

}  // namespace

ClipReport ReadClipReport(std::wstring_view report) {
    ClipReport clip;
    clip.answered = report.find(L"ffmpeg version ") != std::wstring_view::npos;
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t end = report.find(L'\n', start);
        if (end == std::wstring_view::npos) end = report.size();
        const std::wstring_view line = report.substr(start, end - start);
        start = end + 1;
        if (!clip.seconds) clip.seconds = probe::ReportedDuration(line);
        if (clip.format.empty() && line.starts_with(L"Input #0, ")) {
            const std::wstring_view rest = line.substr(10);
            clip.format = std::wstring(rest.substr(0, rest.find(L", from")));
        }
        if (line.find(L"Stream #") == std::wstring_view::npos) continue;
        for (const auto& [label, found, codec] : {std::tuple{L": Video: ", &clip.video, &clip.videoCodec},
                                                  std::tuple{L": Audio: ", &clip.audio, &clip.audioCodec}}) {
            const std::size_t at = line.find(label);
            if (at == std::wstring_view::npos || *found) continue;
            *found = true;
            *codec = FirstWord(line.substr(at + std::wcslen(label)));
        }
    }
    return clip;
}

}  // namespace intake
