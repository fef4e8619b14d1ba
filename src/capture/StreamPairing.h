#pragma once
// Which audio stream was played with which video stream. Nothing in a cache ties them
// together: they come from the same site, were fetched over the same span of time, and
// run about as long. Portable: no Windows header.
#include "capture/MediaStreams.h"

#include <optional>
#include <vector>

namespace capture {

// Streams fetched this far apart at their starts were not played together.
inline constexpr std::int64_t kLongestPairingGapSeconds = 30;

// One future clip: a stream, and the audio stream to join with it when it has one.
struct StreamGroup {
    std::size_t stream = 0;
    std::optional<std::size_t> audio;
};

// Every stream lands in exactly one group; an audio stream that no video stream claims
// forms a group of its own (which is never a clip). Closest fetch times pair first; a
// partner in the same container breaks a tie.
std::vector<StreamGroup> PairStreams(const std::vector<MediaStream>& streams);

// "About the same duration": a viewer who stops leaves both streams cut near the same
// point, but players fetch audio and video in pieces of their own lengths.
bool DurationsAgree(double videoSeconds, double audioSeconds);

}  // namespace capture
