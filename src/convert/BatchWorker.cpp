#include "convert/BatchWorker.h"

#include "convert/ConvertMessages.h"
#include "convert/Presets.h"
#include "framework/LastMessage.h"
#include "framework/Worker.h"

namespace convert {

void BatchWorker::Start(BatchOrder order) {
    Join();
    failures_.clear();
    converted_ = 0;
    // A halted run stays halted: every batch gets its own.
    run_ = std::make_unique<ConversionRun>();
    thread_ = std::thread([this, order = std::move(order)] { framework::RunCatching([&] { Run(order); }); });
}

void BatchWorker::Join() {
    if (thread_.joinable()) thread_.join();
}

std::vector<RowFailure> BatchWorker::failures() {
    std::lock_guard<std::mutex> guard(lock_);
    return failures_;
}

int BatchWorker::converted() {
    std::lock_guard<std::mutex> guard(lock_);
    return converted_;
}

void BatchWorker::Run(const BatchOrder& order) {
    // A halted batch's end is posted too: the dialog has moved on to another batch number.
    const framework::LastMessage finished(order.dialog, convert::WM_CONVERT_FINISHED, order.batchNumber);
    ConversionRun& run = *run_;
    const auto post = [&](UINT message, LPARAM value) {
        PostMessageW(order.dialog, message, order.batchNumber, value);
    };
    for (std::size_t index = 0; index < order.jobs.size() && !run.halted(); ++index) {
        post(convert::WM_BATCH_ROW_STARTED, static_cast<LPARAM>(index));
        const ConvertJob& job = order.jobs[index];
        const ConversionResult result =
            ConvertToFile(job, order.toolFolder, order.temporaries[index], run, [&](std::int64_t seconds) {
                if (!run.halted()) post(convert::WM_CONVERT_PROGRESS, static_cast<LPARAM>(seconds));
            });
        if (result.status == ConversionResult::Status::Halted) break;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (result.status == ConversionResult::Status::Failed)
                failures_.push_back({job.outputName + outputExtension(job.formatIndex), result.failure});
            else
                ++converted_;
        }
        // A row that failed still counts its seconds: the batch goes on with the next.
        post(convert::WM_BATCH_ROW_FINISHED, static_cast<LPARAM>(index));
    }
}

}  // namespace convert
