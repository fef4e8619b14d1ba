#include "platform/ChildProcess.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Exit code given to processes ended from outside: what a time-out looks like in logs.
constexpr UINT kEndedExitCode = 1;

// An inheritable handle reaches every child started while it is inheritable. Pipe write
// ends are inheritable only inside this lock, so two children started at once on two
// threads never hold each other's pipe open (which would delay the other's EOF).
std::mutex& InheritanceLock() {
    static std::mutex lock;
    return lock;
}

std::wstring UniquePipeName() {
    static std::atomic<unsigned long> counter{0};
    return L"\\\\.\\pipe\\reelkeep-output-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

}  // namespace

ProcessJob ProcessJob::Create(DWORD& error) {
    ProcessJob job;
    job.job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (!job.job_) {
        error = GetLastError();
        return job;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        error = GetLastError();
        job.job_.reset();
    }
    return job;
}

void ProcessJob::EndAll(UINT exitCode) const {
    if (valid()) TerminateJobObject(job_.get(), exitCode);
}

OutputPipe::~OutputPipe() { CancelPendingRead(); }

bool OutputPipe::Create(DWORD& error) {
    const std::wstring name = UniquePipeName();
    read_.reset(CreateNamedPipeW(name.c_str(),
                                 PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 64 * 1024, 0, nullptr));
    if (!read_) {
        error = GetLastError();
        return false;
    }
    // Created not inheritable; ChildProcess::Start lends it to one child.
    write_.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!write_) {
        error = GetLastError();
        return false;
    }
    readDone_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!readDone_) {
        error = GetLastError();
        return false;
    }
    return true;
}

OutputPipe::Outcome OutputPipe::Read(std::string& bytes, HANDLE other, DWORD timeoutMs) {
    if (!pending_) {
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = readDone_.get();
        if (!ReadFile(read_.get(), buffer_, sizeof buffer_, nullptr, &overlapped_)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE) return Outcome::EndOfOutput;
            if (error != ERROR_IO_PENDING) return Outcome::Failed;
        }
        // Finished at once or pending: either way the event tells, and the result comes
        // from GetOverlappedResult below.
        pending_ = true;
    }
    const HANDLE waits[] = {readDone_.get(), other};
    const DWORD count = other ? 2 : 1;
    const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, timeoutMs);
    if (woke == WAIT_OBJECT_0 + 1) return Outcome::OtherSignalled;
    if (woke == WAIT_TIMEOUT) return Outcome::TimedOut;
    if (woke != WAIT_OBJECT_0) return Outcome::Failed;

    pending_ = false;
    DWORD got = 0;
    if (!GetOverlappedResult(read_.get(), &overlapped_, &got, FALSE)) {
        const DWORD error = GetLastError();
        return error == ERROR_BROKEN_PIPE ? Outcome::EndOfOutput : Outcome::Failed;
    }
    bytes.append(buffer_, got);
    return Outcome::Data;
}

void OutputPipe::CancelPendingRead() {
    if (!pending_) return;
    // The system writes into buffer_ until the read is over: wait for the cancellation.
    CancelIoEx(read_.get(), &overlapped_);
    DWORD got = 0;
    GetOverlappedResult(read_.get(), &overlapped_, &got, TRUE);
    pending_ = false;
}

ChildProcess ChildProcess::Start(const std::wstring& commandLine, OutputPipe& output, DWORD& error) {
    ChildProcess child;
    child.job_ = ProcessJob::Create(error);
    if (!child.job_.valid()) return child;

    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output.writeEnd();
    startup.hStdError = output.writeEnd();
    // The C runtime's inherited-descriptor table, if our own starter passed one, would
    // override the handles above in the child.
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;

    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION started{};
    {
        std::lock_guard<std::mutex> hold(InheritanceLock());
        if (!SetHandleInformation(output.writeEnd(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
            error = GetLastError();
            return child;
        }
        // Suspended until it is in the job, so nothing it starts can escape the job.
        const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                       CREATE_SUSPENDED | CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                                       &startup, &started);
        if (!ok) error = GetLastError();
        output.CloseWriteEnd();
        if (!ok) return child;
    }
    child.process_.reset(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (!AssignProcessToJobObject(child.job_.get(), started.hProcess)) {
        error = GetLastError();
        TerminateProcess(started.hProcess, kEndedExitCode);
        child.process_.reset();
        return child;
    }
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        error = GetLastError();
        child.EndTree();
        child.process_.reset();
    }
    return child;
}

void ChildProcess::EndTree() { job_.EndAll(kEndedExitCode); }

}  // namespace platform
