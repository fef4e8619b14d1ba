#include "framework/SideThread.h"

#include "framework/Worker.h"

#include <utility>

namespace framework {

SideThread::SideThread(std::function<void()> work) : work_(std::move(work)) {
    thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!thread_) work_();
}

DWORD WINAPI SideThread::Run(void* self) {
    RunCatching(static_cast<SideThread*>(self)->work_);
    return 0;
}

void SideThread::Wait() {
    if (!thread_) return;
    HANDLE thread = thread_.get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    thread_.reset();
}

}  // namespace framework
