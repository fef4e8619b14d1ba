#pragma once
// Running one conversion: ffmpeg.exe started directly (no command interpreter) in a job
// object of its own, its output read and turned into progress reports.
#include "convert/ConvertJob.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace convert {

// How long the clean-up timers (convert/ConvertMessages.h) give ffmpeg to end before the
// unfinished output goes: after closing a dialog during a run, and after a Stop.
inline constexpr UINT kCloseCleanupDelayMs = 100;
// The batch dialog gives its halted row the same second as a Stop before it closes.
inline constexpr UINT kBatchCloseCleanupDelayMs = 1000;
inline constexpr UINT kStopCleanupDelayMs = 1000;

// Shared by one run's worker and the surface that started it. Halting ends the run's own
// processes and nothing else: a user's ffmpeg or a media probe running at the same
// moment lives in no job of ours.
class ConversionRun {
public:
    ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Any thread; returns at once. The worker wakes, ends the job and reports nothing more.
    void Halt();
    bool halted() const { return halted_.load(); }
    HANDLE haltEvent() const { return haltEvent_.get(); }

private:
    std::atomic<bool> halted_{false};
    platform::UniqueHandle haltEvent_;
};

struct ConverterOutcome {
    bool started = false;
    DWORD startError = 0;  // GetLastError of the failed start
    bool halted = false;
    DWORD exitCode = STILL_ACTIVE;       // STILL_ACTIVE: unknown (halted, or it would not end)
    std::wstring errorLine;              // the last line that says why it stopped
    std::optional<double> inputSeconds;  // the input's length, as ffmpeg reported it
    bool finished = false;               // ffmpeg printed its closing statistics
};

using ProgressReport = std::function<void(std::int64_t seconds)>;

// Runs `commandLine` hidden, with standard output and error on one pipe, and calls
// `onReport` on this thread for every "time=" report in the order ffmpeg printed them.
// Returns when the output ends (ffmpeg and anything it started have finished), or
// promptly after run.Halt(); every process of the run's job has ended by then.
ConverterOutcome runConverter(const std::wstring& commandLine, ConversionRun& run, const ProgressReport& onReport);

struct ConversionResult {
    enum class Status { Converted, Halted, Failed };
    Status status = Status::Failed;
    std::wstring failure;  // Failed: why, in words for the user
};

// Converts `job` with the ffmpeg.exe of `toolFolder` into `temporary` (beside the output,
// see temporaryOutputPath) and, once ffmpeg has succeeded and the file reads back with
// the length of what was converted, renames it to the output path, replacing a file the
// user agreed to replace. Halted or failed runs leave neither file behind.
ConversionResult ConvertToFile(const ConvertJob& job, const std::wstring& toolFolder, const std::wstring& temporary,
                               ConversionRun& run, const ProgressReport& onReport);

// A tag that no other run of this process or of another copy of the program uses.
std::wstring NewRunTag();

}  // namespace convert
