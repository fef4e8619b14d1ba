#include "webimport/ImportChannel.h"

#include "framework/WindowMessages.h"

namespace webimport {

namespace {

constexpr ULONGLONG kProgressIntervalMs = 100;

}  // namespace

void ImportChannel::Tell(UINT message, const void* data) const {
    if (job_->halted) return;
    SendMessageW(dialog_, message, reinterpret_cast<WPARAM>(job_.get()), reinterpret_cast<LPARAM>(data));
}

void ImportChannel::Caption(std::wstring_view text) const {
    const std::wstring caption(text);
    Tell(framework::WM_IMPORT_CAPTION, &caption);
}

void ImportChannel::Range(const DownloadProgress& total) const { Tell(framework::WM_IMPORT_RANGE, &total); }

void ImportChannel::Progress(const DownloadProgress& progress, bool last) {
    const ULONGLONG now = GetTickCount64();
    if (!last && now - lastProgress_ < kProgressIntervalMs) return;
    lastProgress_ = now;
    Tell(framework::WM_IMPORT_PROGRESS, &progress);
}

void ImportChannel::Fail(std::wstring_view text) const {
    const std::wstring message(text);
    Tell(framework::WM_IMPORT_FAILED, &message);
}

void ImportChannel::Done() const {
    job_->finished = true;
    Tell(framework::WM_IMPORT_DONE);
}

}  // namespace webimport
