#pragma once
// What the control needs to know of a movie file before it shows it: its header and
// the tags of its first frame. Portable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace flashctl {

// Our player movie carries this text in a metadata tag; any other movie only shows its
// background.
inline constexpr std::string_view kPlayerMovieMarker = "reelkeep-video-player";

enum class SwfProblem { None, NotAMovie, Truncated, Corrupt, UnsupportedCompression };

struct SwfHeader {
    bool compressed = false;
    int version = 0;
    std::uint32_t declaredLength = 0;
    int widthTwips = 0;
    int heightTwips = 0;
    double framesPerSecond = 0;
    int frameCount = 0;
    std::optional<std::uint32_t> backgroundRgb;  // 0xRRGGBB
    bool isPlayerMovie = false;
};

struct SwfReadResult {
    SwfProblem problem = SwfProblem::None;
    SwfHeader header;
};

// Reads the header and the tags up to the first shown frame from the first `size` bytes
// of a movie file of `fileSize` bytes (a large movie need not be read whole).
SwfReadResult ReadSwfHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize);

}  // namespace flashctl
