#pragma once
// Deleting clips marks each one for the next start. Hundreds of ticked clips take seconds
// to mark, so their rows go at once and the marks are written on a worker; until a clip's
// mark is written, list builds pass the clip over (they would read its old title and list
// it again), and the program waits for the marks before it ends.
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
    void Written(const std::wstring& path);
    bool Contains(const std::wstring& path) const;
    // False when marks are still unwritten after `timeout`.
    bool WaitUntilWritten(std::chrono::milliseconds timeout);

private:
    mutable std::mutex mutex_;
    std::condition_variable written_;
    std::unordered_multiset<std::wstring> paths_;
};

// The marks this process has yet to write.
PendingMarks& ProcessPendingMarks();

// Writes the deletion marker on every clip, on a worker of its own.
void MarkForDeletion(std::vector<std::wstring> paths);

}  // namespace library
