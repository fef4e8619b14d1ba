#include "app/SingleInstance.h"

#include "app/MainWindowMessages.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"

#include <chrono>
#include <thread>

namespace app {

namespace {

// One name per session: whoever creates it first is the program; it is held until the
// process ends. Counting processes instead lets two starts a moment apart both see two
// and both end.
constexpr wchar_t kInstanceMutex[] = L"Local\\Reelkeep.SingleInstance";

// The survivor may still be starting (probing its companions, purging clips) when this
// start looks for its window.
constexpr auto kWindowWait = std::chrono::seconds(20);
constexpr auto kWindowPoll = std::chrono::milliseconds(50);

// The main window of another copy: titled "Reelkeep" and holding the clip list. A
// message box of that copy carries the same title.
HWND FindRunningMainWindow() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t title[16] = {};
            GetWindowTextW(window, title, 16);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (lstrcmpW(title, L"Reelkeep") != 0 || process == GetCurrentProcessId() ||
                GetDlgItem(window, IDC_CLIP_LIST) == nullptr)
                return TRUE;
            reinterpret_cast<Search*>(context)->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool HandOverToRunningInstance() {
    static platform::UniqueHandle claim;
    claim.reset(CreateMutexW(nullptr, FALSE, kInstanceMutex));
    const DWORD error = GetLastError();
    if (claim && error != ERROR_ALREADY_EXISTS) return false;
    claim.reset();
    const auto deadline = std::chrono::steady_clock::now() + kWindowWait;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND running = FindRunningMainWindow()) {
            PostMessageW(running, app::WM_SHOW_FOR_SECOND_START, 0, 0);
            return true;
        }
        std::this_thread::sleep_for(kWindowPoll);
    }
    return true;
}

}  // namespace app
