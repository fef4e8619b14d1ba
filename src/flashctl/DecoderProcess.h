#pragma once
// An ffmpeg run for the player: hidden, inside a job that ends it with everything it
// starts, its standard output and error on two pipes of our own (raw samples on one,
// the report on the other), no input.
#include "platform/ChildProcess.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace flashctl {

class DecoderProcess {
public:
    DecoderProcess() = default;
    ~DecoderProcess() { End(); }
    DecoderProcess(const DecoderProcess&) = delete;
    DecoderProcess& operator=(const DecoderProcess&) = delete;

    // False on failure, with the reason in `error`.
    bool Start(const std::wstring& commandLine, DWORD& error);
    // Ends the process tree; a read blocked on either pipe then returns.
    void End();

    // Reads exactly `size` bytes unless the output ends first; false at the end.
    bool ReadOutput(void* buffer, std::size_t size);
    // Reads what the report has next, at most `size` bytes; 0 at its end.
    std::size_t ReadReport(char* buffer, std::size_t size);

private:
    platform::ProcessJob job_;
    platform::UniqueHandle process_;
    platform::UniqueHandle output_;
    platform::UniqueHandle report_;
};

// The ffmpeg.exe beside the program that hosts the control.
std::wstring FfmpegBesideProgram();

}  // namespace flashctl
