#pragma once
// Running an outside tool hidden and collecting everything it prints.
#include <windows.h>

#include <chrono>
#include <string>

namespace platform {

struct CapturedRun {
    // Standard output and error as they arrived, interleaved, decoded as DecodeToolOutput says.
    std::wstring text;
    bool started = false;
    // The tool was still running at the time-out: it and everything it started were
    // ended, and `text` is what had arrived by then.
    bool timedOut = false;
    // Why it could not be started (GetLastError), 0 when it was.
    DWORD startError = 0;
    // How the tool ended; STILL_ACTIVE when it did not end by itself (timed out, or still
    // running once its output had closed).
    DWORD exitCode = STILL_ACTIVE;
};

// Runs `commandLine` (no command interpreter: the first token is the program) with no
// window and no input, and collects its output until the output ends, or the tool has
// exited and its output has gone quiet, or `timeout` passes.
CapturedRun RunAndCapture(const std::wstring& commandLine, std::chrono::milliseconds timeout);

}  // namespace platform
