#include "capture/MediaStreams.h"

#include "capture/ChromiumCache.h"
#include "capture/FileStamps.h"
#include "capture/StoredDigests.h"
#include "capture/StreamUrls.h"
#include "intake/StreamManifest.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace capture {

std::uint64_t MediaStream::BodyLength() const {
    std::uint64_t length = 0;
    for (const BodyRange& range : body) length += range.length;
    return length;
}

namespace {

// Manifests are text of a few KiB, a few MiB for hours of segments listed one by one; a
// larger body is something else.
constexpr std::uint64_t kLargestManifest = 8u << 20;
// File names of segments that mean nothing alone; a numbered ".mp4" or ".webm" counts only
// beside an init segment, since sites also number whole videos.
constexpr std::string_view kSegmentExtensions[] = {".ts", ".m4s", ".m4v", ".m4a", ".aac", ".cmfv", ".cmfa"};

bool Usable(const CachedResponse& response) { return response.state == BodyState::Whole && response.BodyLength() > 0; }

class Grouper {
public:
    Grouper(const CacheFiles& files, const std::vector<CachedResponse>& responses)
        : files_(files), responses_(responses), claimed_(responses.size(), false) {}

    std::vector<MediaStream> Group() {
        GroupManifests();
        GroupQueryRanges();
        GroupNumbered();
        for (std::size_t i = 0; i < responses_.size(); ++i)
            if (!claimed_[i] && responses_[i].state != BodyState::Compressed) AddSingle(i);
        std::stable_sort(streams_.begin(), streams_.end(),
                         [](const Ordered& a, const Ordered& b) { return a.firstResponse < b.firstResponse; });
        std::vector<MediaStream> streams;
        for (Ordered& ordered : streams_) streams.push_back(std::move(ordered.stream));
        return streams;
    }

private:
    struct Ordered {
        std::size_t firstResponse;
        MediaStream stream;
    };

    MediaStream Begin(const CachedResponse& first, StreamShape shape, std::string key) {
        MediaStream stream;
        stream.site = first.site;
        stream.pageSite = first.pageSite;
        stream.referrer = first.referrer;
        stream.identity = first.site + " " + key;
        stream.url = std::move(key);
        stream.contentType = first.contentType;
        stream.shape = shape;
        return stream;
    }

    void Note(MediaStream& stream, const CachedResponse& response) {
        ++stream.pieces;
        stream.filesStamp = MixStamp(stream.filesStamp, response.filesStamp);
        stream.ownFiles.insert(stream.ownFiles.end(), response.ownFiles.begin(), response.ownFiles.end());
        if (response.fetchedAt != 0) {
            if (stream.firstFetched == 0 || response.fetchedAt < stream.firstFetched)
                stream.firstFetched = response.fetchedAt;
            stream.lastFetched = std::max(stream.lastFetched, response.fetchedAt);
        }
    }

    // Appends whole responses in order, stopping at the first that is missing.
    void Chain(MediaStream& stream, const std::vector<const CachedResponse*>& inOrder) {
        for (const CachedResponse* response : inOrder) {
            if (response == nullptr) break;
            stream.body.insert(stream.body.end(), response->body.begin(), response->body.end());
            stream.otherDigests.insert(stream.otherDigests.end(), response->otherDigests.begin(),
                                       response->otherDigests.end());
        }
    }

    void AddSingle(std::size_t index) {
        const CachedResponse& response = responses_[index];
        MediaStream stream = Begin(response, StreamShape::Single, response.url);
        Note(stream, response);
        stream.body = response.body;
        stream.otherDigests = response.otherDigests;
        stream.totalLength = response.totalLength;
        stream.complete = response.state == BodyState::Whole;
        streams_.push_back({index, std::move(stream)});
    }

    // What a response may be read for: manifests come as their own types, as XML or text,
    // or as a byte stream of any name; media types never hold one.
    static bool MayBeManifest(const CachedResponse& response) {
        const std::string_view type = response.contentType;
        if (type.starts_with("video/") || type.starts_with("audio/") || type.starts_with("image/"))
            return IsPlaylistResponse(type, response.url);
        return response.BodyLength() <= kLargestManifest;
    }

    std::string_view TextOf(std::size_t index) {
        const auto [it, added] = texts_.try_emplace(index);
        if (added) it->second = ReadBody(files_, responses_[index]);
        return {reinterpret_cast<const char*>(it->second.data()), it->second.size()};
    }

    // Every manifest and playlist first: what they name belongs to the streams they say,
    // paired as they say. HLS masters are read before media playlists so that a variant
    // knows its audio group.
    void GroupManifests() {
        for (std::size_t i = 0; i < responses_.size(); ++i)
            if (Usable(responses_[i])) byUrl_.emplace(responses_[i].url, i);
        std::vector<std::size_t> media;
        std::vector<std::size_t> dash;
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            if (!Usable(responses_[i]) || !MayBeManifest(responses_[i])) continue;
            std::array<std::uint8_t, 64> head{};
            const BodyRange& first = responses_[i].body.front();
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), first.length));
            if (!files_.Read(first.file, first.offset, std::span(head).first(want))) continue;
            const std::string_view start(reinterpret_cast<const char*>(head.data()), want);
            if (intake::LooksLikeHls(start)) {
                const intake::StreamManifest playlist = intake::ReadHlsPlaylist(TextOf(i), responses_[i].url);
                if (!playlist.master) {
                    media.push_back(i);
                    continue;
                }
                claimed_[i] = true;
                for (const intake::ManifestStream& listed : playlist.streams)
                    if (!listed.audioGroup.empty())
                        groupOf_.emplace(listed.id, responses_[i].url + "#" + listed.audioGroup);
            } else if (intake::LooksLikeDash(start) ||
                       (start.starts_with("<?xml") && TextOf(i).find("<MPD") != std::string_view::npos)) {
                dash.push_back(i);
            }
        }
        for (std::size_t i : media) AddHls(i);
        for (std::size_t i : dash) AddDash(i);
    }

    std::size_t Cached(const std::string& url) const {
        const auto it = byUrl_.find(url);
        return it == byUrl_.end() || claimed_[it->second] ? responses_.size() : it->second;
    }

    // A media playlist: its segments in playlist order, across any that are missing; each
    // keeps the timestamps it carries, so the clip holds the picture still over a hole.
    void AddHls(std::size_t index) {
        const intake::StreamManifest playlist = intake::ReadHlsPlaylist(TextOf(index), responses_[index].url);
        if (playlist.streams.empty() || playlist.streams[0].segments.empty()) return;
        const intake::ManifestStream& listed = playlist.streams[0];
        claimed_[index] = true;
        const CachedResponse& list = responses_[index];
        MediaStream stream = Begin(list, StreamShape::Playlist, list.url);
        Note(stream, list);
        if (const auto group = groupOf_.find(list.url); group != groupOf_.end()) stream.pairKey = group->second;
        std::vector<const CachedResponse*> inOrder;
        bool all = true;
        if (!listed.initUrl.empty()) {
            const std::size_t init = Cached(listed.initUrl);
            if (init == responses_.size()) return;  // nothing plays without it
            Take(stream, init, inOrder);
        }
        std::optional<double> first;
        double end = 0;
        for (const intake::ManifestSegment& segment : listed.segments) {
            const std::size_t found = Cached(segment.url);
            if (found == responses_.size() || segment.range) {
                all = all && found != responses_.size();
                continue;
            }
            Take(stream, found, inOrder);
            if (!first) first = segment.start;
            end = segment.start + segment.duration;
        }
        if (first) {
            stream.manifestStart = first;
            stream.manifestSeconds = end - *first;
        }
        for (const CachedResponse* piece : inOrder) AppendBody(stream, *piece);
        stream.complete = all && !playlist.live;
        streams_.push_back({index, std::move(stream)});
    }

    // Each DASH representation that was played: its init segment and the segments from its
    // first one cached up to the first one missing. A skip leaves the rest for a clip that
    // grows once the viewer has seen what lies between.
    void AddDash(std::size_t index) {
        const CachedResponse& mpd = responses_[index];
        const intake::StreamManifest manifest = intake::ReadDashManifest(TextOf(index), mpd.url);
        if (!manifest.valid) return;
        claimed_[index] = true;
        for (const intake::ManifestStream& listed : manifest.streams) {
            // Byte-range addressing reaches the cache as one sparse entry per file: left to
            // the single-response path.
            if (listed.initRange || listed.segments.empty() || listed.segments.front().range) continue;
            std::vector<std::size_t> found;
            for (const intake::ManifestSegment& segment : listed.segments) found.push_back(Cached(segment.url));
            const auto firstCached =
                std::find_if(found.begin(), found.end(), [&](std::size_t i) { return i != responses_.size(); });
            if (firstCached == found.end()) continue;
            const std::size_t init = listed.initUrl.empty() ? responses_.size() : Cached(listed.initUrl);
            if (!listed.initUrl.empty() && init == responses_.size()) continue;
            MediaStream stream = Begin(mpd, StreamShape::Manifest, mpd.url + "#" + listed.id);
            stream.url = mpd.url;
            stream.pairKey = mpd.url + "#period" + std::to_string(listed.period);
            std::vector<const CachedResponse*> inOrder;
            if (init != responses_.size()) Take(stream, init, inOrder);
            const std::size_t from = static_cast<std::size_t>(firstCached - found.begin());
            std::size_t to = from;
            while (to < found.size() && found[to] != responses_.size()) Take(stream, found[to++], inOrder);
            stream.cutAtGap = std::any_of(found.begin() + static_cast<std::ptrdiff_t>(to), found.end(),
                                          [&](std::size_t i) { return i != responses_.size(); });
            // Segments past a gap are the stream's too: no other stream may take them.
            for (std::size_t k = to; k < found.size(); ++k)
                if (found[k] != responses_.size()) {
                    claimed_[found[k]] = true;
                    Note(stream, responses_[found[k]]);
                }
            stream.manifestStart = listed.segments[from].start;
            stream.manifestSeconds =
                listed.segments[to - 1].start + listed.segments[to - 1].duration - listed.segments[from].start;
            for (const CachedResponse* piece : inOrder) AppendBody(stream, *piece);
            stream.complete = from == 0 && to == found.size() && !manifest.live;
            streams_.push_back({std::min(index, init), std::move(stream)});
        }
    }

    void Take(MediaStream& stream, std::size_t index, std::vector<const CachedResponse*>& inOrder) {
        claimed_[index] = true;
        Note(stream, responses_[index]);
        inOrder.push_back(&responses_[index]);
    }

    static void AppendBody(MediaStream& stream, const CachedResponse& response) {
        stream.body.insert(stream.body.end(), response.body.begin(), response.body.end());
        stream.otherDigests.insert(stream.otherDigests.end(), response.otherDigests.begin(),
                                   response.otherDigests.end());
    }

    void GroupQueryRanges() {
        std::map<std::string, std::vector<std::size_t>> groups;
        std::map<std::string, QueryRange> firstRange;
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            if (claimed_[i]) continue;
            const std::optional<QueryRange> range = QueryRangeOf(responses_[i].url);
            if (!range) continue;
            claimed_[i] = true;
            const std::string key = responses_[i].site + " " + range->stream;
            groups[key].push_back(i);
            firstRange.emplace(key, *range);
        }
        for (auto& [key, members] : groups) {
            const CachedResponse& first = responses_[members.front()];
            MediaStream stream = Begin(first, StreamShape::QueryRanges, firstRange.at(key).stream);
            if (firstRange.at(key).legacyStream != firstRange.at(key).stream)
                stream.legacyIdentity = first.site + " " + firstRange.at(key).legacyStream;
            std::vector<ResourcePiece> pieces;
            // Digests to check apart, by where their piece starts in the stream.
            std::vector<ResourcePiece> aside;
            const std::set<std::size_t> passedOver = TwinsPassedOver(members);
            for (std::size_t index : members) {
                const CachedResponse& piece = responses_[index];
                const QueryRange range = *QueryRangeOf(piece.url);
                Note(stream, piece);
                if (stream.contentType.empty()) stream.contentType = piece.contentType;
                stream.totalLength = std::max(stream.totalLength, range.streamLength);
                if (!Usable(piece) || passedOver.contains(index)) continue;
                for (const BodyRange& other : piece.otherDigests) aside.push_back({range.first, other});
                // The answer holds the range's bytes; more than asked for is not the stream's.
                std::uint64_t at = range.first;
                std::uint64_t room = range.last - range.first + 1;
                for (const BodyRange& part : piece.body) {
                    const std::uint64_t length = std::min(part.length, room);
                    if (length == 0) break;
                    BodyRange taken{part.file, part.offset, length, part.digest};
                    // A digest covers the part whole: a part cut short is checked apart.
                    if (length < part.length && taken.digest) {
                        aside.push_back({range.first, part});
                        taken.digest.reset();
                    }
                    pieces.push_back({at, std::move(taken)});
                    at += length;
                    room -= length;
                }
            }
            // A claimed length shorter than the pieces is wrong: they say how far the stream
            // goes. Without a claim nothing says where it ends: it waits to settle.
            if (stream.totalLength != 0)
                for (const ResourcePiece& piece : pieces)
                    stream.totalLength = std::max(stream.totalLength, piece.resourceOffset + piece.range.length);
            CachedResponse assembled;
            assembled.totalLength = stream.totalLength;
            AssemblePieces(std::move(pieces), assembled);
            stream.body = std::move(assembled.body);
            stream.otherDigests = std::move(assembled.otherDigests);
            // Pieces past a gap are not part of the stream yet.
            const std::uint64_t length = stream.BodyLength();
            for (ResourcePiece& other : aside)
                if (other.resourceOffset < length) stream.otherDigests.push_back(std::move(other.range));
            stream.complete = assembled.state == BodyState::Whole;
            streams_.push_back({members.front(), std::move(stream)});
        }
    }

    // A range fetched twice (another request counter, a retry) is cached twice. Copies with
    // the same bytes are one; copies that differ are judged by the digests the browser
    // stored: the one whose digest holds is taken, and when both hold (or none has one)
    // neither is, since nothing tells which is the stream's. Returns the pieces not taken.
    std::set<std::size_t> TwinsPassedOver(const std::vector<std::size_t>& members) const {
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::size_t>> byRange;
        for (std::size_t index : members) {
            if (!Usable(responses_[index])) continue;
            const QueryRange range = *QueryRangeOf(responses_[index].url);
            byRange[{range.first, range.last}].push_back(index);
        }
        std::set<std::size_t> passedOver;
        for (const auto& [range, copies] : byRange) {
            if (copies.size() < 2) continue;
            const std::vector<std::uint8_t> first = ReadBody(files_, responses_[copies.front()]);
            const bool alike = std::all_of(copies.begin() + 1, copies.end(), [&](std::size_t index) {
                return ReadBody(files_, responses_[index]) == first;
            });
            std::vector<std::size_t> holding;
            for (std::size_t index : copies) {
                const CachedResponse& copy = responses_[index];
                const bool digested = std::any_of(copy.body.begin(), copy.body.end(),
                                                  [](const BodyRange& part) { return part.digest.has_value(); });
                if (alike || (digested && CheckStoredDigests(files_, copy.body) == DigestCheck::Hold))
                    holding.push_back(index);
            }
            const std::size_t taken = alike || holding.size() == 1 ? holding.front() : responses_.size();
            for (std::size_t index : copies)
                if (index != taken) passedOver.insert(index);
        }
        return passedOver;
    }

    static bool IsSegmentName(const std::string& template_) {
        return std::any_of(std::begin(kSegmentExtensions), std::end(kSegmentExtensions),
                           [&](std::string_view extension) { return template_.ends_with(extension); });
    }

    void GroupNumbered() {
        std::map<std::string, std::map<std::uint64_t, std::size_t>> groups;
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            if (claimed_[i] || !Usable(responses_[i])) continue;
            const std::optional<NumberedSegment> segment = NumberedSegmentOf(responses_[i].url);
            if (segment) groups[responses_[i].site + " " + segment->stream].emplace(segment->number, i);
        }
        for (auto& [key, members] : groups) {
            const std::string stream = key.substr(key.find(' ') + 1);
            const std::size_t init = FindInit(stream, responses_[members.begin()->second].site);
            if (members.size() < 2 || (init == responses_.size() && !IsSegmentName(stream))) continue;
            AddNumbered(stream, init, members);
        }
    }

    // Players name init segments per representation ("init-0.m4s" beside "chunk-0-1.m4s"
    // and "chunk-1-1.m4s"): of the inits in the segments' folder, the one whose name shares
    // the most with theirs. Two that share as much are no answer: a wrong init would make
    // another stream's picture out of these segments.
    std::size_t FindInit(const std::string& stream, const std::string& site) const {
        std::size_t best = responses_.size();
        std::size_t bestScore = 0;
        bool tie = false;
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            if (claimed_[i] || !Usable(responses_[i]) || responses_[i].site != site ||
                !IsInitSegmentOf(responses_[i].url, stream))
                continue;
            const std::size_t score = InitNameAffinity(responses_[i].url, stream);
            if (best == responses_.size() || score > bestScore) {
                best = i;
                bestScore = score;
                tie = false;
            } else if (score == bestScore) {
                tie = true;
            }
        }
        return tie ? responses_.size() : best;
    }

    void AddNumbered(const std::string& key, std::size_t init, const std::map<std::uint64_t, std::size_t>& members) {
        const std::size_t first = members.begin()->second;
        MediaStream stream = Begin(responses_[first], StreamShape::Numbered, key);
        std::vector<const CachedResponse*> inOrder;
        if (init != responses_.size()) {
            claimed_[init] = true;
            Note(stream, responses_[init]);
            inOrder.push_back(&responses_[init]);
        }
        std::uint64_t expected = members.begin()->first;
        for (const auto& [number, index] : members) {
            claimed_[index] = true;
            Note(stream, responses_[index]);
            if (number != expected) stream.cutAtGap = true;
            inOrder.push_back(number == expected ? &responses_[index] : nullptr);
            if (number == expected) ++expected;
        }
        Chain(stream, inOrder);
        streams_.push_back({std::min(first, init), std::move(stream)});
    }

    const CacheFiles& files_;
    const std::vector<CachedResponse>& responses_;
    std::vector<bool> claimed_;
    std::vector<Ordered> streams_;
    std::unordered_map<std::string, std::size_t> byUrl_;
    std::unordered_map<std::size_t, std::vector<std::uint8_t>> texts_;
    // A master's variant or rendition playlist, by its address: master + "#" + audio group.
    std::unordered_map<std::string, std::string> groupOf_;
};

}  // namespace

std::vector<MediaStream> GroupStreams(const CacheFiles& files, const std::vector<CachedResponse>& responses) {
    return Grouper(files, responses).Group();
}

StreamBytes::StreamBytes(const CacheFiles& files, const std::vector<BodyRange>& body) : files_(files), body_(body) {
    starts_.reserve(body.size());
    for (const BodyRange& range : body) {
        starts_.push_back(size_);
        size_ += range.length;
    }
}

bool StreamBytes::Read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > size_ || out.size() > size_ - offset) return false;
    std::size_t range =
        static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin());
    while (!out.empty()) {
        if (range == 0 || range > body_.size()) return false;
        const BodyRange& part = body_[range - 1];
        const std::uint64_t within = offset - starts_[range - 1];
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(part.length - within, out.size()));
        if (!files_.Read(part.file, part.offset + within, out.first(take))) return false;
        out = out.subspan(take);
        offset += take;
        ++range;
    }
    return true;
}

void InspectStreams(const CacheFiles& files, std::vector<MediaStream>& streams) {
    for (MediaStream& stream : streams) {
        if (stream.content.known() || stream.body.empty()) continue;
        stream.content = intake::InspectMedia(StreamBytes(files, stream.body));
    }
}

}  // namespace capture
