#pragma once
// The download worker of the import dialog: reads the watch page, finds the stream, and
// writes it into the library, telling the dialog each step through its messages.
#include "platform/HttpClient.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace webimport {

// Where an import goes and how it talks. Tests give a scratch library, their own server
// and a short time-out.
struct ImportSettings {
    std::wstring libraryFolder;  // ends with a backslash
    std::wstring ffmpegPath;     // probes addresses that answer with a video directly
    std::wstring siteUrl;        // the host that stream requests go to
    DWORD timeoutMs = platform::kHttpTimeoutMs;
};
// The site of this build, or REELKEEP_SITE_URL when that is set.
std::wstring SiteUrl();

// One download, shared by the dialog and its worker. The worker touches the file only
// under the lock and only while not halted; the dialog halts under the same lock and then
// owns whatever file is left open. The worker never holds the lock while it talks to the
// dialog, so neither ever waits for the other for longer than one write.
struct DownloadJob {
    std::atomic<bool> halted{false};
    std::atomic<bool> finished{false};
    std::mutex mutex;
    platform::UniqueFile file;
    std::wstring path;

    // Halts the worker; a file it left open is closed and marked for deletion.
    void Stop();
};

struct DownloadProgress {
    std::uint64_t received = 0;
    std::uint64_t total = 0;
};

// Runs one download of `address` for the dialog `dialog`; the dialog has already shown
// its busy state.
void RunDownload(const std::shared_ptr<DownloadJob>& job, HWND dialog, const std::wstring& address,
                 const ImportSettings& settings);

// The report when the library will not take the file.
inline constexpr wchar_t kCannotWriteClip[] = L"The video could not be saved in the library folder.";

}  // namespace webimport
