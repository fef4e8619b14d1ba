#pragma once
// A worker's last word to its window, said by a destructor: the window hears that the
// worker ended whatever way it ended (its work done, an early return, a throw, a Stop), so
// no window waits for good on a worker that is gone. Made first thing in the worker.
#include <windows.h>

namespace framework {

class LastMessage {
public:
    // Sent words reach a window before the worker goes on, for a window that reads what the
    // worker left (a build's rows); posted ones never make the worker wait for the window.
    enum class Delivery { Post, Send };

    LastMessage(HWND window, UINT message, WPARAM wParam = 0, Delivery delivery = Delivery::Post)
        : window_(window), message_(message), wParam_(wParam), delivery_(delivery) {}
    ~LastMessage() {
        if (delivery_ == Delivery::Send)
            SendMessageW(window_, message_, wParam_, lParam_);
        else
            PostMessageW(window_, message_, wParam_, lParam_);
    }
    LastMessage(const LastMessage&) = delete;
    LastMessage& operator=(const LastMessage&) = delete;

    void SetLParam(LPARAM value) { lParam_ = value; }

private:
    HWND window_;
    UINT message_;
    WPARAM wParam_;
    LPARAM lParam_ = 0;
    Delivery delivery_;
};

}  // namespace framework
