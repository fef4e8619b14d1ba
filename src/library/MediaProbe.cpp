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
    if (!commandLine.empty()) {
        platform::CapturedRun run = platform::RunAndCapture(commandLine, timeout);
        result.report = std::move(run.text);
        result.timedOut = run.timedOut;
    }
    result.fields = ParseProbeReport(result.report);
    return result;
}

}  // namespace library
