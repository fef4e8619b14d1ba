#pragma once
// The pieces for running an outside tool hidden and reading what it prints: a job that
// ends the tool's whole process tree, a pipe whose read end can be waited on together
// with the process, and the started child. Each owns its handles.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace platform {

// A job object whose processes all end when EndAll is called or its handle closes, so a
// child and everything it starts can be stopped together.
class ProcessJob {
public:
    // An empty job on failure, with the reason in `error`.
    static ProcessJob Create(DWORD& error);

    bool valid() const { return job_.valid(); }
    HANDLE get() const { return job_.get(); }
    void EndAll(UINT exitCode) const;

private:
    UniqueHandle job_;
};

// The attribute list that makes a child inherit exactly these handles (each must be
// inheritable), and no other inheritable handle of this process: another tool's pipe end
// held by the wrong child would keep that tool's output from ending. Empty where the
// system cannot make the list.
class InheritOnly {
public:
    explicit InheritOnly(std::span<const HANDLE> handles);
    ~InheritOnly();
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    bool listed() const { return list_ != nullptr; }
    // Points `startup` at the list and adds the flag that says so; without a list, a
    // plain STARTUPINFOW start that inherits every inheritable handle.
    void Apply(STARTUPINFOEXW& startup, DWORD& creationFlags) const;

private:
    std::vector<HANDLE> handles_;
    std::vector<unsigned char> bytes_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// A one-way pipe for a child's standard output and error. The read end is overlapped, so
// a read can wait alongside the child's process handle and a time-out; the write end is
// synchronous, as console programs expect.
class OutputPipe {
public:
    OutputPipe() = default;
    ~OutputPipe();
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // False on failure, with the reason in `error`.
    bool Create(DWORD& error);

    HANDLE writeEnd() const { return write_.get(); }
    // The parent gives up its copy once the child holds one, or EOF never comes.
    void CloseWriteEnd() { write_.reset(); }

    enum class Outcome { Data, EndOfOutput, OtherSignalled, TimedOut, Failed };
    // Appends what arrives to `bytes`. Waits at most `timeoutMs` for data, the end of the
    // output, or `other` (may be null) becoming signalled. A read left waiting stays
    // pending for the next call.
    Outcome Read(std::string& bytes, HANDLE other, DWORD timeoutMs);

private:
    void CancelPendingRead();

    UniqueFile read_;
    UniqueFile write_;
    UniqueHandle readDone_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
    char buffer_[4096];
};

// A started child: its process handle, and the job it runs in. The thread handle is closed
// as soon as the child runs.
class ChildProcess {
public:
    // Starts `commandLine` hidden, with `output` as its standard output and error and no
    // standard input, inside a new job. Returns an empty child on failure, with the reason
    // in `error`.
    static ChildProcess Start(const std::wstring& commandLine, OutputPipe& output, DWORD& error);

    bool valid() const { return process_.valid(); }
    HANDLE process() const { return process_.get(); }
    // Ends the child and everything it started.
    void EndTree();

private:
    ProcessJob job_;
    UniqueHandle process_;
};

}  // namespace platform
