#pragma once
// The worker's side of its talk with the import dialog: every word is dropped once the
// download is halted, so a stopped worker changes nothing the user sees. Its last word,
// "done" or a failure, is said whatever way the worker ends: a worker that breaks off
// without one says so from the channel's destructor, and what it was writing goes.
#include "webimport/ImportJob.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace webimport {

class ImportChannel {
public:
    ImportChannel(std::shared_ptr<DownloadJob> job, HWND dialog) : job_(std::move(job)), dialog_(dialog) {}
    ~ImportChannel();
    ImportChannel(const ImportChannel&) = delete;
    ImportChannel& operator=(const ImportChannel&) = delete;

    DownloadJob& job() const { return *job_; }
    bool halted() const { return job_->halted; }

    void Caption(std::wstring_view text) const;
    // The progress bar's range and unit; `total` 0 when it is not known.
    void Range(const DownloadProgress& total) const;
    // At most ten a second: each one waits for the dialog to repaint. `last` always goes.
    void Progress(const DownloadProgress& progress, bool last = false);
    void Fail(std::wstring_view text) const;
    void Done() const;

private:
    void Tell(UINT message, const void* data = nullptr) const;

    std::shared_ptr<DownloadJob> job_;
    HWND dialog_;
    ULONGLONG lastProgress_ = 0;
    mutable bool ended_ = false;
};

}  // namespace webimport
