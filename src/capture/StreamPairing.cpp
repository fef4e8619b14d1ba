#include "capture/StreamPairing.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace capture {

namespace {

std::string_view Container(const std::string& contentType) {
    const std::size_t slash = contentType.find('/');
    return slash == std::string::npos ? std::string_view() : std::string_view(contentType).substr(slash + 1);
}

}  // namespace

std::vector<StreamGroup> PairStreams(const std::vector<MediaStream>& streams) {
    struct Candidate {
        std::int64_t distance;
        bool sameContainer;
        std::size_t video;
        std::size_t audio;
    };
    std::vector<Candidate> candidates;
    for (std::size_t v = 0; v < streams.size(); ++v) {
        const MediaStream& video = streams[v];
        if (!video.IsVideo() || video.firstFetched == 0) continue;
        for (std::size_t a = 0; a < streams.size(); ++a) {
            const MediaStream& audio = streams[a];
            if (!audio.IsAudio() || audio.firstFetched == 0 || audio.site != video.site) continue;
            const std::int64_t startGap = std::llabs(video.firstFetched - audio.firstFetched);
            if (startGap > kLongestPairingGapSeconds) continue;
            const std::int64_t endGap = std::llabs(video.lastFetched - audio.lastFetched);
            candidates.push_back(
                {startGap + endGap, Container(video.contentType) == Container(audio.contentType), v, a});
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& x, const Candidate& y) {
        return std::tie(x.distance, y.sameContainer, x.video, x.audio) <
               std::tie(y.distance, x.sameContainer, y.video, y.audio);
    });
    std::vector<std::optional<std::size_t>> partnerOf(streams.size());
    std::vector<bool> taken(streams.size(), false);
    for (const Candidate& candidate : candidates) {
        if (taken[candidate.video] || taken[candidate.audio]) continue;
        taken[candidate.video] = taken[candidate.audio] = true;
        partnerOf[candidate.video] = candidate.audio;
    }
    std::vector<StreamGroup> groups;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (partnerOf[i]) {
            groups.push_back({i, partnerOf[i]});
        } else if (!taken[i]) {
            groups.push_back({i, std::nullopt});
        }
    }
    return groups;
}

bool DurationsAgree(double videoSeconds, double audioSeconds) {
    if (videoSeconds <= 0 || audioSeconds <= 0) return false;
    const double longer = std::max(videoSeconds, audioSeconds);
    return std::abs(videoSeconds - audioSeconds) <= std::max(3.0, 0.15 * longer);
}

}  // namespace capture
