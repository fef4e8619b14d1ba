#include "convert/ConvertRunner.h"

#include "convert/Progress.h"
#include "platform/ChildProcess.h"

#include <chrono>

namespace convert {

namespace {

// How often the worker looks whether ffmpeg has exited while its output stays open.
constexpr DWORD kExitPollMs = 250;
// Once ffmpeg has exited, what it wrote is already in the pipe; EOF follows at once unless
// some other process inherited the write end (Wine's desktop process can). Give up then.
constexpr DWORD kQuietAfterExitMs = 500;

}  // namespace

ConversionRun::ConversionRun() : haltEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void ConversionRun::Halt() {
    halted_ = true;
    if (haltEvent_) SetEvent(haltEvent_.get());
}

ConverterOutcome runConverter(const std::wstring& commandLine, ConversionRun& run, const ProgressReport& onReport) {
    ConverterOutcome outcome;
    platform::OutputPipe pipe;
    if (!pipe.Create(outcome.startError)) return outcome;
    platform::ChildProcess child = platform::ChildProcess::Start(commandLine, pipe, outcome.startError);
    if (!child.valid()) return outcome;
    outcome.started = true;

    ProgressParser parser;
    std::string bytes;
    bool exited = false;
    auto quietUntil = std::chrono::steady_clock::now();
    for (;;) {
        if (run.halted()) break;
        bytes.clear();
        const platform::OutputPipe::Outcome read = pipe.Read(bytes, run.haltEvent(), kExitPollMs);
        if (read == platform::OutputPipe::Outcome::Data) {
            for (std::int64_t seconds : parser.feed(bytes)) onReport(seconds);
            continue;
        }
        if (read == platform::OutputPipe::Outcome::OtherSignalled) break;
        if (read != platform::OutputPipe::Outcome::TimedOut) break;  // end of output, or a broken pipe
        if (!exited && WaitForSingleObject(child.process(), 0) == WAIT_OBJECT_0) {
            exited = true;
            quietUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuietAfterExitMs);
        } else if (exited && std::chrono::steady_clock::now() >= quietUntil) {
            break;
        }
    }
    outcome.halted = run.halted();
    // Whatever the run started and left behind ends with it; nothing outside the job is touched.
    child.EndTree();
    return outcome;
}

}  // namespace convert
