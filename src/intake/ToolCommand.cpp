#include "intake/ToolCommand.h"

#include "platform/CommandLine.h"

#include <cstdio>

namespace intake {

namespace {

std::wstring Input(const ToolInput& input) {
    const std::wstring location = platform::QuoteArgument(input.location);
    if (input.location.empty() || location.empty()) return {};
    std::wstring text = platform::InputLimits(input.protocols, input.formats);
    if (!input.options.empty()) text += L" " + input.options;
    return text + L" -i " + location;
}

std::wstring Map(wchar_t kind, std::optional<std::size_t> index, int input, bool optional) {
    return L" -map " + std::to_wstring(input) + L":" + kind + L":" + std::to_wstring(index.value_or(0)) +
           (optional ? L"?" : L"");
}

}  // namespace

std::wstring CopyOrJoinCommandLine(std::wstring_view ffmpegPath, const CopyOrJoin& job) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    const std::wstring picture = Input(job.picture);
    const std::wstring output = platform::QuoteArgument(job.output);
    if (program.empty() || picture.empty() || job.output.empty() || output.empty()) return {};
    std::wstring line = program + L" -hide_banner -nostdin -y";
    if (!job.options.empty()) line += L" " + job.options;
    line += picture;
    if (job.sound) {
        const std::wstring sound = Input(*job.sound);
        if (sound.empty()) return {};
        line += sound + Map(L'v', job.pictureStream, 0, false) + Map(L'a', job.soundStream, 1, false);
    } else {
        // A picture without sound is still a clip; the map may find none.
        line += Map(L'v', job.pictureStream, 0, false) + Map(L'a', job.soundStream, 0, true);
    }
    line += L" -c copy";
    if (job.seconds && *job.seconds > 0) {
        wchar_t limit[32];
        std::swprintf(limit, 32, L" -t %.3f", *job.seconds);
        line += limit;
    }
    return line + L" -f " + MuxerOf(job.container) + L" " + output;
}

}  // namespace intake
