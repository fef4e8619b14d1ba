#pragma once
// The one command that brings media into a clip file: copy one input into a container,
// or join a picture and its sound, never re-encoding. Every input names the protocols and
// the demuxers the tool may use for it, so that no input (a manifest, a playlist) can make
// it read anything else. Portable: no Windows header.
#include "intake/ClipContainer.h"
#include "platform/ToolInputs.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace intake {

struct ToolInput {
    ToolInput() = default;
    explicit ToolInput(std::wstring location, std::wstring options = {},
                       std::wstring_view protocols = platform::kLocalProtocols,
                       std::wstring_view formats = platform::kLocalMediaFormats)
        : location(std::move(location)), options(std::move(options)), protocols(protocols), formats(formats) {}

    std::wstring location;  // a local file, or a web address
    // Options the tool reads before this input (a web request's identity and time-out).
    std::wstring options;
    // The protocols and the demuxers this input may use (platform/ToolInputs.h).
    std::wstring_view protocols = platform::kLocalProtocols;
    std::wstring_view formats = platform::kLocalMediaFormats;
};

struct CopyOrJoin {
    // Options for the tool as a whole (how much it says while it works).
    std::wstring options;
    ToolInput picture;  // the picture, or everything when there is no separate sound
    std::optional<ToolInput> sound;
    // Which picture and sound stream of the inputs; the first of each when unset.
    std::optional<std::size_t> pictureStream;
    std::optional<std::size_t> soundStream;
    ClipContainer container = ClipContainer::Matroska;
    // The clip ends here: a picture cut short by a gap takes only the sound it matches.
    std::optional<double> seconds;
    std::wstring output;
};

// `"<ffmpeg>" -hide_banner -nostdin -y [-protocol_whitelist P -format_whitelist F <options>] -i <picture>
// [... -i <sound>] -map 0:v:N [-map 1:a:N | -map 0:a:N?] -c copy [-t S] -f <muxer> <output>`.
// Empty when a path cannot be quoted.
std::wstring CopyOrJoinCommandLine(std::wstring_view ffmpegPath, const CopyOrJoin& job);

}  // namespace intake
