#include "library/ClipRecordText.h"

#include "titles/TitleMarkers.h"

#include <cmath>
#include <cstdio>

namespace library {

namespace {

// Our formats produce ASCII only, so widening is a plain copy.
std::wstring Widen(const char* text) {
    std::wstring wide;
    for (; *text != '\0'; ++text) wide.push_back(static_cast<wchar_t>(*text));
    return wide;
}

std::wstring RemoveEvery(std::wstring_view text, std::wstring_view piece) {
    std::wstring result;
    size_t start = 0;
    for (size_t found = text.find(piece); found != std::wstring_view::npos; found = text.find(piece, start)) {
        result.append(text.substr(start, found - start));
        start = found + piece.size();
    }
    result.append(text.substr(start));
    return result;
}

}  // namespace

std::wstring DisplayTitle(std::wstring_view storedTitle, std::wstring_view fileName) {
    if (storedTitle != titles::kTitleNotSet) return std::wstring(storedTitle);
    if (fileName == kDemoClipName) return std::wstring(kDemoClipTitle);
    return RemoveEvery(fileName, L".flv");
}

std::wstring SizeText(std::uint64_t sizeInBytes) {
    const auto low = static_cast<std::uint32_t>(sizeInBytes & 0xFFFFFFFFu);
    const float mebibytes = static_cast<float>(low) / 1048576.0f;
    // A size of an odd number of eighths of a mebibyte is an exact tie at the second
    // decimal, and C runtimes round such ties differently ("0.13" or "0.12" for
    // 131072 bytes). Rounding here, half away from zero, gives the same text
    // everywhere; the product is exact in double, so no other value is affected.
    const int hundredths = static_cast<int>(std::round(static_cast<double>(mebibytes) * 100.0));
    char text[40];
    std::snprintf(text, sizeof text, "%d.%02d Mb", hundredths / 100, hundredths % 100);
    return Widen(text);
}

std::wstring DateText(const LocalDateTime& fields) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d.%02d.%d", fields.day, fields.month, fields.year);
    return Widen(text);
}

std::wstring TimeText(const LocalDateTime& fields) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", fields.hour, fields.minute, fields.second);
    return Widen(text);
}

bool ReportListsClip(std::wstring_view fullReport, std::wstring_view probedPath) {
    std::wstring withoutBuild(fullReport);
    if (const std::size_t at = withoutBuild.find(L"  configuration: "); at != std::wstring::npos)
        withoutBuild.erase(at, withoutBuild.find(L'\n', at) - at);
    const std::wstring_view probeReport = withoutBuild;
    auto mentionsVideo = [](std::wstring_view text) {
        return text.find(L"Video") != std::wstring_view::npos || text.find(L"video") != std::wstring_view::npos;
    };
    if (probedPath.empty()) return mentionsVideo(probeReport);
    // Each stretch between two echoes of the path is searched on its own, so that no
    // word is made up across a removed path.
    size_t start = 0;
    for (size_t at = probeReport.find(probedPath); at != std::wstring_view::npos;
         at = probeReport.find(probedPath, start)) {
        if (mentionsVideo(probeReport.substr(start, at - start))) return true;
        start = at + probedPath.size();
    }
    return mentionsVideo(probeReport.substr(start));
}

ClipRecord MakeClipRecord(const ClipFacts& clip, const probe::ProbeFields& fields) {
    return ClipRecord{{DisplayTitle(clip.storedTitle, clip.fileName), DateText(clip.created), TimeText(clip.created),
                       SizeText(clip.size), probe::FormatDuration(fields.duration), fields.resolution, fields.frameRate,
                       fields.bitRate, clip.path, fields.video, fields.audio},
                      probe::DurationSeconds(fields.duration)};
}

}  // namespace library
