// A list of 2,000 clips against one of 20, each in a main window of its own, measured in
// turns in the same run: "Show" refilling
// it from the probe cache (against reading the folder and every clip's title, as any
// listing must), how quickly the window answers meanwhile, and how long sorting by each
// kind of column and switching layouts keep the window busy (both run on the window
// thread itself). A long list should cost the window no more than a short one does.
#include "library/Catalogue.h"
#include "platform/FileValues.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheFile.h"
#include "resources/resource.h"
#include "titles/TitleStore.h"

#include "support/MainWindowBench.h"
#include "support/ScratchFolder.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using bench::BinFolder;
using bench::TempPath;

constexpr int kLargeList = 2000;
constexpr int kSmallList = 20;
constexpr int kRuns = 3;
// The window answers a message within this while the list fills: what a user still takes
// for a window that answers at once.
constexpr double kAnswerLimitMs = 100.0;
// "Show" makes every row from what the folder and the title store say, plus the cache;
// the rest is handing the rows to the list.
constexpr double kShowLimit = 2.0;
// A sort or a layout blocks the window while it runs. Against the same action on the
// short list, measured in the same run: a single paint of the window takes three times
// as long while others build on this machine, and the ratio stays.
constexpr double kBusyLimit = 2.0;

// Tiny files that the cache describes as the real test clip, so "Show" probes none.
bool MakeLibrary(const std::wstring& folder, const std::wstring& cachePath, const std::wstring& ffmpeg, int clips) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const probe::MediaProbeResult probe =
        probe::ProbeMedia(BinFolder() + L"probe-clips\\flv-320x240-sound.flv", ffmpeg);
    probe::ProbeEntries entries;
    for (int i = 0; i < clips; ++i) {
        const std::wstring path = folder + std::to_wstring(1260000000 + i * 37) + L".flv";
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        // Sizes differ so that sorting by size has work to do.
        std::string bytes(static_cast<std::size_t>(1 + (i * 7919) % 5000), 'x');
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FILETIME lastWrite{};
        GetFileTime(file, nullptr, nullptr, &lastWrite);
        CloseHandle(file);
        probe::ProbeFields fields = probe.fields;
        fields.frameRate = std::to_wstring(i % 60) + L" Fps";
        entries[path] = probe::CachedProbe{bytes.size(), platform::FileTimeValue(lastWrite), true, fields};
    }
    return probe::ProbeCacheFile(cachePath, *probe::IdentifyProbeTool(ffmpeg)).Save(entries, nullptr);
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
        titled += titles::ReadTitle(folder + entry.cFileName).size() > 0 ? 1 : 0;
    });
    return titled == 0 ? 0 : bench::NowMilliseconds() - start;
}

bool Report(const char* figure, double value, double limit, const char* unit, const char* detail = "") {
    std::printf("large_list.%s: %.2f%s (limit %.2f%s)  %s\n", figure, value, unit, limit, unit, detail);
    return value <= limit;
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

struct Action {
    const char* name;
    std::function<void(HWND window, HWND list)> run;
};

void ClickHeader(HWND window, HWND list, int column) {
    NMLISTVIEW click = HeaderClick(list, column);
    SendMessageW(window, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
}

void ChooseView(HWND window, WORD command) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// Each layout is switched to from the one before it, as Alt+V goes round.
const Action kActions[] = {
    {"sorting_by_title", [](HWND w, HWND l) { ClickHeader(w, l, 0); }},
    {"sorting_by_date", [](HWND w, HWND l) { ClickHeader(w, l, 1); }},
    {"sorting_by_size", [](HWND w, HWND l) { ClickHeader(w, l, 3); }},
    {"sorting_by_frame_rate", [](HWND w, HWND l) { ClickHeader(w, l, 6); }},
    {"switching_to_simple", [](HWND w, HWND) { ChooseView(w, ID_VIEW_SIMPLE); }},
    {"switching_to_standard", [](HWND w, HWND) { ChooseView(w, ID_VIEW_STANDARD); }},
    {"switching_to_advanced", [](HWND w, HWND) { ChooseView(w, ID_VIEW_ADVANCED); }},
};

// One library in its own window: its "Show" runs and every action, each the median of its
// runs.
struct ListFigures {
    double showMs = 0;
    double folderReadMs = 0;
    double slowestAnswerMs = 0;  // a run's slowest answer, median of the runs
    double worstAnswerMs = 0;    // of every run
    std::vector<double> actionMs = {};
};

struct ListUnderTest {
    bench::QuietMainWindow window;
    library::CatalogueSource source;
    int rows = 0;
    std::vector<double> shows = {}, reads = {}, answers = {};
    std::vector<std::vector<double>> actions = std::vector<std::vector<double>>(std::size(kActions));

    ListFigures Figures() const {
        ListFigures figures{bench::Median(shows), bench::Median(reads), bench::Median(answers),
                            *std::ranges::max_element(answers)};
        for (const std::vector<double>& runs : actions) figures.actionMs.push_back(bench::Median(runs));
        return figures;
    }
};

// The window on top and painted, with nothing left to serve, before it is timed.
void BringForward(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(window);
    bench::ServeUntil([] { return true; });
}

bool Show(ListUnderTest& list) {
    const HWND hwnd = list.window.hwnd();
    BringForward(hwnd);
    list.reads.push_back(FolderReadMs(list.source.folder));
    const bench::TimedJob show =
        bench::RunWhileTimingAnswers(hwnd, [&] { library::RebuildClipList(hwnd, list.source); });
    if (list.window.clipList().RowCount() != list.rows) {
        std::fprintf(stderr, "large_list: \"Show\" listed %d of %d clips\n", list.window.clipList().RowCount(),
                     list.rows);
        return false;
    }
    list.shows.push_back(show.ms);
    list.answers.push_back(show.worstAnswerMs);
    return true;
}

// The load of this shared machine changes within seconds: both lists take each step in
// turn, the one that goes first changing every run, so that the load weighs on both alike.
bool MeasureInTurns(ListUnderTest& shortList, ListUnderTest& longList) {
    for (int run = 0; run < kRuns; ++run) {
        ListUnderTest* turns[] = {&shortList, &longList};
        if (run % 2 == 1) std::swap(turns[0], turns[1]);
        for (ListUnderTest* list : turns) {
            if (!Show(*list)) return false;
        }
        for (std::size_t i = 0; i < std::size(kActions); ++i) {
            for (ListUnderTest* list : turns) {
                const HWND hwnd = list->window.hwnd();
                BringForward(hwnd);
                list->actions[i].push_back(
                    BusyMs(hwnd, [&] { kActions[i].run(hwnd, list->window.clipList().hwnd()); }));
            }
        }
    }
    return true;
}

}  // namespace

int main() {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bench::PrintLoad();
    const std::wstring ffmpeg = BinFolder() + L"ffmpeg.exe";
    const std::wstring scratch = TempPath(L"reelkeep-bench-large\\");
    const library::CatalogueSource large{scratch + L"large\\", ffmpeg, scratch + L"large.cache"};
    const library::CatalogueSource small{scratch + L"small\\", ffmpeg, scratch + L"small.cache"};
    CreateDirectoryW(scratch.c_str(), nullptr);
    if (!MakeLibrary(large.folder, large.probeCache, ffmpeg, kLargeList) ||
        !MakeLibrary(small.folder, small.probeCache, ffmpeg, kSmallList)) {
        std::fprintf(stderr, "large_list: cannot make the libraries\n");
        return 1;
    }
    ListUnderTest shortList{{}, small, kSmallList};
    ListUnderTest longList{{}, large, kLargeList};
    for (ListUnderTest* list : {&shortList, &longList}) {
        if (!list->window.CreateModeless()) return 1;
        ShowWindow(list->window.hwnd(), SW_SHOW);
    }
    const bool measured = MeasureInTurns(shortList, longList);
    DestroyWindow(shortList.window.hwnd());
    DestroyWindow(longList.window.hwnd());
    testing_support::ScratchFolder::RemoveTree(scratch);
    if (!measured) return 1;
    const ListFigures shortFigures = shortList.Figures();
    const ListFigures longFigures = longList.Figures();

    bool ok = true;
    char detail[128];
    std::snprintf(detail, sizeof detail, "\"Show\" %.2f s, folder and titles %.2f s (medians of %d)",
                  longFigures.showMs / 1000, longFigures.folderReadMs / 1000, kRuns);
    ok &= Report("show_2000_rows_vs_reading_the_folder", longFigures.showMs / longFigures.folderReadMs, kShowLimit, "x",
                 detail);
    std::snprintf(detail, sizeof detail,
                  "a run's slowest answer, median of %d; slowest of all %.0f ms; %d rows %.0f ms", kRuns,
                  longFigures.worstAnswerMs, kSmallList, shortFigures.slowestAnswerMs);
    ok &= Report("window_answer_during_show", longFigures.slowestAnswerMs, kAnswerLimitMs, " ms", detail);
    for (std::size_t i = 0; i < std::size(kActions); ++i) {
        const std::string figure = std::string("window_busy_") + kActions[i].name + "_2000_vs_20_rows";
        std::snprintf(detail, sizeof detail, "%.0f ms against %.0f ms (medians of %d)", longFigures.actionMs[i],
                      shortFigures.actionMs[i], kRuns);
        ok &= Report(figure.c_str(), longFigures.actionMs[i] / shortFigures.actionMs[i], kBusyLimit, "x", detail);
    }
    return ok ? 0 : 1;
}
