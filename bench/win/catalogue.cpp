// The list build against the bare probes it replaces: a first build of new clips on the
// probe pool, a second start from the probe cache, what the cache costs on disk, and how
// quickly the main window answers while either runs.
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "platform/FileValues.h"
#include "platform/ProcessRunner.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheFile.h"

#include "support/MainWindowBench.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::BinFolder;
using bench::TempPath;

constexpr int kNewClips = 50;
// The machine is shared and its load changes within seconds: the first build and its bare
// probes run side by side this many times, in turns, and the median of the ratios counts.
constexpr int kFirstBuildRounds = 3;
constexpr int kUnchangedClips = 500;
constexpr double kFirstBuildLimit = 0.65;
constexpr double kSecondStartLimit = 0.03;
constexpr double kAnswerLimitMs = 100.0;
constexpr double kBytesPerClipLimit = 300.0;
const wchar_t* const kSources[] = {L"flv-320x240-sound.flv", L"mp4-320x240-sound.mp4", L"webm-320x240-sound.webm",
                                   L"mp4-1920x1080-sound.mp4"};

struct Folder {
    std::wstring path;
    std::vector<std::wstring> clips = {};
    ~Folder() {
        for (const std::wstring& clip : clips) DeleteFileW(clip.c_str());
        RemoveDirectoryW(path.c_str());
    }
};

bool MakeClips(Folder& folder, int count) {
    CreateDirectoryW(folder.path.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        const std::wstring source = BinFolder() + L"probe-clips\\" + kSources[i % std::size(kSources)];
        const std::wstring clip = folder.path + std::to_wstring(1260000000 + i) + source.substr(source.rfind(L'.'));
        if (!CopyFileW(source.c_str(), clip.c_str(), FALSE)) {
            std::fprintf(stderr, "catalogue: cannot copy a test clip (%lu)\n", GetLastError());
            return false;
        }
        folder.clips.push_back(clip);
    }
    return true;
}

std::uint64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return platform::FileSizeOf(data);
}

library::ClipFilter EveryDate() {
    library::ClipFilter all;
    all.dateFrom = 0;
    all.dateTo = 4102444800;  // 2100-01-01
    return all;
}

double BareProbesMs(const std::wstring& ffmpeg, const std::vector<std::wstring>& clips) {
    const double start = bench::NowMilliseconds();
    for (const std::wstring& clip : clips)
        platform::RunAndCapture(probe::ProbeCommandLine(ffmpeg, clip), probe::kProbeTimeout);
    return bench::NowMilliseconds() - start;
}

// The cache a first build of `folder` would leave, made from one probe per source kind:
// a second start reads it the same whichever build wrote it.
bool FillCache(const std::wstring& cachePath, const std::wstring& ffmpeg, const Folder& folder) {
    probe::ProbeEntries entries;
    for (const std::wstring& clip : folder.clips) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(clip.c_str(), GetFileExInfoStandard, &data)) return false;
        const probe::MediaProbeResult probe = probe::ProbeMedia(clip, ffmpeg);
        entries[clip] = probe::CachedProbe{platform::FileSizeOf(data), platform::FileTimeValue(data.ftLastWriteTime),
                                           true, probe.fields};
        if (entries.size() == std::size(kSources)) break;
    }
    for (std::size_t i = std::size(kSources); i < folder.clips.size(); ++i) {
        probe::CachedProbe probe = entries.at(folder.clips[i % std::size(kSources)]);
        entries[folder.clips[i]] = probe;
    }
    return probe::ProbeCacheFile(cachePath, *probe::IdentifyProbeTool(ffmpeg)).Save(entries, nullptr);
}

bool Report(const char* figure, double value, double limit, const char* unit, const std::string& detail) {
    std::printf("catalogue.%s: %.3f%s (limit %.2f%s)  %s\n", figure, value, unit, limit, unit, detail.c_str());
    return value <= limit;
}

}  // namespace

int main() {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring ffmpeg = BinFolder() + L"ffmpeg.exe";
    bench::QuietMainWindow window;
    if (!window.CreateModeless()) return 1;
    const HWND hwnd = window.hwnd();
    bool ok = true;
    char detail[256];
    bench::PrintLoad();

    // First build: new clips, empty cache, against the same clips probed one by one.
    Folder fresh{TempPath(L"reelkeep-bench-new\\")};
    if (!MakeClips(fresh, kNewClips)) return 1;
    const std::wstring freshCache = TempPath(L"reelkeep-bench-new.cache");
    // Warm the tool once so that neither side pays for its first start.
    BareProbesMs(ffmpeg, {fresh.clips.front()});
    std::vector<double> ratios;
    double worstAnswerMs = 0;
    double freshBytes = 0;
    std::string rounds;
    for (int round = 0; round < kFirstBuildRounds; ++round) {
        DeleteFileW(freshCache.c_str());
        SendMessageW(hwnd, library::WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
        // Odd rounds put the bare probes second, so a load that rises or falls during a
        // round favours neither side.
        double bare50 = round % 2 == 0 ? BareProbesMs(ffmpeg, fresh.clips) : 0;
        library::BuildOutcome first;
        const bench::TimedJob firstBuild = bench::RunWhileTimingAnswers(hwnd, [&] {
            first = library::BuildClipListCounting(hwnd, false, EveryDate(), {fresh.path, ffmpeg, freshCache});
        });
        if (round % 2 == 1) bare50 = BareProbesMs(ffmpeg, fresh.clips);
        if (first.inserted != kNewClips || first.probed != kNewClips) {
            std::fprintf(stderr, "catalogue: first build listed %d and probed %d of %d\n", first.inserted, first.probed,
                         kNewClips);
            return 1;
        }
        if (round == 0) freshBytes = static_cast<double>(FileBytes(freshCache)) / kNewClips;
        ratios.push_back(firstBuild.ms / bare50);
        worstAnswerMs = std::max(worstAnswerMs, firstBuild.worstAnswerMs);
        std::snprintf(detail, sizeof detail, "%s%.2f s / %.2f s", round == 0 ? "" : ", ", firstBuild.ms / 1000,
                      bare50 / 1000);
        rounds += detail;
    }
    std::snprintf(detail, sizeof detail, "median of %d rounds of build / %d bare probes: %s", kFirstBuildRounds,
                  kNewClips, rounds.c_str());
    ok &= Report("first_build_50_vs_50_bare_probes", bench::Median(ratios), kFirstBuildLimit, "x", detail);
    ok &= Report("window_answer_during_first_build_ms", worstAnswerMs, kAnswerLimitMs, "", "slowest of all rounds");
    std::snprintf(detail, sizeof detail, "%d clips probed for real", kNewClips);
    ok &= Report("cache_bytes_per_clip_first_build", freshBytes, kBytesPerClipLimit, "", detail);
    DeleteFileW(freshCache.c_str());

    // Second start: 500 unchanged clips, every one in the cache, against those 500 clips
    // probed one by one (minutes: the cost the cache saves at every start).
    SendMessageW(hwnd, library::WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
    Folder unchanged{TempPath(L"reelkeep-bench-unchanged\\")};
    if (!MakeClips(unchanged, kUnchangedClips)) return 1;
    const std::wstring cache = TempPath(L"reelkeep-bench-unchanged.cache");
    if (!FillCache(cache, ffmpeg, unchanged)) return 1;
    library::BuildOutcome second;
    const bench::TimedJob secondStart = bench::RunWhileTimingAnswers(hwnd, [&] {
        second = library::BuildClipListCounting(hwnd, true, EveryDate(), {unchanged.path, ffmpeg, cache});
    });
    if (second.inserted != kUnchangedClips || second.probed != 0) {
        std::fprintf(stderr, "catalogue: second start listed %d and probed %d of %d\n", second.inserted, second.probed,
                     kUnchangedClips);
        return 1;
    }
    const double bare500 = BareProbesMs(ffmpeg, unchanged.clips);
    std::snprintf(detail, sizeof detail, "list %.2f s, %d bare probes %.1f s", secondStart.ms / 1000, kUnchangedClips,
                  bare500 / 1000);
    ok &= Report("second_start_500_vs_500_bare_probes", secondStart.ms / bare500, kSecondStartLimit, "x", detail);
    ok &= Report("window_answer_during_second_start_ms", secondStart.worstAnswerMs, kAnswerLimitMs, "", "");
    const double bytes = static_cast<double>(FileBytes(cache)) / kUnchangedClips;
    ok &= Report("cache_bytes_per_clip_500", bytes, kBytesPerClipLimit, "", "");
    DeleteFileW(cache.c_str());
    return ok ? 0 : 1;
}
