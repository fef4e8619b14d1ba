#include "capture/StreamPairing.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <tuple>

namespace capture {

namespace {

std::vector<std::string_view> AddressParts(std::string_view address) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at < address.size()) {
        while (at < address.size() && !std::isalnum(static_cast<unsigned char>(address[at]))) ++at;
        std::size_t end = at;
        while (end < address.size() && std::isalnum(static_cast<unsigned char>(address[end]))) ++end;
        if (end > at) parts.push_back(address.substr(at, end - at));
        at = end;
    }
    return parts;
}

struct Candidate {
    std::size_t distance;
    std::int64_t timeGap;
    bool sameContainer;
    std::size_t video;
    std::size_t audio;
};

// Lower is better: fewer differing address parts, closer fetch times, one container.
bool Better(const Candidate& x, const Candidate& y) {
    return std::tie(x.distance, x.timeGap, y.sameContainer) < std::tie(y.distance, y.timeGap, x.sameContainer);
}

// `best` beats `runnerUp` by evidence, not by a hair.
bool Decisive(const Candidate& best, const Candidate& runnerUp) {
    constexpr std::int64_t kClearTimeGap = 2;
    return best.distance < runnerUp.distance || runnerUp.timeGap - best.timeGap >= kClearTimeGap ||
           (best.sameContainer && !runnerUp.sameContainer);
}

// Manifest pairs: within each key, the sound played most goes with the picture played most.
void PairByManifest(const std::vector<MediaStream>& streams, std::vector<std::optional<std::size_t>>& partnerOf,
                    std::vector<bool>& taken) {
    std::map<std::string, std::pair<std::optional<std::size_t>, std::optional<std::size_t>>> byKey;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const MediaStream& stream = streams[i];
        if (stream.pairKey.empty()) continue;
        if (!stream.IsVideoOnly() && !stream.IsAudioOnly()) continue;  // its own sound, or unknown
        auto& [video, audio] = byKey[stream.pairKey];
        auto& slot = stream.IsVideoOnly() ? video : audio;
        if (!slot || streams[*slot].BodyLength() < stream.BodyLength()) slot = i;
    }
    for (const auto& [key, members] : byKey) {
        const auto& [video, audio] = members;
        if (!video || !audio) continue;
        partnerOf[*video] = audio;
        taken[*video] = taken[*audio] = true;
    }
}

}  // namespace

std::size_t AddressDistance(std::string_view first, std::string_view second) {
    const std::vector<std::string_view> a = AddressParts(first);
    const std::vector<std::string_view> b = AddressParts(second);
    std::size_t distance = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) ++distance;
    return distance;
}

std::vector<StreamGroup> PairStreams(const std::vector<MediaStream>& streams) {
    std::vector<std::optional<std::size_t>> partnerOf(streams.size());
    std::vector<bool> taken(streams.size(), false);
    std::vector<bool> ambiguous(streams.size(), false);
    PairByManifest(streams, partnerOf, taken);

    std::vector<Candidate> candidates;
    for (std::size_t v = 0; v < streams.size(); ++v) {
        const MediaStream& video = streams[v];
        if (taken[v] || !video.pairKey.empty() || !video.IsVideoOnly() || video.firstFetched == 0) continue;
        for (std::size_t a = 0; a < streams.size(); ++a) {
            const MediaStream& audio = streams[a];
            if (taken[a] || !audio.pairKey.empty() || !audio.IsAudioOnly() || audio.firstFetched == 0 ||
                audio.site != video.site)
                continue;
            const std::int64_t startGap = std::llabs(video.firstFetched - audio.firstFetched);
            if (startGap > kLongestPairingGapSeconds) continue;
            if (video.content.seconds && audio.content.seconds &&
                !DurationsAgree(*video.content.seconds, *audio.content.seconds))
                continue;
            const std::int64_t endGap = std::llabs(video.lastFetched - audio.lastFetched);
            candidates.push_back({AddressDistance(video.url, audio.url), startGap + endGap,
                                  video.content.container == audio.content.container, v, a});
        }
    }
    // Each side's candidates, best first.
    std::map<std::size_t, std::vector<Candidate>> ofVideo;
    std::map<std::size_t, std::vector<Candidate>> ofAudio;
    for (const Candidate& c : candidates) {
        ofVideo[c.video].push_back(c);
        ofAudio[c.audio].push_back(c);
    }
    for (auto* side : {&ofVideo, &ofAudio})
        for (auto& [index, list] : *side) std::sort(list.begin(), list.end(), Better);
    const auto wins = [](const std::vector<Candidate>& list, const Candidate& c) {
        return list.front().video == c.video && list.front().audio == c.audio &&
               (list.size() == 1 || Decisive(list[0], list[1]));
    };
    for (const auto& [v, list] : ofVideo) {
        const Candidate& best = list.front();
        if (wins(list, best) && wins(ofAudio.at(best.audio), best)) {
            partnerOf[v] = best.audio;
            taken[v] = taken[best.audio] = true;
        }
    }
    // Pictures left with a sound they could have had: they wait rather than be judged silent.
    for (const Candidate& c : candidates)
        if (!taken[c.video] && !taken[c.audio]) ambiguous[c.video] = true;

    std::vector<StreamGroup> groups;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (partnerOf[i]) {
            groups.push_back({i, partnerOf[i], false});
        } else if (!taken[i]) {
            groups.push_back({i, std::nullopt, ambiguous[i]});
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
