#pragma once
// Tells which tests take the time of a run: each test over a limit as soon as it ends, and
// the slowest ten when the run is over. Brief output hides every time otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class SlowTests : public testing::EmptyTestEventListener {
public:
    static void Install() { testing::UnitTest::GetInstance()->listeners().Append(new SlowTests); }

private:
    static constexpr long long kSlowMs = 30'000;
    static constexpr std::size_t kShown = 10;

    void OnTestEnd(const testing::TestInfo& test) override {
        const long long ms = test.result()->elapsed_time();
        std::string name = std::string(test.test_suite_name()) + "." + test.name();
        if (ms > kSlowMs) std::printf("[ slow     ] %s took %.1f s\n", name.c_str(), ms / 1000.0);
        times_.emplace_back(ms, std::move(name));
    }
    void OnTestProgramEnd(const testing::UnitTest&) override {
        const std::size_t shown = std::min(kShown, times_.size());
        std::partial_sort(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(shown), times_.end(),
                          [](const auto& a, const auto& b) { return a.first > b.first; });
        std::printf("[ slowest  ] %zu of %zu tests:\n", shown, times_.size());
        for (std::size_t i = 0; i < shown; ++i)
            std::printf("[ slowest  ] %8.1f s  %s\n", times_[i].first / 1000.0, times_[i].second.c_str());
        std::fflush(stdout);
    }

    std::vector<std::pair<long long, std::string>> times_;
};

}  // namespace testing_support
