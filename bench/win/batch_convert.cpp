// Five 12 s clips converted by the batch dialog against the same five ffmpeg commands run
// bare one after another, each followed by the probe that reads its output back (a
// conversion is kept only once its file has read back whole), alternately in one run,
// which goes first changing from round to round; prints the ratio of the medians, and the
// share of the bare runs that reading back takes. A batch of its own, with the dialog shown, has
// another thread time how long the dialog takes to answer a message.
#include "BenchTools.h"

#include "convert/ConvertJob.h"
#include "convert/BatchConvertDialog.h"
#include "probe/MediaProbe.h"
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
constexpr int kRounds = 7;
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
    for (int i = 0; i < 11; ++i)
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
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

BatchRun TimeBatch(HWND owner, const std::wstring& folder, bool probeAnswers) {
    convert::BatchConvertDialog dialog(owner);
    dialog.SetToolFolder(BinFolder());
    BatchRun result;
    if (!dialog.CreateModeless() || dialog.Rows().size() != kClips) return result;
    if (probeAnswers) ShowWindow(dialog.hwnd(), SW_SHOW);
    dialog.SetItemText(IDC_OUTPUT_FOLDER, folder);
    dialog.SendItem(IDC_FORMAT, CB_SETCURSEL, 1, 0);
    const auto idle = [&] {
        return dialog.ItemText(IDC_CONVERT) == convert::ConvertButtonCaption(convert::ConvertButtonState::Idle);
    };
    const double start = NowMilliseconds();
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);
    if (probeAnswers)
        result.slowestAnswer = bench::SlowestAnswerUntil(dialog.hwnd(), idle);
    else
        bench::ServeUntil(idle);
    result.milliseconds = NowMilliseconds() - start;
    DestroyWindow(dialog.hwnd());
    return result;
}

}  // namespace

int main() {
    GetDesktopWindow();
    bench::KeepFoldersClosed();
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
        for (const convert::ConvertJob& job : jobs) DeleteFileW(convert::OutputPath(job).c_str());
    };
    const auto allWritten = [&] {
        for (const convert::ConvertJob& job : jobs)
            if (FileSize(convert::OutputPath(job)) <= 0) return false;
        return true;
    };

    HWND owner = MakeTickedClips(clip);
    std::vector<double> bare, batch;
    bool wrote = true;
    bench::TimeBare(convert::BuildFfmpegCommandLine(jobs[0], BinFolder()));  // warm the cache and Wine's loader
    std::vector<double> readBack;
    const auto timeBare = [&] {
        clearOutputs();
        double total = 0;
        double probes = 0;
        for (const convert::ConvertJob& job : jobs) {
            total += bench::TimeBare(convert::BuildFfmpegCommandLine(job, BinFolder()));
            const double reading =
                bench::TimeBare(probe::ProbeCommandLine(convert::FfmpegPath(BinFolder()), convert::OutputPath(job)));
            total += reading;
            probes += reading;
        }
        bare.push_back(total);
        readBack.push_back(probes);
        wrote = wrote && allWritten();
    };
    const auto timeBatch = [&](bool probeAnswers) {
        clearOutputs();
        const BatchRun run = TimeBatch(owner, folder, probeAnswers);
        wrote = wrote && run.milliseconds > 0 && allWritten();
        return run;
    };
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2 == 0) timeBare();
        batch.push_back(timeBatch(false).milliseconds);
        if (round % 2 == 1) timeBare();
    }
    const double slowest = timeBatch(true).slowestAnswer;
    clearOutputs();
    RemoveDirectoryW(folder.c_str());
    DestroyWindow(owner);
    if (!wrote) {
        std::printf("batch convert: a run failed or wrote nothing\n");
        return 1;
    }
    const double ratio = Median(batch) / Median(bare);
    std::printf("batch_convert: five 12 s clips to MP4, median of %d: %.0f ms bare, %.0f ms batch\n", kRounds,
                Median(bare), Median(batch));
    std::printf("batch_convert.batch_vs_bare: %.3fx (limit %.2fx)\n", ratio, kLimit);
    std::printf("batch_convert.read_back_share_of_bare: %.3f\n", Median(readBack) / Median(bare));
    std::printf("batch_convert.dialog_answer: slowest %.1f ms (limit %.0f ms)\n", slowest, kAnswerLimitMs);
    // Other work on a shared machine moves single rounds by seconds: the spread says how much.
    std::printf("  rounds, bare/batch ms:");
    for (std::size_t round = 0; round < bare.size(); ++round) std::printf(" %.0f/%.0f", bare[round], batch[round]);
    std::printf("\n  ");
    bench::PrintLoad();
    return ratio <= kLimit && slowest <= kAnswerLimitMs ? 0 : 1;
}
