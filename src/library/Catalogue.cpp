#include "library/Catalogue.h"

#include "framework/WindowMessages.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "library/ClipRecord.h"
#include "library/ClipRecordText.h"
#include "library/MediaProbe.h"
#include "library/TitleMarkers.h"
#include "library/TitleStore.h"

#include <mutex>
#include <optional>

namespace library {

namespace {

constexpr DWORD kFilterRefreshIntervalMs = 60'000;

std::mutex& BuildMutex() {
    static std::mutex mutex;
    return mutex;
}

// The window thread must go on serving the messages that a running build sends it
// while it waits for its own turn; blocking there would deadlock both.
std::unique_lock<std::mutex> LockBuilds(HWND window) {
    std::unique_lock<std::mutex> lock(BuildMutex(), std::defer_lock);
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        lock.lock();
        return lock;
    }
    while (!lock.try_lock()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return lock;
}

LocalDateTime LocalCreationTime(const FILETIME& created) {
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    FileTimeToSystemTime(&created, &universal);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    return LocalDateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

bool IsListed(HWND window, const std::wstring& path) {
    return SendMessageW(window, framework::WM_CATALOGUE_IS_LISTED, 0, reinterpret_cast<LPARAM>(&path)) != 0;
}

std::optional<ClipFilter> ReadFilter(HWND window) {
    std::optional<ClipFilter> filter;
    SendMessageW(window, framework::WM_CATALOGUE_READ_FILTER, 0, reinterpret_cast<LPARAM>(&filter));
    return filter;
}

// One clip's row, or nothing when the clip is not to be listed.
std::optional<ClipRecord> MakeRecord(const WIN32_FIND_DATAW& entry, const std::wstring& path,
                                     const LocalDateTime& created, std::optional<std::wstring> storedTitle,
                                     const std::wstring& ffmpeg) {
    const MediaProbeResult probe = ProbeMedia(path, ffmpeg);
    if (!ReportListsClip(probe.report, path)) return std::nullopt;
    if (!storedTitle) storedTitle = ReadTitle(path);
    const std::wstring title = DisplayTitle(*storedTitle, entry.cFileName);
    if (title == kTitleToDelete) return std::nullopt;

    const std::uint64_t size = platform::FileSizeOf(entry);
    const ProbeFields& fields = probe.fields;
    return ClipRecord{title,        DateText(created), TimeText(created), SizeText(size),
                      fields.duration, fields.resolution, fields.frameRate, fields.bitRate,
                      path,         fields.video,      fields.audio};
}

}  // namespace

CatalogueSource DefaultCatalogueSource() { return CatalogueSource{platform::LibraryFolder(), DefaultFfmpegPath()}; }

int BuildClipList(HWND window, bool skipListed, const ClipFilter& filter, const CatalogueSource& source) {
    int inserted = 0;
    platform::ForEachFile(source.folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = source.folder + entry.cFileName;
        const LocalDateTime created = LocalCreationTime(entry.ftCreationTime);
        std::optional<std::wstring> title;
        if (!AdmitsClip(filter, created, [&] { return *(title = ReadTitle(path)); })) return;
        // A listed clip is known before its probe, which is the costly step.
        if (skipListed && IsListed(window, path)) return;
        const std::optional<ClipRecord> record = MakeRecord(entry, path, created, title, source.ffmpeg);
        if (!record) return;
        const LRESULT row = SendMessageW(window, framework::WM_CATALOGUE_INSERT, skipListed ? 1 : 0,
                                         reinterpret_cast<LPARAM>(&*record));
        if (row >= 0) ++inserted;
    });
    return inserted;
}

void RefreshClipList(HWND window, const CatalogueSource& source) {
    auto lock = LockBuilds(window);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, true, *filter, source);
    SendMessageW(window, framework::WM_CATALOGUE_BUILD_DONE, 0, 0);
}

void RebuildClipList(HWND window, const CatalogueSource& source) {
    auto lock = LockBuilds(window);
    SendMessageW(window, framework::WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
    if (const std::optional<ClipFilter> filter = ReadFilter(window)) BuildClipList(window, false, *filter, source);
    SendMessageW(window, framework::WM_CATALOGUE_BUILD_DONE, 0, 0);
    SendMessageW(window, framework::WM_CATALOGUE_REBUILD_END, 0, 0);
}

void FilterRefresher(HWND window) {
    for (;;) {
        Sleep(kFilterRefreshIntervalMs);
        SendMessageW(window, framework::WM_FILTER_REFRESH, 0, 0);
    }
}

}  // namespace library
