#include "webimport/ImportedClip.h"

#include "library/ClipPlacement.h"
#include "probe/MediaProbe.h"

namespace webimport {

std::wstring NewIncomingPath(const std::wstring& libraryFolder, std::int32_t second) {
    CreateDirectoryW(library::IncomingFolder(libraryFolder).c_str(), nullptr);
    return library::IncomingTemporaryName(libraryFolder, second);
}

ProbedFile ProbeDownloadedFile(const std::wstring& path, const ImportSettings& settings) {
    probe::MediaProbeResult result = probe::ProbeMedia(path, settings.ffmpegPath);
    ProbedFile probed = ReadProbedFile(result.report);
    probed.fields = std::move(result.fields);
    return probed;
}

bool PlaceInLibrary(const std::wstring& path, const ProbedFile& probed, const ImportSettings& settings,
                    std::int32_t second, const std::wstring& title, const std::wstring& source) {
    const std::wstring placed = library::PlaceCopyInLibrary(
        path, settings.libraryFolder, second, [&] { return title; }, nullptr, source, probed.extension);
    if (placed.empty()) return false;
    if (settings.clipArrived) settings.clipArrived({placed, true, probed.fields});
    return true;
}

}  // namespace webimport
