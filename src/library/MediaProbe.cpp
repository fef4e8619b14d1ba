#include "library/MediaProbe.h"

#include "platform/ProgramFolder.h"
#include "platform/CommandLine.h"
#include "platform/ProcessRunner.h"

namespace library {

std::wstring DefaultFfmpegPath() { return platform::ProgramFolder() + L"ffmpeg.exe"; }

std::wstring ProbeCommandLine(const std::wstring& ffmpegPath, const std::wstring& filePath) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    if (program.empty()) return {};
    // ffmpeg.exe is started directly, not through cmd /c: no shell ever reads the file
    // name, so "&", "%" or quotes in it are only characters of the name.
    return program + L" -i " + platform::QuoteArgument(filePath);
}

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
    }
    result.fields = ParseProbeReport(result.report);
    return result;
}

}  // namespace library
