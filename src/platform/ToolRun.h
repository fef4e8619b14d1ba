#pragma once
// Running an outside tool hidden while its output is read as it comes, with a switch that
// ends it at once: the loop that conversions and stream downloads share.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct ToolRunOutcome {
    bool started = false;
    DWORD startError = 0;  // GetLastError of the failed start
    bool halted = false;
    // Ended by the watch of RunWatchedTool: the tool printed nothing for too long, or what
    // it printed was enough to end it.
    bool silent = false;
    bool cut = false;
    DWORD exitCode = STILL_ACTIVE;  // STILL_ACTIVE: unknown (halted, or it would not end)
};

// Runs `commandLine` (no command interpreter) hidden in a job of its own, with standard
// output and error on one pipe, and hands each piece of output to `onOutput` on this
// thread, in order. Returns when the output ends (the tool and anything it started have
// finished), or promptly once `haltEvent` (may be null) is signalled; every process of
// the job has ended by then.
ToolRunOutcome RunToolWithOutput(const std::wstring& commandLine, HANDLE haltEvent,
                                 const std::function<void(std::string_view)>& onOutput);

// The same for a tool that reports as it goes: it is ended when it prints nothing for
// `silenceLimit` (a read that hangs on a dead server), and when `onOutput` returns false.
ToolRunOutcome RunWatchedTool(const std::wstring& commandLine, HANDLE haltEvent, std::chrono::milliseconds silenceLimit,
                              const std::function<bool(std::string_view)>& onOutput);

}  // namespace platform
