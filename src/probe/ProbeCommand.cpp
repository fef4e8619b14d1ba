#include "probe/MediaProbe.h"

#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"

namespace probe {

std::wstring ProbeCommandLine(const std::wstring& ffmpegPath, const std::wstring& filePath) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    if (program.empty()) return {};
    // ffmpeg.exe is started directly, not through cmd /c: no shell ever reads the file
    // name, so "&", "%" or quotes in it are only characters of the name.
    return program + platform::LocalMediaInput() + L" -i " + platform::QuoteArgument(filePath);
}

}  // namespace probe
