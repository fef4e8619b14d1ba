#include "webimport/ImportChannel.h"

#include "webimport/ImportMessages.h"
#include "webimport/ImportTexts.h"

namespace webimport {

namespace {

constexpr ULONGLONG kProgressIntervalMs = 100;

}  // namespace

ImportChannel::~ImportChannel() {
    if (ended_) return;
    try {
        Fail(kDownloadBrokeOff);
    } catch (...) {
        // Out of memory for the words themselves: the dialog is left to its Stop button.
    }
    job_->DiscardUnfinished();
}

void ImportChannel::Tell(UINT message, const void* data) const {
    if (job_->halted) return;
    SendMessageW(dialog_, message, reinterpret_cast<WPARAM>(job_.get()), reinterpret_cast<LPARAM>(data));
}

void ImportChannel::Caption(std::wstring_view text) const {
    const std::wstring caption(text);
    Tell(WM_IMPORT_CAPTION, &caption);
}

void ImportChannel::Range(const DownloadProgress& total) const { Tell(WM_IMPORT_RANGE, &total); }

void ImportChannel::Progress(const DownloadProgress& progress, bool last) {
    const ULONGLONG now = GetTickCount64();
    if (!last && now - lastProgress_ < kProgressIntervalMs) return;
    lastProgress_ = now;
    Tell(WM_IMPORT_PROGRESS, &progress);
}

void ImportChannel::Fail(std::wstring_view text) const {
    ended_ = true;
    const std::wstring message(text);
    Tell(WM_IMPORT_FAILED, &message);
}

void ImportChannel::Done() const {
    ended_ = true;
    job_->finished = true;
    Tell(WM_IMPORT_DONE);
}

}  // namespace webimport
