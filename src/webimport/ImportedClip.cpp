#include "webimport/ImportedClip.h"

#include "library/ClipPlacement.h"
#include "probe/MediaProbe.h"

namespace webimport {

std::wstring NewIncomingPath(const std::wstring& libraryFolder, std::int32_t second) {
    CreateDirectoryW(library::IncomingFolder(libraryFolder).c_str(), nullptr);
    return library::IncomingTemporaryName(libraryFolder, second);
}

ProbedFile ProbeDownloadedFile(const std::wstring& path, const ImportSettings& settings) {
    return ReadProbedFile(probe::ProbeMedia(path, settings.ffmpegPath).report);
}

std::wstring PlaceInLibrary(const std::wstring& path, const ImportSettings& settings, std::int32_t second,
                            const std::wstring& title, const std::wstring& source, const std::wstring& extension) {
    return library::PlaceCopyInLibrary(
        path, settings.libraryFolder, second, [&] { return title; }, nullptr, source, extension);
}

}  // namespace webimport
