// Reading a page of 200,000 JSON-LD video entries and 2,000 <video> elements, all within
// the 10 MB a page may have: the time against its limit of 2 s, the 200,000 / 100,000
// ratio (about 2 when the reading is linear), and how soon Stop ends a reading under way.
#include "webimport/PageVideo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// One script of `entries` VideoObjects, every one at an address of its own, then a hundredth
// as many <video> elements: what a hostile page can put into 10 MB.
std::wstring MakePage(int entries) {
    std::wstring page = L"<html><head><title>Many</title><script type=\"application/ld+json\">[";
    for (int i = 0; i < entries; ++i) {
        if (i > 0) page += L',';
        page += L"{\"@type\":\"VideoObject\",\"contentUrl\":\"/v/" + std::to_wstring(i) + L"\"}";
    }
    page += L"]</script></head><body>";
    for (int i = 0; i < entries / 100; ++i) page += L"<video src=\"/w/" + std::to_wstring(i) + L"\"></video>";
    return page + L"</body></html>";
}

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double ReadMilliseconds(const std::wstring& page, std::size_t expected) {
    const auto start = Clock::now();
    const webimport::PageVideo video = webimport::ReadPageVideo(page, L"http://site.example/news/page.html");
    const double taken = Milliseconds(Clock::now() - start);
    if (video.addresses.size() != expected) {
        std::fprintf(stderr, "page_reading: %zu addresses, expected %zu\n", video.addresses.size(), expected);
        std::exit(1);
    }
    return taken;
}

}  // namespace

int main() {
    constexpr double kLimitMs = 2000.0;
    constexpr double kStopLimitMs = 100.0;
    const std::wstring half = MakePage(100'000);
    const std::wstring whole = MakePage(200'000);
    if (whole.size() > 10'000'000) {
        std::fprintf(stderr, "page_reading: the page is larger than the import reads\n");
        return 1;
    }
    // Every JSON-LD address and the first <video>.
    const double halfMs = std::min(ReadMilliseconds(half, 100'001), ReadMilliseconds(half, 100'001));
    const double wholeMs = std::min(ReadMilliseconds(whole, 200'001), ReadMilliseconds(whole, 200'001));

    std::atomic<bool> halt{false};
    Clock::time_point stopped;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(wholeMs / 4)));
        stopped = Clock::now();
        halt = true;
    });
    webimport::ReadPageVideo(whole, L"http://site.example/news/page.html", &halt);
    const auto returned = Clock::now();
    stopper.join();
    const double stopMs = Milliseconds(returned - stopped);

    std::printf("page_reading.200000_entries_ms: %.0f (limit %.0f)\n", wholeMs, kLimitMs);
    std::printf("page_reading.200000_vs_100000_ratio: %.2f (linear: 2.0)\n", wholeMs / halfMs);
    std::printf("page_reading.stop_answered_ms: %.1f (limit %.0f)\n", stopMs, kStopLimitMs);
    return wholeMs <= kLimitMs && stopMs <= kStopLimitMs ? 0 : 1;
}
