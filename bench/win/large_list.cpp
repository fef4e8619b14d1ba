// A list of 2,000 clips: "Show" refilling it from the probe cache while the window keeps
// answering, and how long sorting by each kind of column and switching layouts keep the
// window busy (both run on the window thread itself).
#include "MainWindowBench.h"

#include "library/Catalogue.h"
#include "framework/WindowMessages.h"
#include "library/MediaProbe.h"
#include "library/ProbeCacheFile.h"
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
constexpr double kAnswerLimitMs = 100.0;
// A sort or a layout blocks the window while it runs; a quarter of a second is still
// felt as immediate, even on a machine as loaded as ours.
constexpr double kBlockingLimitMs = 250.0;

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

// Window-thread work blocks the window for exactly as long as it runs.
template <typename Action>
double TimeMs(Action action) {
    const double start = bench::NowMilliseconds();
    action();
    return bench::NowMilliseconds() - start;
}

bool Report(const char* figure, double ms, double limitMs) {
    std::printf("large_list.%s: %.1f ms (limit %.0f)\n", figure, ms, limitMs);
    return ms <= limitMs;
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

    const bench::TimedJob show = bench::RunWhileTimingAnswers(hwnd, [&] { library::RebuildClipList(hwnd, source); });
    if (list.RowCount() != kClips) {
        std::fprintf(stderr, "large_list: \"Show\" listed %d of %d clips\n", list.RowCount(), kClips);
        return 1;
    }
    std::printf("large_list.show_2000_rows_from_cache: %.2f s\n", show.ms / 1000);
    ok &= Report("window_answer_during_show_ms", show.worstAnswerMs, kAnswerLimitMs);

    const struct {
        const char* figure;
        int column;
    } sorts[] = {{"window_busy_sorting_by_title_ms", 0}, {"window_busy_sorting_by_date_ms", 1},
                 {"window_busy_sorting_by_size_ms", 3}, {"window_busy_sorting_by_frame_rate_ms", 6}};
    for (const auto& sort : sorts) {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = list.hwnd();
        click.hdr.idFrom = IDC_CLIP_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = sort.column;
        ok &= Report(sort.figure, TimeMs([&] {
                         SendMessageW(hwnd, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
                         UpdateWindow(hwnd);
                     }), kBlockingLimitMs);
    }

    const struct {
        const char* figure;
        WORD command;
    } layouts[] = {{"window_busy_switching_to_simple_ms", ID_VIEW_SIMPLE},
                   {"window_busy_switching_to_advanced_ms", ID_VIEW_ADVANCED},
                   {"window_busy_switching_to_standard_ms", ID_VIEW_STANDARD}};
    for (const auto& layout : layouts) {
        ok &= Report(layout.figure, TimeMs([&] {
                         SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(layout.command, 0), 0);
                         UpdateWindow(hwnd);
                     }), kBlockingLimitMs);
    }

    DestroyWindow(hwnd);
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    DeleteFileW(cache.c_str());
    return ok ? 0 : 1;
}
