#include "webimport/ImportedClip.h"

#include "intake/IncomingClip.h"
#include "library/ClipPlacement.h"
#include "probe/MediaProbe.h"
#include "webimport/PageScrape.h"

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
    intake::Placement placement;
    placement.libraryFolder = settings.libraryFolder;
    placement.second = second;
    placement.sourceUrl = source;
    placement.title = [&] { return ImportedClipTitle(title, source); };
    if (!probed.extension.empty()) {
        const std::wstring placed = intake::PlaceFile(path, placement, probed.extension);
        if (placed.empty()) return false;
        if (settings.clipArrived) settings.clipArrived({placed, true, probed.fields});
        return true;
    }
    // A container the tool could not name is rewritten into the container of its codecs,
    // as a capture of the same file would be.
    placement.container = intake::ContainerForCodecs(probed.videoCodec, probed.audioCodec);
    intake::IncomingFile made(settings.libraryFolder, second);
    intake::CopyOrJoin job;
    job.picture.location = path;
    job.container = placement.container;
    job.output = made.path();
    const intake::MadeClip clip = intake::MakeClip(settings.ffmpegPath, job, std::chrono::minutes(10),
                                                   {true, !probed.audioCodec.empty(), probed.seconds, 0});
    DeleteFileW(path.c_str());
    if (!clip.good()) return false;
    const std::wstring placed = intake::PlaceClip(made, placement);
    if (placed.empty()) return false;
    if (settings.clipArrived) settings.clipArrived({placed, true, clip.fields});
    return true;
}

}  // namespace webimport
