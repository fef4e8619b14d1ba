#include "webimport/PlaylistCommand.h"

#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"

namespace webimport {

namespace {

// A server that stops answering in the middle of a stream ends the copy as a failure
// instead of holding it for ever (microseconds).
constexpr std::wstring_view kReadTimeout = L"30000000";

std::wstring InputArguments(std::wstring_view input, const RequestIdentity& identity) {
    using platform::QuoteArgument;
    // The referrer goes as a header: the DASH reader hands headers to its fragment
    // requests but not the -referer option.
    return platform::WebStreamInput() + L" -rw_timeout " + std::wstring(kReadTimeout) + L" -user_agent " +
           QuoteArgument(identity.userAgent) + L" -headers " +
           QuoteArgument(L"Referer: " + identity.referrer + L"\r\n") + L" -i " + QuoteArgument(input);
}

std::wstring StreamMap(wchar_t kind, std::optional<std::size_t> index, int input, bool optional) {
    return L" -map " + std::to_wstring(input) + L":" + kind + L":" + std::to_wstring(index.value_or(0)) +
           (optional ? L"?" : L"");
}

}  // namespace

std::wstring PlaylistProbeCommandLine(std::wstring_view ffmpegPath, std::wstring_view input,
                                      const RequestIdentity& identity) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    if (program.empty()) return {};
    return program + L" -hide_banner -nostdin" + InputArguments(input, identity);
}

std::wstring PlaylistCopyCommandLine(std::wstring_view ffmpegPath, const PlaylistSource& source,
                                     const RequestIdentity& identity, std::wstring_view output) {
    const std::wstring program = platform::QuoteProgram(ffmpegPath);
    if (program.empty()) return {};
    std::wstring line =
        program + L" -hide_banner -nostdin -loglevel verbose -y" + InputArguments(source.input, identity);
    const bool separateSound = !source.audioInput.empty();
    if (separateSound) line += InputArguments(source.audioInput, identity);
    line += StreamMap(L'v', source.videoStream, 0, false);
    // A stream without sound is still a video; the map may find none.
    line += separateSound ? StreamMap(L'a', std::nullopt, 1, false) : StreamMap(L'a', source.audioStream, 0, true);
    line += L" -c copy -f ";
    line += source.container == Container::Mp4 ? L"mp4" : L"matroska";
    return line + L" " + platform::QuoteArgument(output);
}

std::wstring_view ExtensionOf(Container container) { return container == Container::Mp4 ? L".mp4" : L".mkv"; }

}  // namespace webimport
