#include "webimport/PlaylistCommand.h"

#include "intake/ToolCommand.h"
#include "platform/CommandLine.h"
#include "platform/ToolInputs.h"

namespace webimport {

namespace {

// A server that stops answering in the middle of a stream ends the copy as a failure
// instead of holding it for ever (microseconds).
constexpr std::wstring_view kReadTimeout = L"30000000";

// How each request presents itself. The referrer goes as a header: the DASH reader hands
// headers to its fragment requests but not the -referer option.
std::wstring WebOptions(const RequestIdentity& identity) {
    using platform::QuoteArgument;
    return L"-rw_timeout " + std::wstring(kReadTimeout) + L" -user_agent " + QuoteArgument(identity.userAgent) +
           L" -headers " + QuoteArgument(L"Referer: " + identity.referrer + L"\r\n");
}

std::wstring InputArguments(std::wstring_view input, const RequestIdentity& identity) {
    return platform::WebStreamInput() + L" " + WebOptions(identity) + L" -i " + platform::QuoteArgument(input);
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
    intake::CopyOrJoin job;
    // The log says how far the copy got and which segment failed.
    job.options = L"-loglevel verbose";
    job.picture =
        intake::ToolInput(source.input, WebOptions(identity), platform::kWebProtocols, platform::kWebStreamFormats);
    if (!source.audioInput.empty())
        job.sound = intake::ToolInput(source.audioInput, WebOptions(identity), platform::kWebProtocols,
                                      platform::kWebStreamFormats);
    job.pictureStream = source.videoStream;
    job.soundStream = source.audioStream;
    job.container = source.container.value_or(intake::ClipContainer::Matroska);
    job.output = std::wstring(output);
    return intake::CopyOrJoinCommandLine(ffmpegPath, job);
}

}  // namespace webimport
