#include "capture/ResponseIntake.h"

#include "capture/StoredDigests.h"
#include "platform/LongPath.h"
#include "library/ClipPlacement.h"
#include "probe/MediaProbe.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace capture {

bool IsSettled(ResponseOutcome outcome) { return outcome != ResponseOutcome::Failed; }

namespace {

// Large blocks: a range-played video is a hundred megabytes in 64 KiB records.
constexpr DWORD kAssemblyBlock = 1u << 20;

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring PathOf(const std::wstring& folder, const std::string& name) {
    std::wstring path = folder + L"\\" + Widen(name);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return platform::FileSystemPath(path);
}

// The browser keeps writing its other entries: the source is shared for reading and
// writing (and deleting), and only the ranges the reader vouched for are read.
platform::UniqueFile OpenShared(const std::wstring& path) {
    return platform::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Copies one range, checking the browser's digest of it on the way.
Assembly CopyRange(HANDLE source, const BodyRange& range, HANDLE destination, std::vector<char>& block) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(range.offset);
    if (!SetFilePointerEx(source, at, nullptr, FILE_BEGIN)) return Assembly::Unreadable;
    std::optional<DigestAccumulator> digest;
    if (range.digest) digest.emplace(range.digest->kind);
    std::uint64_t left = range.length;
    while (left > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(left, block.size()));
        DWORD read = 0;
        if (!ReadFile(source, block.data(), want, &read, nullptr) || read != want) return Assembly::Unreadable;
        if (digest) digest->Add(std::span(reinterpret_cast<const std::uint8_t*>(block.data()), read));
        if (!platform::WriteWholeBlock(destination, block.data(), read)) return Assembly::Unreadable;
        left -= read;
    }
    return digest && digest->Value() != range.digest->value ? Assembly::Damaged : Assembly::Written;
}

Assembly WriteRanges(const CachedResponse& response, const std::wstring& folder, HANDLE destination) {
    std::vector<char> block(kAssemblyBlock);
    std::wstring openName;
    platform::UniqueFile source;
    for (const BodyRange& range : response.body) {
        const std::wstring path = PathOf(folder, range.file);
        // Consecutive ranges mostly lie in one file: keep it open across them.
        if (path != openName) {
            source = OpenShared(path);
            openName = path;
        }
        if (!source) return Assembly::Unreadable;
        const Assembly copied = CopyRange(source.get(), range, destination, block);
        if (copied != Assembly::Written) return copied;
    }
    return Assembly::Written;
}

void MarkOwnFiles(const CachedResponse& response, const std::wstring& folder, std::wstring_view marker) {
    for (const std::string& file : response.ownFiles) titles::WriteTitle(PathOf(folder, file), std::wstring(marker));
}

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

Assembly AssembleBody(const CachedResponse& response, const std::wstring& folder, const std::wstring& destination) {
    platform::UniqueFile out(
        CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return Assembly::Unreadable;
    Assembly result = WriteRanges(response, folder, out.get());
    if (result == Assembly::Written && !FlushFileBuffers(out.get())) result = Assembly::Unreadable;
    out.reset();
    if (result != Assembly::Written) DeleteFileW(destination.c_str());
    return result;
}

ResponseOutcome IntakeCachedResponse(const CachedResponse& response, const std::wstring& folder,
                                     const FILETIME& created, const IntakeContext& context, std::wstring* clip) {
    if (response.state == BodyState::Incomplete) return ResponseOutcome::Incomplete;
    if (response.ownFiles.empty() || !PassesSizeRule(response.BodyLength())) return ResponseOutcome::NotCandidate;
    if (response.state == BodyState::Compressed) {
        // No zstd decoder is built in; the entry stays unmarked, so a later version
        // with one still finds it.
        OutputDebugStringW((L"Reelkeep: skipped a compressed cache entry of " + Widen(response.url) + L"\n").c_str());
        return ResponseOutcome::Compressed;
    }
    if (titles::ReadTitle(PathOf(folder, response.ownFiles.front())) != titles::kTitleNotSet)
        return ResponseOutcome::AlreadyMarked;
    switch (CheckStoredDigests(DiskCacheFiles(platform::FileSystemPath(folder)), response.otherDigests)) {
    case DigestCheck::Hold: break;
    case DigestCheck::Fail: return ResponseOutcome::Damaged;
    case DigestCheck::Unreadable: return ResponseOutcome::Failed;
    }

    const std::int32_t second = CreationSecond(FileTimeValue(created));
    CreateDirectoryW(library::IncomingFolder(context.libraryFolder).c_str(), nullptr);
    const std::wstring temporary = library::IncomingTemporaryName(context.libraryFolder, second);
    switch (AssembleBody(response, folder, temporary)) {
    case Assembly::Written: break;
    case Assembly::Unreadable: return ResponseOutcome::Failed;
    case Assembly::Damaged: return ResponseOutcome::Damaged;
    }
    const probe::MediaProbeResult probe = probe::ProbeMedia(temporary, context.ffmpegPath);
    const bool keepSilent = context.keepSilentClips && context.keepSilentClips();
    // A hung tool, or one that could not start or was something else in its place, says
    // nothing about the body: the entry stays unmarked for a pass with a working tool.
    const bool answered = !probe.timedOut && IsToolReport(probe.report);
    const IntakeVerdict verdict =
        answered ? JudgeProbeReport(probe.report, keepSilent, temporary) : IntakeVerdict::Keep;
    if (!answered || verdict != IntakeVerdict::Keep) {
        DeleteFileW(temporary.c_str());
        if (!answered) return ResponseOutcome::Failed;
        const bool silent = verdict == IntakeVerdict::SilentVideo;
        MarkOwnFiles(response, folder, silent ? titles::kTitleFlvAd : titles::kTitleNotFlv);
        return silent ? ResponseOutcome::MarkedSilent : ResponseOutcome::MarkedNotVideo;
    }
    std::wstring copy = FindEqualClip(temporary, context.libraryFolder, second, response.BodyLength());
    const bool fresh = copy.empty();
    if (fresh) {
        MovieNumbers& numbers = context.numbers ? *context.numbers : ProcessMovieNumbers();
        copy = library::PlaceCopyInLibrary(
            temporary, context.libraryFolder, second,
            [&] { return std::wstring(titles::kTitleMoviePrefix) + NextMovieNumber(context.libraryFolder, numbers); },
            &created, Widen(response.url));
    } else {
        DeleteFileW(temporary.c_str());
    }
    if (copy.empty()) return ResponseOutcome::Failed;
    MarkOwnFiles(response, folder, titles::kTitleFlv);
    if (clip) *clip = copy;
    if (fresh && context.clipAdded) context.clipAdded(copy);
    return ResponseOutcome::Copied;
}

}  // namespace capture
