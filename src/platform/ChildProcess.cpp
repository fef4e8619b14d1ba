#include "platform/ChildProcess.h"

#include "platform/ToolStartup.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Exit code given to processes ended from outside: what a time-out looks like in logs.
constexpr UINT kEndedExitCode = 1;

// Without a list of the handles to inherit, a child gets every inheritable handle of this
// process, another tool's pipe end included, and would hold it open (delaying that
// tool's EOF). Where the list cannot be made, children start one at a time with only
// their own pipe end inheritable.
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

InheritOnly::InheritOnly(std::span<const HANDLE> handles) : handles_(handles.begin(), handles.end()) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    bytes_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(bytes_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
        DeleteProcThreadAttributeList(list);
        return;
    }
    list_ = list;
}

InheritOnly::~InheritOnly() {
    if (list_) DeleteProcThreadAttributeList(list_);
}

void InheritOnly::Apply(STARTUPINFOEXW& startup, DWORD& creationFlags) const {
    startup.lpAttributeList = list_;
    startup.StartupInfo.cb = list_ ? sizeof startup : sizeof startup.StartupInfo;
    if (list_) creationFlags |= EXTENDED_STARTUPINFO_PRESENT;
}

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

    STARTUPINFOEXW startup{};
    GetStartupInfoW(&startup.StartupInfo);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = output.writeEnd();
    startup.StartupInfo.hStdError = output.writeEnd();
    // The C runtime's inherited-descriptor table, if our own starter passed one, would
    // override the handles above in the child.
    startup.StartupInfo.cbReserved2 = 0;
    startup.StartupInfo.lpReserved2 = nullptr;
    const HANDLE writeEnd[] = {output.writeEnd()};
    const InheritOnly inherit(writeEnd);
    // Suspended until it is in the job, so nothing it starts can escape the job.
    DWORD flags = CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS;
    PrepareToolStartup(startup.StartupInfo, flags);
    inherit.Apply(startup, flags);

    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION started{};
    {
        // With the list, several children start at once: under Wine each start waits for
        // the new process to come up, a good part of a probe.
        std::unique_lock<std::mutex> hold(InheritanceLock(), std::defer_lock);
        if (!inherit.listed()) hold.lock();
        if (!SetHandleInformation(output.writeEnd(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
            error = GetLastError();
            return child;
        }
        const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                       &startup.StartupInfo, &started);
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
