#include "convert/ConvertJob.h"

#include "convert/Presets.h"
#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"

namespace convert {

int SecondsOfDay(int hour, int minute, int second) { return hour * 3600 + minute * 60 + second; }

int ExpectedSeconds(const CutRange& range) { return range.length(); }

std::wstring OutputPath(const ConvertJob& job) {
    return job.outputFolder + L"\\" + job.outputName + outputExtension(job.formatIndex);
}

std::wstring TemporaryOutputPath(const ConvertJob& job, std::wstring_view runTag) {
    return job.outputFolder + L"\\reelkeep-unfinished-" + std::wstring(runTag) + outputExtension(job.formatIndex);
}

std::wstring OutputFolderFromSetting(std::wstring_view setting, std::wstring_view myVideos) {
    if (setting.empty() || setting == L"NotSet") return std::wstring(myVideos);
    return std::wstring(setting);
}

std::wstring FfmpegPath(std::wstring_view programFolder) {
    std::wstring program(programFolder);
    if (!program.empty() && program.back() != L'\\') program += L'\\';
    return program + L"ffmpeg.exe";
}

std::wstring BuildFfmpegCommandLine(const ConvertJob& job, std::wstring_view programFolder, std::wstring_view writeTo) {
    std::wstring line = platform::QuoteProgram(FfmpegPath(programFolder));
    line += platform::LocalMediaInput();
    line += L" -i ";
    line += platform::QuoteArgument(job.inputPath);
    // The options may be empty, which leaves two blanks; ffmpeg does not mind.
    line += L' ';
    line += buildPresetArguments(job.formatIndex, job.resolutionIndex, job.qualityLevel);
    if (job.cut) {
        line += L" -t " + std::to_wstring(job.cutRange.length());
        line += L" -ss " + std::to_wstring(job.cutRange.start);
    }
    line += L" -y ";
    line += platform::QuoteArgument(writeTo.empty() ? OutputPath(job) : std::wstring(writeTo));
    return line;
}

std::wstring buildConvertCommand(const ConvertJob& job, std::wstring_view programFolder) {
    return L"cmd /c \"" + BuildFfmpegCommandLine(job, programFolder) + L"\"";
}

std::wstring OverwriteQuestion(ConvertSurface surface, std::wstring_view name, std::wstring_view extension) {
    std::wstring question = surface == ConvertSurface::MainPanel ? L"Current folder already contains files named '"
                                                                 : L"Current folder already contains a file named '";
    question += name;
    question += extension;
    question += L"'. Would you like to replace the existing file?";
    return question;
}

std::wstring_view ConvertButtonCaption(ConvertButtonState state) {
    switch (state) {
    case ConvertButtonState::Idle: return L"&Convert";
    case ConvertButtonState::Converting: return L"Sto&p";
    case ConvertButtonState::StoppedRunEnding: return L"&convert";
    }
    return L"&Convert";
}

}  // namespace convert
