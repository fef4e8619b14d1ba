#pragma once
// Running one conversion: ffmpeg.exe started directly (no command interpreter) in a job
// object of its own, its output read and turned into progress reports.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace convert {

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
};

using ProgressReport = std::function<void(std::int64_t seconds)>;

// Runs `commandLine` hidden, with standard output and error on one pipe, and calls
// `onReport` on this thread for every "time=" report in the order ffmpeg printed them.
// Returns when the output ends (ffmpeg and anything it started have finished), or
// promptly after run.Halt(); every process of the run's job has ended by then.
ConverterOutcome runConverter(const std::wstring& commandLine, ConversionRun& run, const ProgressReport& onReport);

}  // namespace convert
