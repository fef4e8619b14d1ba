#pragma once
// What the main-window benchmarks share: where the test clips and ffmpeg.exe are, the
// main window without its workers, and timing how quickly it answers while work runs.
#include "app/MainWindow.h"

#include "support/BenchClock.h"
#include "support/BenchTools.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace bench {

class QuietMainWindow : public app::MainWindow {
protected:
    void StartWorkers() override {}
};

struct TimedJob {
    double ms = 0;
    double worstAnswerMs = 0;
};

// Runs `job` on a worker while this thread serves the window and a third thread times
// how long the window takes to answer a message.
inline TimedJob RunWhileTimingAnswers(HWND window, const std::function<void()>& job) {
    std::atomic<bool> done{false};
    std::atomic<bool> pingerStopped{false};
    std::atomic<double> worst{0};
    std::thread pinger([&] {
        while (!done) {
            const double sent = NowMilliseconds();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            worst = std::max(worst.load(), NowMilliseconds() - sent);
            Sleep(10);
        }
        pingerStopped = true;
    });
    const double start = NowMilliseconds();
    std::thread worker([&] {
        job();
        done = true;
        PostMessageW(window, WM_NULL, 0, 0);
    });
    MSG message;
    while (!done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    TimedJob timed{NowMilliseconds() - start, 0};
    worker.join();
    // A message the pinger sent just before the end is answered here, not timed out.
    ServeUntil([&] { return pingerStopped.load(); });
    pinger.join();
    timed.worstAnswerMs = worst;
    return timed;
}

}  // namespace bench
