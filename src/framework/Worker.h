#pragma once
// Starts a worker thread that serves one window. Workers are never told to stop; they
// end with the process, so the thread is detached at once. The argument is copied into
// the thread: pass a window handle, or a pointer to a window object that outlives it.
#include <thread>
#include <utility>

namespace framework {

template <typename Argument, typename Entry>
void StartWorker(Argument argument, Entry entry) {
    std::thread([argument, entry = std::move(entry)]() mutable { entry(argument); }).detach();
}

}  // namespace framework
