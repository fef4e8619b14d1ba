// A 60 s clip converted through runConverter (pipe, job, progress parsing) against the same
// ffmpeg command run bare (output to NUL, only waited for), alternately in one run. Prints
// the ratio of the medians; fails when it is over the limit or a run wrote no output.
#include "convert/ConvertJob.h"
#include "convert/ConvertRunner.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kLimit = 1.05;
constexpr int kRounds = 5;

double NowMilliseconds() {
    static const double perSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e3 / perSecond;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The same command, hidden, output thrown away, waited for: what ffmpeg itself costs.
double TimeBare(std::wstring commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION started{};
    const double start = NowMilliseconds();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    const double elapsed = NowMilliseconds() - start;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    CloseHandle(nul);
    return elapsed;
}

double TimeRunner(const std::wstring& commandLine, int& reports) {
    convert::ConversionRun run;
    const double start = NowMilliseconds();
    const convert::ConverterOutcome outcome =
        convert::runConverter(commandLine, run, [&](std::int64_t) { ++reports; });
    const double elapsed = NowMilliseconds() - start;
    return outcome.started ? elapsed : -1;
}

}  // namespace

int main() {
    // A console program without a window would let ffmpeg's desktop process inherit the pipe.
    GetDesktopWindow();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    convert::ConvertJob job;
    job.inputPath = BinFolder() + L"probe-clips\\convert-60s.flv";
    job.outputFolder = std::wstring(temp) + L"reelkeep-bench-convert";
    CreateDirectoryW(job.outputFolder.c_str(), nullptr);
    job.outputName = L"bench";
    job.formatIndex = 1;  // MP4, mpeg4 at 480x320
    job.qualityLevel = 3;
    const std::wstring commandLine = convert::buildFfmpegCommandLine(job, BinFolder());
    const std::wstring output = convert::outputPath(job);

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
    RemoveDirectoryW(job.outputFolder.c_str());
    const double ratio = Median(runner) / Median(bare);
    std::printf("convert runner, 60 s clip to MP4 (median %.0f ms bare, %.0f ms runner, %d reports): %.3fx (limit %.2fx)\n",
                Median(bare), Median(runner), reports / kRounds, ratio, kLimit);
    return ratio <= kLimit && reports > 0 ? 0 : 1;
}
