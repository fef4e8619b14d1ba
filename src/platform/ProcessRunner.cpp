#include "platform/ProcessRunner.h"

#include "platform/ChildProcess.h"
#include "platform/ToolOutput.h"

#include <algorithm>

namespace platform {

namespace {

// After the tool has exited, everything it wrote is already in the pipe; EOF follows at
// once unless some other process still holds the write end (Wine's desktop process can
// inherit it). That wait is cut short after this long.
constexpr std::chrono::milliseconds kQuietAfterExit{500};

using Clock = std::chrono::steady_clock;

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1));
}

}  // namespace

CapturedRun RunAndCapture(const std::wstring& commandLine, std::chrono::milliseconds timeout) {
    CapturedRun run;
    OutputPipe pipe;
    if (!pipe.Create(run.startError)) return run;
    ChildProcess child = ChildProcess::Start(commandLine, pipe, run.startError);
    if (!child.valid()) return run;
    run.started = true;

    std::string bytes;
    const Clock::time_point limit = Clock::now() + timeout;
    Clock::time_point deadline = limit;
    bool exited = false;
    for (;;) {
        const HANDLE watch = exited ? nullptr : child.process();
        const OutputPipe::Outcome outcome = pipe.Read(bytes, watch, MillisecondsUntil(deadline));
        if (outcome == OutputPipe::Outcome::Data) {
            // The quiet period counts from the last bytes: a loaded machine may still be
            // delivering what the tool wrote before it exited.
            if (exited && !run.timedOut) deadline = std::min(limit, Clock::now() + kQuietAfterExit);
            continue;
        }
        if (outcome == OutputPipe::Outcome::OtherSignalled) {
            exited = true;
            deadline = std::min(deadline, Clock::now() + kQuietAfterExit);
            continue;
        }
        if (outcome == OutputPipe::Outcome::TimedOut && !exited && !run.timedOut) {
            // Ending the tree closes every write end, so what is still buffered follows quickly.
            run.timedOut = true;
            child.EndTree();
            exited = true;
            deadline = Clock::now() + kQuietAfterExit;
            continue;
        }
        break;
    }
    if (!run.timedOut &&
        WaitForSingleObject(child.process(), static_cast<DWORD>(kQuietAfterExit.count())) == WAIT_OBJECT_0) {
        DWORD code = STILL_ACTIVE;
        if (GetExitCodeProcess(child.process(), &code)) run.exitCode = code;
    }
    // Whatever the child left running ends with it here; the job would end it on close anyway.
    child.EndTree();
    run.text = DecodeToolOutput(bytes);
    return run;
}

}  // namespace platform
