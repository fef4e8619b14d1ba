#pragma once
// Which sound stream was played with which picture stream. A manifest says it: the same
// DASH Period, an HLS variant's audio group. Without one, only evidence counts, and the
// rule is this:
//   - only a stream whose bytes hold a picture and no sound takes a partner, and only one
//     whose bytes hold sound and no picture is one: a video with its own sound is never
//     joined to another's;
//   - the two come from the same site, began to be fetched within half a minute of each
//     other, and (when their bytes tell) play about as long;
//   - of the candidates, the pair whose addresses differ the least wins (the same template
//     with another representation: "itag=134" beside "itag=140", "chunk-0-" beside
//     "chunk-1-"), then the pair fetched closest in time, then the pair in one container;
//   - each must be the other's best, and better than the runner-up by a whole part of the
//     address, by two seconds of fetch time, or by sharing its container where the
//     runner-up does not. Otherwise nothing is joined: the pictures wait, neither joined
//     to a sound that may be another's nor judged silent.
// Portable: no Windows header.
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
    // A picture that more than one sound fits equally well: it waits for evidence.
    bool ambiguous = false;
};

// Every stream lands in exactly one group; a sound stream that no picture claims forms a
// group of its own (which is never a clip). Streams must have been inspected.
std::vector<StreamGroup> PairStreams(const std::vector<MediaStream>& streams);

// "About the same duration": a viewer who stops leaves both streams cut near the same
// point, but players fetch audio and video in pieces of their own lengths.
bool DurationsAgree(double videoSeconds, double audioSeconds);

// How many parts of two stream addresses differ (runs of letters and digits, compared in
// order; a part one address has and the other lacks counts too).
std::size_t AddressDistance(std::string_view first, std::string_view second);

}  // namespace capture
