#include "capture/Intake.h"

#include "library/ClipPlacement.h"
#include "library/ClipRecordText.h"
#include "library/ImportRules.h"
#include "platform/FileValues.h"
#include "platform/Paths.h"
#include "platform/UniqueHandle.h"
#include "probe/MediaProbe.h"
#include "titles/FolderTitles.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <cstring>

namespace capture {

std::wstring NextMovieNumber(MovieNumbers& numbers) {
    return numbers.NextText([](const std::wstring& clip) { return platform::FileExists(clip); });
}

namespace {

bool SameBytes(const std::wstring& first, const std::wstring& second) {
    platform::UniqueFile a(
        CreateFileW(first.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    platform::UniqueFile b(
        CreateFileW(second.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!a || !b) return false;
    char blockA[4096];
    char blockB[4096];
    for (;;) {
        DWORD readA = 0;
        DWORD readB = 0;
        if (!ReadFile(a.get(), blockA, sizeof blockA, &readA, nullptr)) return false;
        if (!ReadFile(b.get(), blockB, sizeof blockB, &readB, nullptr)) return false;
        if (readA != readB || std::memcmp(blockA, blockB, readA) != 0) return false;
        if (readA == 0) return true;
    }
}

}  // namespace

std::wstring FindEqualClip(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                           std::uint64_t size) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = libraryFolder + library::LibraryClipName(second, attempt);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(candidate.c_str(), GetFileExInfoStandard, &data)) return {};
        if (platform::FileSizeOf(data) == size && SameBytes(source, candidate)) return candidate;
    }
    return {};
}

namespace {

std::uint64_t CurrentSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return platform::FileSizeOf(data);
}

// Copies the cache file into the library, titled and dated, and returns the clip's path;
// empty when nothing was added.
std::wstring MakeLibraryCopy(const std::wstring& path, const WIN32_FIND_DATAW& entry, const IntakeContext& context) {
    MovieNumbers& numbers = context.numbers ? *context.numbers : ProcessMovieNumbers();
    std::wstring number;
    std::wstring clip = library::PlaceClipInLibrary(
        path, context.libraryFolder, CreationSecond(platform::FileTimeValue(entry.ftCreationTime)),
        [&] {
            number = NextMovieNumber(numbers);
            return std::wstring(titles::kTitleMoviePrefix) + number;
        },
        &entry.ftCreationTime, context.writeBlock);
    if (!clip.empty()) numbers.Given(number, clip);
    return clip;
}

}  // namespace

IntakeOutcome IntakeCacheFile(const std::wstring& path, const WIN32_FIND_DATAW& entry, const IntakeContext& context,
                              std::wstring* clip) {
    const probe::MediaProbeResult probe = probe::ProbeMedia(path, context.ffmpegPath);
    if (probe.timedOut) return IntakeOutcome::ProbeTimedOut;
    // A tool that could not start, or something else in its place, says nothing about
    // the file: it stays unmarked for the pass after the tool is mended.
    if (!IsToolReport(probe.report)) return IntakeOutcome::NoToolReport;
    const bool keepSilent = context.keepSilentClips && context.keepSilentClips();
    switch (JudgeProbeReport(probe.report, keepSilent, path)) {
    case IntakeVerdict::NotVideo:
        titles::WriteTitle(path, std::wstring(titles::kTitleNotFlv));
        return IntakeOutcome::MarkedNotVideo;
    case IntakeVerdict::SilentVideo:
        titles::WriteTitle(path, std::wstring(titles::kTitleFlvAd));
        return IntakeOutcome::MarkedSilent;
    case IntakeVerdict::Keep: break;
    }
    const std::int32_t second = CreationSecond(platform::FileTimeValue(entry.ftCreationTime));
    std::wstring copy = FindEqualClip(path, context.libraryFolder, second, CurrentSize(path));
    const bool fresh = copy.empty();
    if (fresh) copy = MakeLibraryCopy(path, entry, context);
    if (copy.empty()) return IntakeOutcome::CopyFailed;
    titles::WriteTitle(path, std::wstring(titles::kTitleFlv));
    if (clip) *clip = copy;
    if (fresh && context.clipAdded)
        context.clipAdded({copy, library::ReportListsClip(probe.report, path), probe.fields});
    return IntakeOutcome::Copied;
}

}  // namespace capture
