// ParseProbeReport on reports of 1 MB and 2 MB: the time for 1 MB against its limit, and
// the 2 MB / 1 MB ratio (about 2 when the parser is linear in the report's size).
#include "probe/ProbeReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Aligned metadata lines (long blank runs, " : "), as a tagged file gives, with the keys
// the parser searches for only at the very end so that every search crosses the report.
std::wstring MakeReport(size_t characters) {
    const std::wstring filler =
        L"    comment                                                         : a long tag value, repeated\r\n"
        L"    handler_name    : VideoHandler\r\n";
    const std::wstring tail =
        L"  Duration: 00:02:05.40, start: 0.000000, bitrate: 521 kb/s\r\n"
        L"    Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p, 1920x1080 [SAR 1:1 DAR 16:9], "
        L"2000 kb/s, 23.98 fps, 23.98 tbr, 24k tbn, 47.95 tbc (default)\r\n"
        L"    Stream #0:1(und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, stereo, fltp, 128 kb/s (default)\r\n";
    std::wstring report;
    report.reserve(characters + filler.size());
    while (report.size() + tail.size() < characters) report += filler;
    report += tail;
    return report;
}

double MedianMilliseconds(const std::wstring& report, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const probe::ProbeFields fields = probe::ParseProbeReport(report);
        const auto stop = std::chrono::steady_clock::now();
        if (fields.resolution != L"1920x1080") {
            std::fprintf(stderr, "probe_parse: wrong result\n");
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    constexpr double kLimitMs = 20.0;
    const std::wstring oneMegabyte = MakeReport(1 << 20);
    const std::wstring twoMegabytes = MakeReport(2 << 20);
    MedianMilliseconds(oneMegabyte, 3);  // warm the allocator and caches
    const double one = MedianMilliseconds(oneMegabyte, 15);
    const double two = MedianMilliseconds(twoMegabytes, 15);
    std::printf("probe_parse.1MB_report_ms: %.2f (limit %.0f)\n", one, kLimitMs);
    std::printf("probe_parse.2MB_vs_1MB_ratio: %.2f (linear: 2.0)\n", two / one);
    return 0;
}
