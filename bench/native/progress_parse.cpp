// How the chunked progress parser compares with one bare search over the same output.
// Prints a ratio; absolute times on these machines mean little.
#include "convert/Progress.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// The shape of ffmpeg's status lines: one report every few dozen bytes, '\r'-separated.
std::string syntheticOutput(int lines) {
    std::string output = "Input #0, flv, from 'clip.flv':\n  Duration: 00:30:00.00, start: 0.000000\n";
    char line[160];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line,
                      "frame=%5d fps= 25 q=5.0 size=%8dkB time=%02d:%02d:%02d.%02d bitrate= 512.0kbits/s speed=1.0x\r",
                      i * 12, i * 32, i / 3600 % 100, i / 60 % 60, i % 60, i % 100);
        output += line;
    }
    return output;
}

template <typename Work>
double secondsFor(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::string output = syntheticOutput(20000);
    constexpr int kRounds = 20;
    constexpr size_t kPipeRead = 256;

    std::size_t bareCount = 0;
    const double bare = secondsFor([&] {
        for (int round = 0; round < kRounds; ++round) {
            for (size_t at = output.find("time="); at != std::string::npos; at = output.find("time=", at + 5))
                ++bareCount;
        }
    });

    std::size_t parsedCount = 0;
    const double parsed = secondsFor([&] {
        for (int round = 0; round < kRounds; ++round) {
            convert::ProgressParser parser;
            for (size_t at = 0; at < output.size(); at += kPipeRead) {
                parsedCount += parser.Feed(std::string_view(output).substr(at, kPipeRead)).size();
            }
        }
    });

    if (parsedCount != bareCount) {
        std::printf("progress_parse: parser found %zu reports, bare search %zu\n", parsedCount, bareCount);
        return 1;
    }
    std::printf("progress_parse: parser in %zu-byte reads / bare search = %.2fx (%zu reports)\n", kPipeRead,
                parsed / bare, parsedCount);
    return 0;
}
