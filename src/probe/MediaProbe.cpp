#include "probe/MediaProbe.h"

#include "platform/ProgramFolder.h"
#include "platform/ProcessRunner.h"

#include <thread>

namespace probe {

std::wstring DefaultFfmpegPath() { return platform::ProgramFolder() + L"ffmpeg.exe"; }

namespace {

constexpr std::chrono::milliseconds kPauseForAHeldFile{250};

// The tool's own words when it cannot open its input: "<path>: <reason>".
bool SaysUnopened(const std::wstring& report, const std::wstring& filePath) {
    for (const wchar_t* reason : {L": Permission denied", L": No such file or directory"}) {
        if (report.find(filePath + reason) != std::wstring::npos) return true;
    }
    return false;
}

}  // namespace

MediaProbeResult ProbeMedia(const std::wstring& filePath, const std::wstring& ffmpegPath,
                            std::chrono::milliseconds timeout) {
    MediaProbeResult result;
    const std::wstring commandLine = ProbeCommandLine(ffmpegPath, filePath);
    // ffmpeg.exe always prints something, if only its banner; a run that gave nothing at
    // all failed to start or was lost on its way (seen under load), so it is tried once more
    // rather than listed as a clip without streams.
    for (int attempt = 0; attempt < 2 && !commandLine.empty() && result.report.empty() && !result.timedOut; ++attempt) {
        platform::CapturedRun run = platform::RunAndCapture(commandLine, timeout);
        result.report = std::move(run.text);
        result.timedOut = run.timedOut;
        result.unopened = SaysUnopened(result.report, filePath);
        if (result.unopened && attempt == 0) {
            std::this_thread::sleep_for(kPauseForAHeldFile);
            result.report.clear();
        }
    }
    result.fields = ParseProbeReport(result.report);
    return result;
}

}  // namespace probe
