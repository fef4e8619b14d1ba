#pragma once
// Work that runs on a thread of its own while the window thread goes on with other work,
// and that the window thread then waits for. While it waits it serves the messages other
// threads send to it: a sender that the work depends on would otherwise wait forever.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <functional>

namespace framework {

class SideThread {
public:
    // Without a thread of its own (none could be created) the work runs here and now.
    explicit SideThread(std::function<void()> work);
    ~SideThread() { Wait(); }
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;

    void Wait();

private:
    static DWORD WINAPI Run(void* self);

    std::function<void()> work_;
    platform::Unique<platform::KernelHandleTraits> thread_;
};

}  // namespace framework
