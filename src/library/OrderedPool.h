#pragma once
// Work on a few threads, results handed on in order: item i reaches `deliver` on the
// calling thread once it and every item before it are done, so the consumer sees the
// order of a plain loop while the slow parts overlap. Portable.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace library {

// Items whose result is already present are not worked on. `work` runs on the pool's
// threads and must not throw; `deliver` and `whileWaiting` run on the caller's thread,
// `whileWaiting` with the next item's index whenever that is not done yet, and again every
// `waitInterval` while the wait lasts. A slow item holds back the delivery of those after
// it, never their work.
template <typename Result>
void DeliverInOrder(
    std::vector<std::optional<Result>>& results, unsigned threads, const std::function<Result(std::size_t)>& work,
    const std::function<void(std::size_t, Result&)>& deliver,
    const std::function<void(std::size_t)>& whileWaiting = [](std::size_t) {},
    std::chrono::milliseconds waitInterval = std::chrono::hours(1)) {
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (!results[i]) todo.push_back(i);
    }
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t next = 0;
    auto worker = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard lock(mutex);
                if (next == todo.size()) return;
                index = todo[next++];
            }
            Result result = work(index);
            {
                std::lock_guard lock(mutex);
                results[index] = std::move(result);
            }
            finished.notify_all();
        }
    };
    std::vector<std::thread> pool;
    const std::size_t poolSize = std::min<std::size_t>(std::max(threads, 1u), todo.size());
    for (std::size_t i = 0; i < poolSize; ++i) pool.emplace_back(worker);

    for (std::size_t i = 0; i < results.size(); ++i) {
        std::unique_lock lock(mutex);
        while (!results[i]) {
            lock.unlock();
            whileWaiting(i);
            lock.lock();
            finished.wait_for(lock, waitInterval, [&] { return results[i].has_value(); });
        }
        lock.unlock();
        // Only this thread reads a finished result, and no worker touches it again.
        deliver(i, *results[i]);
    }
    for (std::thread& thread : pool) thread.join();
}

}  // namespace library
