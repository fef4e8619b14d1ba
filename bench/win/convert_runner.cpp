// A 60 s clip converted through runConverter (pipe, job, progress parsing) against the same
// ffmpeg command run bare (output to NUL, only waited for), alternately in one run. Prints
// the ratio of the medians; fails when it is over the limit or a run wrote no output.
// Then the same clip converted from the single-clip dialog, while another thread times
// how long the dialog takes to answer a message.
#include "convert/ConvertDialog.h"
#include "convert/ConvertJob.h"
#include "convert/ConvertRunner.h"
#include "resources/resource.h"

#include "support/BenchTools.h"
#include "support/ClipListStandIn.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::BinFolder;
using bench::FileSize;
using bench::Median;
using bench::NowMilliseconds;
using bench::TimeBare;

constexpr double kLimit = 1.05;
constexpr int kRounds = 5;

double TimeRunner(const std::wstring& commandLine, int& reports) {
    convert::ConversionRun run;
    const double start = NowMilliseconds();
    const convert::ConverterOutcome outcome = convert::runConverter(commandLine, run, [&](std::int64_t) { ++reports; });
    const double elapsed = NowMilliseconds() - start;
    return outcome.started ? elapsed : -1;
}

constexpr double kAnswerLimitMs = 100;

// The slowest answer of the dialog to a sent message during one whole conversion.
double SlowestAnswerDuringConversion(const std::wstring& clip, const std::wstring& folder) {
    bench::ClipListStandIn clips;
    clips.Fill(clip, 1, 60, L"Bench", false);
    convert::ConvertDialog dialog(clips.owner, &clips.list);
    dialog.SetToolFolder(BinFolder());
    if (!dialog.CreateModeless()) return -1;
    dialog.SetItemText(IDC_OUTPUT_FOLDER, folder);
    dialog.SetItemText(IDC_OUTPUT_NAME, L"answers");
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);

    const double slowest = bench::SlowestAnswerUntil(dialog.hwnd(), [&] {
        return dialog.ItemText(IDC_CONVERT) == convert::ConvertButtonCaption(convert::ConvertButtonState::Idle);
    });
    DestroyWindow(dialog.hwnd());
    return slowest;
}

}  // namespace

int main() {
    // A console program without a window would let ffmpeg's desktop process inherit the pipe.
    GetDesktopWindow();
    bench::KeepFoldersClosed();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    convert::ConvertJob job;
    job.inputPath = BinFolder() + L"probe-clips\\convert-60s.flv";
    job.outputFolder = std::wstring(temp) + L"reelkeep-bench-convert";
    CreateDirectoryW(job.outputFolder.c_str(), nullptr);
    job.outputName = L"bench";
    job.formatIndex = 1;  // MP4, mpeg4 at 480x320
    job.qualityLevel = 3;
    const std::wstring commandLine = convert::BuildFfmpegCommandLine(job, BinFolder());
    const std::wstring output = convert::OutputPath(job);

    std::vector<double> bare, runner;
    int reports = 0;
    TimeBare(commandLine);  // warm the file cache and Wine's loader
    for (int round = 0; round < kRounds; ++round) {
        DeleteFileW(output.c_str());
        bare.push_back(TimeBare(commandLine));
        const bool bareWrote = FileSize(output) > 0;
        DeleteFileW(output.c_str());
        runner.push_back(TimeRunner(commandLine, reports));
        if (!bareWrote || FileSize(output) <= 0 || bare.back() < 0 || runner.back() < 0) {
            std::printf("convert runner: a run failed or wrote nothing\n");
            return 1;
        }
    }
    DeleteFileW(output.c_str());
    const double ratio = Median(runner) / Median(bare);
    std::printf(
        "convert runner, 60 s clip to MP4 (median %.0f ms bare, %.0f ms runner, %d reports): %.3fx (limit %.2fx)\n",
        Median(bare), Median(runner), reports / kRounds, ratio, kLimit);

    const double slowest = SlowestAnswerDuringConversion(job.inputPath, job.outputFolder);
    const bool converted = FileSize(job.outputFolder + L"\\answers.mov") > 0;
    DeleteFileW((job.outputFolder + L"\\answers.mov").c_str());
    RemoveDirectoryW(job.outputFolder.c_str());
    std::printf("dialog answers during a conversion: slowest %.1f ms (limit %.0f ms)%s\n", slowest, kAnswerLimitMs,
                converted ? "" : ", but nothing was converted");
    return ratio <= kLimit && reports > 0 && converted && slowest >= 0 && slowest <= kAnswerLimitMs ? 0 : 1;
}
