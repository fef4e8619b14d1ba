#include "intake/IncomingClip.h"

#include "library/ClipPlacement.h"
#include "platform/ProcessRunner.h"
#include "platform/UniqueHandle.h"
#include "probe/MediaProbe.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

namespace intake {

IncomingFile::IncomingFile(const std::wstring& libraryFolder, std::int32_t second)
    : path_(library::IncomingTemporaryName(libraryFolder, second)) {
    CreateDirectoryW(library::IncomingFolder(libraryFolder).c_str(), nullptr);
}

IncomingFile::~IncomingFile() {
    if (!released_) DeleteFileW(path_.c_str());
}

namespace {

MadeClip Judge(const std::wstring& ffmpegPath, const std::wstring& path, std::optional<std::uint32_t> exitCode,
               const Expectation& expected) {
    MadeClip made;
    if (exitCode && *exitCode == 0) {
        const probe::MediaProbeResult probe = probe::ProbeMedia(path, ffmpegPath);
        if (!probe.timedOut) made.report = ReadClipReport(probe.report);
        made.fields = probe.fields;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::uint64_t bytes = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)
                                    ? (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow
                                    : 0;
    made.verdict = JudgeMadeClip(exitCode, made.report, expected, bytes);
    return made;
}

}  // namespace

MadeClip MakeClip(const std::wstring& ffmpegPath, const CopyOrJoin& job, std::chrono::milliseconds timeout,
                  const Expectation& expected) {
    const std::wstring command = CopyOrJoinCommandLine(ffmpegPath, job);
    if (command.empty()) return {};
    const platform::CapturedRun run = platform::RunAndCapture(command, timeout);
    const bool ended = run.started && !run.timedOut && run.exitCode != STILL_ACTIVE;
    MadeClip made = Judge(ffmpegPath, job.output, ended ? std::optional(run.exitCode) : std::nullopt, expected);
    made.timedOut = run.timedOut;
    return made;
}

MadeClip CheckClip(const std::wstring& ffmpegPath, const std::wstring& path, const Expectation& expected) {
    return Judge(ffmpegPath, path, 0u, expected);
}

std::wstring PlaceFile(const std::wstring& incoming, const Placement& placement, std::wstring_view extension) {
    return library::PlaceCopyInLibrary(incoming, placement.libraryFolder, placement.second, placement.title,
                                       placement.created, placement.sourceUrl, extension, placement.pageUrl);
}

std::wstring PlaceClip(IncomingFile& file, const Placement& placement) {
    const std::wstring clip = PlaceFile(file.path(), placement, ExtensionOf(placement.container));
    // Placed or deleted: either way nothing of it is left to clear.
    file.Released();
    return clip;
}

bool SwapInGrownClip(const std::wstring& clip, IncomingFile& grown) {
    const std::wstring title = titles::ReadTitle(clip);
    const std::wstring address = titles::ReadSourceUrl(clip);
    const std::wstring page = titles::ReadPageUrl(clip);
    // A title that cannot be read now would be lost with the old file.
    if (title == titles::kTitleNotSet) return false;
    FILETIME created{};
    {
        platform::UniqueFile old(CreateFileW(clip.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        if (!old || !GetFileTime(old.get(), &created, nullptr, nullptr)) return false;
    }
    {
        // The clip's date is its creation time; Wine shows the write time in its place.
        platform::UniqueFile made(CreateFileW(grown.path().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        if (!made || !SetFileTime(made.get(), &created, nullptr, &created)) return false;
    }
    titles::WriteTitle(grown.path(), title);
    if (!address.empty()) titles::WriteSourceUrl(grown.path(), address);
    if (!page.empty()) titles::WritePageUrl(grown.path(), page);
    if (!ReplaceFileW(clip.c_str(), grown.path().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) &&
        !MoveFileExW(grown.path().c_str(), clip.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    grown.Released();
    // Where titles are kept by file identity, the clip now is the new file: say it again.
    titles::WriteTitle(clip, title);
    if (!address.empty()) titles::WriteSourceUrl(clip, address);
    if (!page.empty()) titles::WritePageUrl(clip, page);
    return true;
}

}  // namespace intake
