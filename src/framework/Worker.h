#pragma once
// Starts a worker thread that serves one window. Workers are never told to stop; they
// end with the process, so the thread is detached at once. The argument is copied into
// the thread: pass a window handle, or a pointer to a window object that outlives it.
#include <functional>
#include <thread>
#include <utility>

namespace framework {

// Runs the body of a thread of ours. An exception that leaves it ends only that body:
// left to reach the thread's edge it would end the whole program, windows and all. The
// first such failure in the program's life is told to the user through the Prompter;
// later ones, which most often share its cause, are not.
void RunCatching(const std::function<void()>& body);

template <typename Argument, typename Entry>
void StartWorker(Argument argument, Entry entry) {
    std::thread([argument, entry = std::move(entry)]() mutable { RunCatching([&] { entry(argument); }); }).detach();
}

}  // namespace framework
