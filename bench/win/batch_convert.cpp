// Five 12 s clips converted by the batch dialog against the same five ffmpeg commands run
// bare one after another, alternately in one run; prints the ratio of the medians. While
// each batch runs, another thread times how long the dialog takes to answer a message.
#include "BenchTools.h"

#include "convert/ConvertJob.h"
#include "convert/Page6.h"
#include "resources/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::BinFolder;
using bench::FileSize;
using bench::Median;
using bench::NowMilliseconds;

constexpr double kLimit = 1.05;
constexpr double kAnswerLimitMs = 100;
constexpr int kRounds = 3;
constexpr int kClips = 5;

// A stand-in for the main window: the clip list with five ticked rows.
HWND MakeTickedClips(const std::wstring& clip) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 10, 10, owner,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CLIP_LIST)), nullptr, nullptr);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 50;
    for (int i = 0; i < 11; ++i) SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    for (int row = 0; row < kClips; ++row) {
        const std::wstring title = L"bench " + std::to_wstring(row + 1);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(title.c_str());
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        const std::pair<int, std::wstring> cells[] = {{4, L"00:00:12"}, {5, L"320x240"}, {8, clip}};
        for (const auto& [sub, text] : cells) {
            LVITEMW cell{};
            cell.iSubItem = sub;
            cell.pszText = const_cast<wchar_t*>(text.c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        }
        LVITEMW state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = INDEXTOSTATEIMAGEMASK(2);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    }
    return owner;
}

struct BatchRun {
    double milliseconds = -1;
    double slowestAnswer = -1;
};

BatchRun TimeBatch(HWND owner, const std::wstring& folder) {
    convert::Page6 dialog(owner);
    dialog.SetToolFolder(BinFolder());
    BatchRun result;
    if (!dialog.CreateModeless() || dialog.Rows().size() != kClips) return result;
    dialog.SetItemText(IDC_OUTPUT_FOLDER, folder);
    dialog.SendItem(IDC_FORMAT, CB_SETCURSEL, 1, 0);
    const double start = NowMilliseconds();
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);
    result.slowestAnswer =
        bench::SlowestAnswerUntil(dialog.hwnd(), [&] { return dialog.ItemText(IDC_CONVERT) == L"Convert"; });
    result.milliseconds = NowMilliseconds() - start;
    DestroyWindow(dialog.hwnd());
    return result;
}

}  // namespace

int main() {
    GetDesktopWindow();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"reelkeep-bench-batch";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring clip = BinFolder() + L"probe-clips\\convert-12s.flv";

    std::vector<convert::ConvertJob> jobs;
    for (int row = 0; row < kClips; ++row) {
        convert::ConvertJob job;
        job.inputPath = clip;
        job.outputFolder = folder;
        job.outputName = L"bench " + std::to_wstring(row + 1);
        job.formatIndex = 1;  // MP4 at 480x320, the dialog's Medium quality
        job.qualityLevel = 2;
        jobs.push_back(job);
    }
    const auto clearOutputs = [&] {
        for (const convert::ConvertJob& job : jobs) DeleteFileW(convert::outputPath(job).c_str());
    };
    const auto allWritten = [&] {
        for (const convert::ConvertJob& job : jobs)
            if (FileSize(convert::outputPath(job)) <= 0) return false;
        return true;
    };

    HWND owner = MakeTickedClips(clip);
    std::vector<double> bare, batch;
    double slowest = 0;
    bool wrote = true;
    bench::TimeBare(convert::buildFfmpegCommandLine(jobs[0], BinFolder()));  // warm the cache and Wine's loader
    for (int round = 0; round < kRounds; ++round) {
        clearOutputs();
        double total = 0;
        for (const convert::ConvertJob& job : jobs) total += bench::TimeBare(convert::buildFfmpegCommandLine(job, BinFolder()));
        bare.push_back(total);
        wrote = wrote && allWritten();
        clearOutputs();
        const BatchRun run = TimeBatch(owner, folder);
        batch.push_back(run.milliseconds);
        slowest = std::max(slowest, run.slowestAnswer);
        wrote = wrote && run.milliseconds > 0 && allWritten();
    }
    clearOutputs();
    RemoveDirectoryW(folder.c_str());
    DestroyWindow(owner);
    if (!wrote) {
        std::printf("batch convert: a run failed or wrote nothing\n");
        return 1;
    }
    const double ratio = Median(batch) / Median(bare);
    std::printf("batch convert, five 12 s clips to MP4 (median %.0f ms bare, %.0f ms batch): %.3fx (limit %.2fx)\n",
                Median(bare), Median(batch), ratio, kLimit);
    std::printf("batch dialog answers during a batch: slowest %.1f ms (limit %.0f ms)\n", slowest, kAnswerLimitMs);
    return ratio <= kLimit && slowest <= kAnswerLimitMs ? 0 : 1;
}
