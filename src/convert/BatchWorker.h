#pragma once
// The batch dialog's worker: converts its rows one after the other and tells the dialog
// how far it got through posted messages. It gets values and a window, never the dialog.
#include "convert/ConvertJob.h"
#include "convert/ConvertRunner.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace convert {

// It posts WM_BATCH_ROW_STARTED and WM_BATCH_ROW_FINISHED around each row, and
// WM_CONVERT_PROGRESS and WM_CONVERT_FINISHED as a single run does (convert/ConvertMessages.h).

struct BatchOrder {
    HWND dialog = nullptr;
    WPARAM batchNumber = 0;
    std::wstring toolFolder;
    std::vector<ConvertJob> jobs;           // in the order they run
    std::vector<std::wstring> temporaries;  // one per job
};

struct RowFailure {
    std::wstring file;  // name and extension
    std::wstring reason;
};

class BatchWorker {
public:
    BatchWorker() = default;
    // A worker never outlives its dialog: the dialog's end waits for it, which is short,
    // since a halted run returns at once and the worker never waits for the window.
    ~BatchWorker() {
        Halt();
        Join();
    }
    BatchWorker(const BatchWorker&) = delete;
    BatchWorker& operator=(const BatchWorker&) = delete;

    void Start(BatchOrder order);
    void Halt() {
        if (run_) run_->Halt();
    }
    void Join();
    bool running() const { return thread_.joinable(); }
    // Read after WM_CONVERT_FINISHED.
    std::vector<RowFailure> failures();
    int converted();

private:
    void Run(const BatchOrder& order);

    std::thread thread_;
    std::unique_ptr<ConversionRun> run_;
    std::mutex lock_;
    std::vector<RowFailure> failures_;
    int converted_ = 0;
};

}  // namespace convert
