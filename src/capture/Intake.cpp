#include "capture/Intake.h"

#include "capture/LongPath.h"
#include "library/MediaProbe.h"
#include "library/TitleMarkers.h"
#include "library/TitleStore.h"
#include "platform/UniqueHandle.h"

#include <atomic>
#include <cstring>

namespace capture {

MovieNumbers& ProcessMovieNumbers() {
    // Touched only by the watcher thread, as the numbering is one per process.
    static MovieNumbers numbers;
    return numbers;
}

std::wstring IncomingFolder(const std::wstring& libraryFolder) { return libraryFolder + L".incoming\\"; }

void ClearIncomingFolder(const std::wstring& libraryFolder) {
    if (libraryFolder.empty()) return;
    const std::wstring folder = IncomingFolder(libraryFolder);
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        DeleteFileW((folder + entry.cFileName).c_str());
    } while (FindNextFileW(search.get(), &entry));
}

std::wstring NextMovieNumber(const std::wstring& libraryFolder, MovieNumbers& numbers) {
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirstFileW((libraryFolder + L"*").c_str(), &entry));
    if (search) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            numbers.See(library::ReadTitle(libraryFolder + entry.cFileName));
        } while (FindNextFileW(search.get(), &entry));
    }
    return numbers.NextText();
}

namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::wstring TemporaryName(const std::wstring& libraryFolder, std::int32_t second) {
    static std::atomic<unsigned> counter{0};
    return IncomingFolder(libraryFolder) + std::to_wstring(second) + L"-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(++counter) + L".part";
}

void SetCreationTime(const std::wstring& path, const FILETIME& created) {
    platform::UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) SetFileTime(file.get(), &created, nullptr, nullptr);
}

// Renames the finished copy to the first free name of its second. A name already taken
// is never replaced: the rename itself refuses, so two captures cannot race for a name.
std::wstring MoveIntoLibrary(const std::wstring& temporary, const std::wstring& libraryFolder, std::int32_t second) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring target = libraryFolder + LibraryClipName(second, attempt);
        if (MoveFileExW(temporary.c_str(), target.c_str(), 0)) return target;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return {};
    }
    return {};
}

bool SameBytes(const std::wstring& first, const std::wstring& second) {
    platform::UniqueFile a(CreateFileW(first.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
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

// A cache file whose marker could not be written comes back on the next pass: when the
// library already holds a byte-equal copy under its second, that copy is the one to use,
// or every pass would add another.
std::wstring FindEqualClip(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                           std::uint64_t size) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = libraryFolder + LibraryClipName(second, attempt);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(candidate.c_str(), GetFileExInfoStandard, &data)) return {};
        const std::uint64_t candidateSize = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (candidateSize == size && SameBytes(source, candidate)) return candidate;
    }
    return {};
}

std::uint64_t CurrentSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Copies the cache file into the library, titled and dated, and returns the clip's path;
// empty when nothing was added.
std::wstring MakeLibraryCopy(const std::wstring& path, const WIN32_FIND_DATAW& entry, const IntakeContext& context) {
    MovieNumbers& numbers = context.numbers ? *context.numbers : ProcessMovieNumbers();
    return PlaceClipInLibrary(
        path, context.libraryFolder, CreationSecond(FileTimeValue(entry.ftCreationTime)),
        [&] { return std::wstring(library::kTitleMoviePrefix) + NextMovieNumber(context.libraryFolder, numbers); },
        &entry.ftCreationTime, context.writeBlock);
}

}  // namespace

std::wstring PlaceClipInLibrary(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                                const std::function<std::wstring()>& title, const FILETIME* created,
                                const BlockWriter& writeBlock) {
    CreateDirectoryW(IncomingFolder(libraryFolder).c_str(), nullptr);
    const std::wstring temporary = TemporaryName(libraryFolder, second);
    const BlockWriter& writer = writeBlock ? writeBlock : BlockWriter(WriteWholeBlock);
    if (!CopyWholeFile(source, temporary, writer)) return {};
    // Titled and dated before it is moved in, so no list build sees the clip half-made.
    library::WriteTitle(temporary, title());
    if (created != nullptr) SetCreationTime(temporary, *created);
    std::wstring clip = MoveIntoLibrary(temporary, libraryFolder, second);
    if (clip.empty()) {
        library::WriteTitle(temporary, L"");
        DeleteFileW(temporary.c_str());
    }
    return clip;
}

IntakeOutcome IntakeCacheFile(const std::wstring& path, const WIN32_FIND_DATAW& entry, const IntakeContext& context,
                              std::wstring* clip) {
    const library::MediaProbeResult probe = library::ProbeMedia(path, context.ffmpegPath);
    if (probe.timedOut) return IntakeOutcome::ProbeTimedOut;
    const bool keepSilent = context.keepSilentClips && context.keepSilentClips();
    switch (JudgeProbeReport(probe.report, keepSilent)) {
    case IntakeVerdict::NotVideo:
        library::WriteTitle(path, std::wstring(library::kTitleNotFlv));
        return IntakeOutcome::MarkedNotVideo;
    case IntakeVerdict::SilentVideo:
        library::WriteTitle(path, std::wstring(library::kTitleFlvAd));
        return IntakeOutcome::MarkedSilent;
    case IntakeVerdict::Keep:
        break;
    }
    const std::int32_t second = CreationSecond(FileTimeValue(entry.ftCreationTime));
    std::wstring copy = FindEqualClip(path, context.libraryFolder, second, CurrentSize(path));
    const bool fresh = copy.empty();
    if (fresh) copy = MakeLibraryCopy(path, entry, context);
    if (copy.empty()) return IntakeOutcome::CopyFailed;
    library::WriteTitle(path, std::wstring(library::kTitleFlv));
    if (clip) *clip = copy;
    if (fresh && context.clipAdded) context.clipAdded(copy);
    return IntakeOutcome::Copied;
}

}  // namespace capture
