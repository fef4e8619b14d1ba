#pragma once
// What the import dialog, its download worker and the worker's steps share: where an import
// goes, the download they all hold, and the progress they report.
#include "library/ClipArrival.h"
#include "platform/HttpClient.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace webimport {

// Where an import goes and how it talks. Tests give a scratch library, their own server
// and a short time-out.
struct ImportSettings {
    std::wstring libraryFolder;  // ends with a backslash
    std::wstring ffmpegPath;     // probes what came, and copies playlists' streams
    std::wstring siteUrl;        // the host that stream requests of old watch pages go to
    DWORD timeoutMs = platform::kHttpTimeoutMs;
    // Told of each clip the import put into the library, from the worker's thread.
    std::function<void(const library::ArrivedClip&)> clipArrived = nullptr;
};
// The site of this build, or REELKEEP_SITE_URL when that is set.
std::wstring SiteUrl();

// One download, shared by the dialog and its worker. The worker touches the file only
// under the lock and only while not halted; the dialog halts under the same lock and then
// owns whatever file is left open. The worker never holds the lock while it talks to the
// dialog, so neither ever waits for the other for longer than one write.
struct DownloadJob {
    DownloadJob();

    std::atomic<bool> halted{false};
    std::atomic<bool> finished{false};
    // Set with `halted`: wakes a worker that waits on a tool.
    platform::UniqueHandle haltEvent;
    std::mutex mutex;
    platform::UniqueFile file;
    // The unfinished download, in the library's incoming folder.
    std::wstring path;

    // Halts the worker; a file it left open is closed and deleted, since nothing
    // unfinished may reach the library. A tool it runs ends, and the worker deletes what
    // that tool was writing.
    void Stop();
    // Closes and deletes a file the worker left open.
    void DiscardUnfinished();
};

struct DownloadProgress {
    enum class Unit { Bytes, Seconds };
    std::uint64_t received = 0;
    std::uint64_t total = 0;  // 0: not known
    Unit unit = Unit::Bytes;
};

// The report when the library will not take the file.
inline constexpr wchar_t kCannotWriteClip[] = L"The video could not be saved in the library folder.";

}  // namespace webimport
