#include "platform/ToolRun.h"

#include "platform/ChildProcess.h"

#include <chrono>

namespace platform {

namespace {

// How often the loop looks whether the tool has exited while its output stays open.
constexpr DWORD kExitPollMs = 250;
// Once the tool has exited, what it wrote is already in the pipe; EOF follows at once
// unless some other process inherited the write end (Wine's desktop process can). Give up then.
constexpr DWORD kQuietAfterExitMs = 500;
// Its output has ended, so the tool is closing down; its exit code follows at once.
constexpr DWORD kExitCodeWaitMs = 2000;

bool IsSignalled(HANDLE event) { return event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace

ToolRunOutcome RunToolWithOutput(const std::wstring& commandLine, HANDLE haltEvent,
                                 const std::function<void(std::string_view)>& onOutput) {
    return RunWatchedTool(commandLine, haltEvent, std::chrono::milliseconds(INFINITE), [&](std::string_view bytes) {
        onOutput(bytes);
        return true;
    });
}

ToolRunOutcome RunWatchedTool(const std::wstring& commandLine, HANDLE haltEvent, std::chrono::milliseconds silenceLimit,
                              const std::function<bool(std::string_view)>& onOutput) {
    ToolRunOutcome outcome;
    OutputPipe pipe;
    if (!pipe.Create(outcome.startError)) return outcome;
    ChildProcess child = ChildProcess::Start(commandLine, pipe, outcome.startError);
    if (!child.valid()) return outcome;
    outcome.started = true;

    std::string bytes;
    bool exited = false;
    auto quietUntil = std::chrono::steady_clock::now();
    auto lastOutput = std::chrono::steady_clock::now();
    for (;;) {
        if (IsSignalled(haltEvent)) break;
        bytes.clear();
        const OutputPipe::Outcome read = pipe.Read(bytes, haltEvent, kExitPollMs);
        if (read == OutputPipe::Outcome::Data) {
            lastOutput = std::chrono::steady_clock::now();
            if (onOutput(bytes)) continue;
            outcome.cut = true;
            break;
        }
        if (read != OutputPipe::Outcome::TimedOut) break;  // halted, end of output, or a broken pipe
        if (!exited && std::chrono::steady_clock::now() - lastOutput >= silenceLimit) {
            outcome.silent = true;
            break;
        }
        if (!exited && WaitForSingleObject(child.process(), 0) == WAIT_OBJECT_0) {
            exited = true;
            quietUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuietAfterExitMs);
        } else if (exited && std::chrono::steady_clock::now() >= quietUntil) {
            break;
        }
    }
    outcome.halted = IsSignalled(haltEvent);
    const bool ended = outcome.halted || outcome.silent || outcome.cut;
    if (!ended && WaitForSingleObject(child.process(), kExitCodeWaitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.process(), &outcome.exitCode);
    // Whatever the run started and left behind ends with it; nothing outside the job is touched.
    child.EndTree();
    // The job's processes end asynchronously; files they held are free only once they have.
    if (ended) WaitForSingleObject(child.process(), kExitCodeWaitMs);
    return outcome;
}

}  // namespace platform
