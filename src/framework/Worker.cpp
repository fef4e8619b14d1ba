#include "framework/Worker.h"

#include "framework/Prompter.h"
#include "platform/AnsiText.h"

#include <atomic>
#include <exception>
#include <string>

namespace framework {

namespace {

std::atomic<bool> failureTold{false};

std::wstring FailureText(const char* what) {
    std::wstring text = L"A background task of Reelkeep stopped after an unexpected error";
    if (what != nullptr && *what != '\0') text += L":\n\n" + platform::AnsiToWide(what);
    return text + L"\n\nReelkeep goes on without it. If something no longer works, quit Reelkeep and start it again.";
}

void TellOnce(const char* what) noexcept {
    if (failureTold.exchange(true)) return;
    // The worker's own thread shows it: the windows' thread is not held up, and the
    // worker has nothing left to do. Telling must not throw in its turn.
    try {
        prompter().Tell(nullptr, FailureText(what), true);
    } catch (...) {
        // Nothing is left to tell it with: the thread ends as quietly as it can.
    }
}

}  // namespace

void RunCatching(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& failure) {
        TellOnce(failure.what());
    } catch (...) {
        TellOnce(nullptr);
    }
}

}  // namespace framework
