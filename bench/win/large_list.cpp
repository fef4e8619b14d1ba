// A list of 2,000 clips: "Show" refilling it from the probe cache, against reading the
// folder and every clip's title as any listing must (in the same run); how quickly the
// window answers meanwhile; and how long sorting by each kind of column and switching
// layouts keep the window busy (both run on the window thread itself).
#include "MainWindowBench.h"

#include "library/Catalogue.h"
#include "framework/WindowMessages.h"
#include "library/MediaProbe.h"
#include "library/ProbeCacheFile.h"
#include "library/TitleStore.h"
#include "platform/FileValues.h"
#include "resources/resource.h"

#include <windows.h>
#include <commctrl.h>

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

constexpr int kClips = 2000;
constexpr int kRuns = 3;
// The window answers a message within this while the list fills: what a user still takes
// for a window that answers at once.
constexpr double kAnswerLimitMs = 100.0;
// A sort or a layout blocks the window while it runs, and the window answers only after
// it. Figures are the middle of three runs: the machine is shared, and a single paint
// of the window can take three times as long while others build.
constexpr double kBlockingLimitMs = 150.0;
// "Show" makes every row from what the folder and the title store say, plus the cache;
// the rest is handing the rows to the list.
constexpr double kShowLimit = 2.0;

// Tiny files that the cache describes as the real test clip, so "Show" probes none.
bool MakeLibrary(const std::wstring& folder, const std::wstring& cachePath, const std::wstring& ffmpeg,
                 std::vector<std::wstring>& files) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const library::MediaProbeResult probe = library::ProbeMedia(BinFolder() + L"probe-clips\\flv-320x240-sound.flv", ffmpeg);
    library::ProbeEntries entries;
    for (int i = 0; i < kClips; ++i) {
        const std::wstring path = folder + std::to_wstring(1260000000 + i * 37) + L".flv";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        // Sizes differ so that sorting by size has work to do.
        std::string bytes(static_cast<std::size_t>(1 + (i * 7919) % 5000), 'x');
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FILETIME lastWrite{};
        GetFileTime(file, nullptr, nullptr, &lastWrite);
        CloseHandle(file);
        files.push_back(path);
        library::ProbeFields fields = probe.fields;
        fields.frameRate = std::to_wstring(i % 60) + L" Fps";
        entries[path] = library::CachedProbe{bytes.size(),
                                             platform::FileTimeValue(lastWrite),
                                             true, fields};
    }
    return library::ProbeCacheFile(cachePath, *library::IdentifyProbeTool(ffmpeg)).Save(entries, nullptr);
}

// Window-thread work blocks the window for exactly as long as it runs, paint included.
double BusyMs(HWND window, const std::function<void()>& action) {
    const double start = bench::NowMilliseconds();
    action();
    UpdateWindow(window);
    return bench::NowMilliseconds() - start;
}

// What every listing of the folder costs: each file found and its title read.
double FolderReadMs(const std::wstring& folder) {
    const double start = bench::NowMilliseconds();
    std::size_t titled = 0;
    platform::ForEachFile(folder, [&](const WIN32_FIND_DATAW& entry) {
        titled += library::ReadTitle(folder + entry.cFileName).size() > 0 ? 1 : 0;
    });
    return titled == 0 ? 0 : bench::NowMilliseconds() - start;
}

bool Report(const char* figure, double value, double limit, const char* unit, const char* detail = "") {
    std::printf("large_list.%s: %.2f%s (limit %.2f%s)  %s\n", figure, value, unit, limit, unit, detail);
    return value <= limit;
}

bool ReportBusy(const char* figure, std::vector<double> runs) {
    char detail[64];
    std::snprintf(detail, sizeof detail, "median of %zu, worst %.0f ms", runs.size(), *std::ranges::max_element(runs));
    return Report(figure, bench::Median(runs), kBlockingLimitMs, " ms", detail);
}

NMLISTVIEW HeaderClick(HWND list, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_CLIP_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    return click;
}

}  // namespace

int main() {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring ffmpeg = BinFolder() + L"ffmpeg.exe";
    const std::wstring folder = TempPath(L"reelkeep-bench-large\\");
    const std::wstring cache = TempPath(L"reelkeep-bench-large.cache");
    std::vector<std::wstring> files;
    if (!MakeLibrary(folder, cache, ffmpeg, files)) {
        std::fprintf(stderr, "large_list: cannot make the library\n");
        return 1;
    }
    bench::QuietMainWindow window;
    if (!window.CreateModeless()) return 1;
    ShowWindow(window.hwnd(), SW_SHOW);
    const HWND hwnd = window.hwnd();
    library::ClipListView& list = window.clipList();
    library::CatalogueSource source{folder, ffmpeg, cache};
    bool ok = true;

    std::vector<double> shows, reads, worstAnswers;
    for (int run = 0; run < kRuns; ++run) {
        reads.push_back(FolderReadMs(folder));
        const bench::TimedJob show = bench::RunWhileTimingAnswers(hwnd, [&] { library::RebuildClipList(hwnd, source); });
        if (list.RowCount() != kClips) {
            std::fprintf(stderr, "large_list: \"Show\" listed %d of %d clips\n", list.RowCount(), kClips);
            return 1;
        }
        shows.push_back(show.ms);
        worstAnswers.push_back(show.worstAnswerMs);
    }
    char detail[96];
    std::snprintf(detail, sizeof detail, "\"Show\" %.2f s, folder and titles %.2f s (medians of %d)",
                  bench::Median(shows) / 1000, bench::Median(reads) / 1000, kRuns);
    ok &= Report("show_2000_rows_vs_reading_the_folder", bench::Median(shows) / bench::Median(reads), kShowLimit, "x",
                 detail);
    std::snprintf(detail, sizeof detail, "a run's slowest answer, median of %d; slowest of all %.0f ms", kRuns,
                  *std::ranges::max_element(worstAnswers));
    ok &= Report("window_answer_during_show", bench::Median(worstAnswers), kAnswerLimitMs, " ms", detail);

    const struct {
        const char* figure;
        int column;
    } sorts[] = {{"window_busy_sorting_by_title", 0}, {"window_busy_sorting_by_date", 1},
                 {"window_busy_sorting_by_size", 3}, {"window_busy_sorting_by_frame_rate", 6}};
    for (const auto& sort : sorts) {
        NMLISTVIEW click = HeaderClick(list.hwnd(), sort.column);
        std::vector<double> runs;
        for (int run = 0; run < kRuns; ++run)
            runs.push_back(BusyMs(hwnd, [&] { SendMessageW(hwnd, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click)); }));
        ok &= ReportBusy(sort.figure, runs);
    }

    const struct {
        const char* figure;
        WORD command;
    } layouts[] = {{"window_busy_switching_to_simple", ID_VIEW_SIMPLE},
                   {"window_busy_switching_to_advanced", ID_VIEW_ADVANCED},
                   {"window_busy_switching_to_standard", ID_VIEW_STANDARD}};
    std::vector<double> layoutRuns[std::size(layouts)];
    for (int run = 0; run < kRuns; ++run) {
        for (std::size_t i = 0; i < std::size(layouts); ++i)
            layoutRuns[i].push_back(
                BusyMs(hwnd, [&] { SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(layouts[i].command, 0), 0); }));
    }
    for (std::size_t i = 0; i < std::size(layouts); ++i) ok &= ReportBusy(layouts[i].figure, layoutRuns[i]);

    DestroyWindow(hwnd);
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    DeleteFileW(cache.c_str());
    return ok ? 0 : 1;
}
