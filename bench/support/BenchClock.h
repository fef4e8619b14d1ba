#pragma once
// Timing helpers shared by the Windows benchmarks.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double NowMicroseconds() {
    static const double perSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / perSecond;
}

inline double NowMilliseconds() { return NowMicroseconds() / 1000.0; }

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace bench
