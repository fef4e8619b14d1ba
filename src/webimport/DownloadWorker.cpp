#include "webimport/DownloadWorker.h"

#include "framework/WindowMessages.h"
#include "library/ClipRecordText.h"
#include "library/ImportRules.h"
#include "probe/MediaProbe.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "webimport/ImportTexts.h"
#include "webimport/PageScrape.h"

#include <ctime>

namespace webimport {

namespace {

constexpr DWORD kPieceSize = 1024;
constexpr ULONGLONG kProgressIntervalMs = 100;
using Read = platform::HttpResponse::Read;

// The worker's side of one download: every word to the dialog is dropped once halted.
class Download {
public:
    Download(const std::shared_ptr<DownloadJob>& job, HWND dialog, const ImportSettings& settings)
        : job_(job), dialog_(dialog), settings_(settings), session_(std::wstring(kUserAgent), settings.timeoutMs) {}

    void Run(const std::wstring& address);

private:
    void Tell(UINT message, const void* data = nullptr) const {
        if (job_->halted) return;
        SendMessageW(dialog_, message, reinterpret_cast<WPARAM>(job_.get()), reinterpret_cast<LPARAM>(data));
    }
    void Fail(std::wstring_view text) const {
        const std::wstring message(text);
        Tell(framework::WM_IMPORT_FAILED, &message);
    }
    // The request failed before any file: a halt ends quietly, the rest is reported.
    void FailRequest(platform::HttpFailure failure) const {
        if (failure == platform::HttpFailure::BadAddress) Fail(kInvalidAddress);
        if (failure == platform::HttpFailure::Network) Fail(kNetworkFailure);
    }
    bool ReadPage(platform::HttpResponse& response, std::wstring& page) const;
    void SaveClip(platform::HttpResponse& response, const std::wstring& title, bool probeFirst);
    bool CreateClipFile();
    bool WritePiece(const char* piece, DWORD size);
    // Closes the file; with `mark`, titles it for deletion. False once halted.
    bool CloseFile(bool mark);
    // The library's own rule, so that what lands here is listed.
    bool IsVideo(const std::wstring& path) const {
        return library::ReportListsClip(probe::ProbeMedia(path, settings_.ffmpegPath).report, path);
    }

    std::shared_ptr<DownloadJob> job_;
    HWND dialog_;
    const ImportSettings& settings_;
    platform::HttpSession session_;
};

void Download::Run(const std::wstring& address) {
    platform::HttpResponse response;
    const auto failure = session_.Get(address, response, &job_->halted);
    if (failure != platform::HttpFailure::None) return FailRequest(failure);
    if (response.status() != 200) return Fail(kInvalidAddress);
    // Today's sites rarely serve the old markers; an address of the video itself is taken
    // as it is.
    if (IsDirectVideoType(response.Header(HTTP_QUERY_CONTENT_TYPE)))
        return SaveClip(response, DirectVideoTitle(address), true);

    const std::wstring reading(kReadingPage);
    Tell(framework::WM_IMPORT_CAPTION, &reading);
    std::wstring page;
    if (!ReadPage(response, page)) return;
    response = platform::HttpResponse();
    const PageValues values = ScrapePage(page);
    if (!values.Complete()) return Fail(kInvalidAddress);

    const auto streamFailure =
        session_.Get(StreamAddress(settings_.siteUrl, values.identifier, values.token), response, &job_->halted);
    if (streamFailure != platform::HttpFailure::None) return FailRequest(streamFailure);
    SaveClip(response, values.title, false);
}

bool Download::ReadPage(platform::HttpResponse& response, std::wstring& page) const {
    char piece[kPieceSize];
    DWORD got = 0;
    Read read;
    while ((read = response.ReadPiece(piece, kPieceSize, got)) == Read::Data)
        page += platform::AnsiToWide(std::string_view(piece, got));
    if (read == Read::Failed) Fail(kNetworkFailure);
    return read == Read::End;
}

void Download::SaveClip(platform::HttpResponse& response, const std::wstring& title, bool probeFirst) {
    const std::uint64_t total = response.ContentLength().value_or(0);
    if (response.status() != 200 || total == 0) return Fail(kInvalidAddress);
    Tell(framework::WM_IMPORT_RANGE, &total);
    if (!CreateClipFile()) return Fail(kCannotWriteClip);

    char piece[kPieceSize];
    DWORD got = 0;
    Read read;
    DownloadProgress progress{0, total};
    ULONGLONG lastShown = 0;
    while ((read = response.ReadPiece(piece, kPieceSize, got)) == Read::Data) {
        if (!WritePiece(piece, got)) {
            if (CloseFile(true)) Fail(kCannotWriteClip);
            return;
        }
        progress.received += got;
        // One kilobyte at a time would be thousands of cross-thread calls a second; ten a
        // second read as smooth, and each one waits for the dialog to repaint.
        const ULONGLONG now = GetTickCount64();
        if (now - lastShown >= kProgressIntervalMs || progress.received == total) {
            lastShown = now;
            Tell(framework::WM_IMPORT_PROGRESS, &progress);
        }
    }
    if (read == Read::Halted) return;
    if (read == Read::Failed) {
        if (CloseFile(true)) Fail(kNetworkFailure);
        return;
    }
    if (!CloseFile(false)) return;
    const std::wstring path = job_->path;
    if (probeFirst && !IsVideo(path)) {
        // Not a video after all: nothing of it stays in the library.
        DeleteFileW(path.c_str());
        return Fail(kInvalidAddress);
    }
    if (job_->halted) return;
    if (!title.empty()) titles::WriteTitle(path, title);
    job_->finished = true;
    Tell(framework::WM_IMPORT_DONE);
}

bool Download::CreateClipFile() {
    const auto second = static_cast<std::int32_t>(std::time(nullptr));
    std::lock_guard lock(job_->mutex);
    if (job_->halted) return true;
    // Two downloads in one second keep both clips: a taken name is never replaced.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring path = settings_.libraryFolder + library::LibraryClipName(second, attempt);
        job_->file.reset(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = GetLastError();
        if (job_->file) {
            job_->path = path;
            return true;
        }
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool Download::WritePiece(const char* piece, DWORD size) {
    std::lock_guard lock(job_->mutex);
    if (job_->halted || !job_->file) return true;
    DWORD written = 0;
    return WriteFile(job_->file.get(), piece, size, &written, nullptr) && written == size;
}

bool Download::CloseFile(bool mark) {
    std::unique_lock lock(job_->mutex);
    if (job_->halted) return false;
    job_->file.reset();
    lock.unlock();
    if (mark) titles::WriteTitle(job_->path, std::wstring(titles::kTitleToDelete));
    return true;
}

}  // namespace

void DownloadJob::Stop() {
    std::unique_lock lock(mutex);
    halted = true;
    if (!file) return;
    file.reset();
    lock.unlock();
    // The partial file goes at the next start.
    titles::WriteTitle(path, std::wstring(titles::kTitleToDelete));
}

void RunDownload(const std::shared_ptr<DownloadJob>& job, HWND dialog, const std::wstring& address,
                 const ImportSettings& settings) {
    Download(job, dialog, settings).Run(address);
}

std::wstring SiteUrl() { return platform::EnvironmentOr(L"REELKEEP_SITE_URL", kDefaultSiteUrl); }

}  // namespace webimport
