// Reading a DASH manifest of ten thousand segments (a SegmentTimeline with an entry per
// segment, the longest form a manifest takes), timed against its limit: the watcher reads
// every manifest a cache holds whenever the cache changed.
#include "intake/StreamManifest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main() {
    constexpr double kLimitMs = 50.0;
    constexpr int kSegments = 10000;
    std::string text = R"(<?xml version="1.0" encoding="utf-8"?>
<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static" mediaPresentationDuration="PT5H34M">
 <Period id="0" start="PT0S"><AdaptationSet contentType="video" mimeType="video/mp4">
  <Representation id="v1" codecs="avc1.64001f" bandwidth="3000000" width="1280" height="720">
   <SegmentTemplate timescale="90000" initialization="init-$RepresentationID$.m4s"
                    media="chunk-$RepresentationID$-$Time$.m4s"><SegmentTimeline>)";
    for (int i = 0; i < kSegments; ++i) text += "<S d=\"" + std::to_string(180000 + (i % 5) * 90) + "\"/>\n";
    text += "</SegmentTimeline></SegmentTemplate></Representation></AdaptationSet></Period></MPD>\n";
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const intake::StreamManifest manifest = intake::ReadDashManifest(text, "http://cdn.example/v/manifest.mpd");
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (manifest.streams.size() != 1 || manifest.streams[0].segments.size() != kSegments) {
            std::printf("manifest_read: wrong result\n");
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("reading a DASH manifest of %d segments (%zu KB): %.1f ms (limit %.0f ms)\n", kSegments,
                text.size() / 1024, median, kLimitMs);
    const bool ok = median <= kLimitMs;
    std::printf(ok ? "ok\n" : "FAILED\n");
    return ok ? 0 : 1;
}
