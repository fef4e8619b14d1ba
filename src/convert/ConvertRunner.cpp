#include "convert/ConvertRunner.h"

#include "convert/OutputCheck.h"
#include "convert/Progress.h"
#include "platform/SystemError.h"
#include "platform/ToolRun.h"
#include "platform/ToolOutput.h"
#include "probe/MediaProbe.h"

#include <atomic>

namespace convert {

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool HasContent(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (data.nFileSizeHigh | data.nFileSizeLow) != 0;
}

}  // namespace

ConversionRun::ConversionRun() : haltEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void ConversionRun::Halt() {
    halted_ = true;
    if (haltEvent_) SetEvent(haltEvent_.get());
}

ConverterOutcome runConverter(const std::wstring& commandLine, ConversionRun& run, const ProgressReport& onReport) {
    ProgressParser parser;
    ToolErrorLine errorLine;
    ConversionReport report;
    const platform::ToolRunOutcome tool =
        platform::RunToolWithOutput(commandLine, run.haltEvent(), [&](std::string_view bytes) {
            errorLine.Feed(bytes);
            report.Feed(bytes);
            for (std::int64_t seconds : parser.Feed(bytes)) onReport(seconds);
        });
    ConverterOutcome outcome;
    outcome.started = tool.started;
    outcome.startError = tool.startError;
    outcome.halted = tool.halted || run.halted();
    outcome.exitCode = tool.exitCode;
    outcome.errorLine = platform::DecodeToolOutput(errorLine.line());
    outcome.inputSeconds = report.inputSeconds();
    outcome.finished = report.finished();
    return outcome;
}

ConversionResult ConvertToFile(const ConvertJob& job, const std::wstring& toolFolder, const std::wstring& temporary,
                               ConversionRun& run, const ProgressReport& onReport) {
    const std::wstring output = OutputPath(job);
    const ConverterOutcome outcome = runConverter(BuildFfmpegCommandLine(job, toolFolder, temporary), run, onReport);
    ConversionResult result;
    if (outcome.halted) {
        DeleteFileW(temporary.c_str());
        result.status = ConversionResult::Status::Halted;
        return result;
    }
    if (!outcome.started) {
        result.failure = L"ffmpeg.exe could not be started: " + platform::SystemErrorText(outcome.startError);
        return result;
    }
    if (outcome.exitCode != 0 || !HasContent(temporary)) {
        DeleteFileW(temporary.c_str());
        // ffmpeg names the file it was writing; the user knows it by its real name.
        result.failure = outcome.errorLine.empty() ? L"ffmpeg ended without writing the file." : outcome.errorLine;
        ReplaceAll(result.failure, temporary, output);
        return result;
    }
    // A clean exit is not proof enough: the file must read back as the whole clip.
    const probe::MediaProbeResult check = probe::ProbeMedia(temporary, FfmpegPath(toolFolder));
    if (run.halted()) {
        DeleteFileW(temporary.c_str());
        result.status = ConversionResult::Status::Halted;
        return result;
    }
    result.failure = OutputShortfall(check.report, ExpectedOutputSeconds(job, outcome.inputSeconds), outcome.finished);
    if (!result.failure.empty()) {
        DeleteFileW(temporary.c_str());
        return result;
    }
    if (!MoveFileExW(temporary.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        result.failure = platform::SystemErrorText(error);
        return result;
    }
    result.status = ConversionResult::Status::Converted;
    return result;
}

std::wstring NewRunTag() {
    static std::atomic<unsigned> counter{0};
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

}  // namespace convert
