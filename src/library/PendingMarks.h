#pragma once
// Clips whose deletion marks are still to be written, by path, shared by the worker that
// writes them, the list builds that must pass those clips over, and the program's end,
// which waits for them. Portable: no Windows header.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace library {

class PendingMarks {
public:
    void Add(const std::vector<std::wstring>& paths);
    // One mark of the path is written (a path added twice waits for two).
    void Written(const std::wstring& path);
    bool Contains(const std::wstring& path) const;
    // False when marks are still unwritten after `timeout`.
    bool WaitUntilWritten(std::chrono::milliseconds timeout);

private:
    mutable std::mutex mutex_;
    std::condition_variable written_;
    std::unordered_multiset<std::wstring> paths_;
};

}  // namespace library
