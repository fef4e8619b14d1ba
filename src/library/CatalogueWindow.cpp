#include "library/CatalogueWindow.h"

#include "library/CatalogueMessages.h"
#include "library/RowDelivery.h"

namespace library {

namespace {

std::mutex& BuildMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

// The window thread must go on serving the messages that a running build sends it while
// it waits for its own turn; blocking there would deadlock both.
std::unique_lock<std::mutex> LockBuilds(HWND window) {
    std::unique_lock<std::mutex> lock(BuildMutex(), std::defer_lock);
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        lock.lock();
        return lock;
    }
    while (!lock.try_lock()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return lock;
}

std::optional<ClipFilter> ReadFilter(HWND window) {
    std::optional<ClipFilter> filter;
    SendMessageW(window, library::WM_CATALOGUE_READ_FILTER, 0, reinterpret_cast<LPARAM>(&filter));
    return filter;
}

std::unordered_set<std::wstring> ListedPaths(HWND window) {
    std::unordered_set<std::wstring> paths;
    SendMessageW(window, library::WM_CATALOGUE_LISTED_PATHS, 0, reinterpret_cast<LPARAM>(&paths));
    return paths;
}

BuildDone::BuildDone(HWND window) : framework::LastMessage(window, WM_CATALOGUE_BUILD_DONE, 0, Delivery::Send) {}

LocalDateTime LocalCreationTime(const FILETIME& created) {
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    FileTimeToSystemTime(&created, &universal);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    return LocalDateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

void RowBatch::Add(ClipRecord record) {
    if (rows_.empty()) started_ = std::chrono::steady_clock::now();
    rows_.push_back(std::move(record));
    if (rows_.size() >= kBatchRows) Send(true);
}

void RowBatch::SendWhenOld() {
    if (!rows_.empty() && std::chrono::steady_clock::now() - started_ >= kBatchAge) Send(false);
}

void RowBatch::Send(bool moreFollow) {
    if (rows_.empty() && !unpainted_) return;
    RowDelivery delivery{&rows_, 0, skipListed_, updateListed_, moreFollow};
    do {
        delivery.taken = 0;
        inserted_ += static_cast<int>(
            SendMessageW(window_, library::WM_CATALOGUE_INSERT, 0, reinterpret_cast<LPARAM>(&delivery)));
        delivery.first += delivery.taken;
        // Nothing taken: the window is gone, or an empty batch only asked for a repaint.
    } while (delivery.taken > 0 && delivery.first < rows_.size());
    unpainted_ = moreFollow;
    rows_.clear();
}

}  // namespace library
