#pragma once
// Starts a worker thread that serves one window object. Workers are never told to stop;
// they end with the process, so the thread is detached at once.
#include <thread>
#include <utility>

namespace framework {

template <typename Window, typename Entry>
void StartWorker(Window& window, Entry entry) {
    std::thread([&window, entry = std::move(entry)]() mutable { entry(window); }).detach();
}

}  // namespace framework
