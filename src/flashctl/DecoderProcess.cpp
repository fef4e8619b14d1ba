#include "flashctl/DecoderProcess.h"

#include "platform/ToolStartup.h"

#include <cstdio>
#include <vector>

namespace flashctl {

namespace {

// Big enough for a whole 640 x 360 frame, so ffmpeg rarely waits for the reader.
constexpr DWORD kOutputPipeSize = 1 << 20;
constexpr UINT kEndedExitCode = 1;

// A pipe whose write end the child inherits; the read end stays ours only.
bool CreateChildPipe(platform::UniqueHandle& read, platform::UniqueHandle& write, DWORD size, DWORD& error) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(read.put(), write.put(), &inheritable, size)) {
        error = GetLastError();
        return false;
    }
    if (!SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0)) {
        error = GetLastError();
        return false;
    }
    return true;
}

}  // namespace

bool DecoderProcess::Start(const std::wstring& commandLine, DWORD& error) {
    job_ = platform::ProcessJob::Create(error);
    if (!job_.valid()) return false;
    platform::UniqueHandle outputWrite, reportWrite;
    if (!CreateChildPipe(output_, outputWrite, kOutputPipeSize, error) ||
        !CreateChildPipe(report_, reportWrite, 0, error))
        return false;

    // Only these two handles reach the child: any other inheritable handle of the host
    // (another tool's pipe) would otherwise be held open by our decoder.
    const HANDLE inherited[] = {outputWrite.get(), reportWrite.get()};
    const platform::InheritOnly inherit(inherited);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = outputWrite.get();
    startup.StartupInfo.hStdError = reportWrite.get();
    // Suspended until it is in the job, so nothing it starts can escape the job.
    DWORD flags = CREATE_SUSPENDED;
    platform::PrepareToolStartup(startup.StartupInfo, flags);
    inherit.Apply(startup, flags);

    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                   &startup.StartupInfo, &started);
    if (!ok) {
        error = GetLastError();
        return false;
    }
    process_.reset(started.hProcess);
    platform::UniqueHandle thread(started.hThread);
    if (!AssignProcessToJobObject(job_.get(), started.hProcess)) {
        error = GetLastError();
        TerminateProcess(started.hProcess, kEndedExitCode);
        return false;
    }
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        error = GetLastError();
        End();
        return false;
    }
    return true;
}

void DecoderProcess::End() {
    job_.EndAll(kEndedExitCode);
    if (process_) TerminateProcess(process_.get(), kEndedExitCode);
}

bool DecoderProcess::ReadOutput(void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        if (!ReadFile(output_.get(), bytes, chunk, &got, nullptr) || got == 0) return false;
        bytes += got;
        size -= got;
    }
    return true;
}

std::size_t DecoderProcess::ReadReport(char* buffer, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(report_.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
    return got;
}

std::wstring FfmpegBesideProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        // The host program's module, never ours: our image may not be known to the loader.
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"ffmpeg.exe";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"ffmpeg.exe";
}

}  // namespace flashctl
