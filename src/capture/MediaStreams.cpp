#include "capture/MediaStreams.h"

#include "capture/ChromiumCache.h"
#include "capture/FileStamps.h"
#include "capture/StreamUrls.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace capture {

std::uint64_t MediaStream::BodyLength() const {
    std::uint64_t length = 0;
    for (const BodyRange& range : body) length += range.length;
    return length;
}

namespace {

// Playlists are text of a few KiB; a large body under a playlist's name is something else.
constexpr std::uint64_t kLargestPlaylist = 1u << 20;
// File names of segments that mean nothing alone; a numbered ".mp4" or ".webm" counts only
// beside an init segment, since sites also number whole videos.
constexpr std::string_view kSegmentExtensions[] = {".ts", ".m4s", ".m4v", ".m4a", ".aac", ".cmfv", ".cmfa"};

bool Usable(const CachedResponse& response) { return response.state == BodyState::Whole && response.BodyLength() > 0; }

class Grouper {
public:
    Grouper(const CacheFiles& files, const std::vector<CachedResponse>& responses)
        : files_(files), responses_(responses), claimed_(responses.size(), false) {}

    std::vector<MediaStream> Group() {
        GroupPlaylists();
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

    void GroupPlaylists() {
        std::unordered_map<std::string, std::size_t> byUrl;
        for (std::size_t i = 0; i < responses_.size(); ++i)
            if (Usable(responses_[i])) byUrl.emplace(responses_[i].url, i);
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            const CachedResponse& response = responses_[i];
            if (claimed_[i] || !Usable(response) || !IsPlaylistResponse(response.contentType, response.url) ||
                response.BodyLength() > kLargestPlaylist)
                continue;
            const std::vector<std::uint8_t> text = ReadBody(files_, response);
            const Playlist playlist =
                ParsePlaylist(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), response.url);
            if (!playlist.media || playlist.segments.empty()) continue;
            claimed_[i] = true;
            std::vector<std::size_t> found;
            for (const std::string& segment : playlist.segments) found.push_back(Find(byUrl, segment));
            const std::size_t init =
                playlist.initSegment.empty() ? responses_.size() : Find(byUrl, playlist.initSegment);
            AddPlaylist(i, playlist, init, found);
        }
    }

    std::size_t Find(const std::unordered_map<std::string, std::size_t>& byUrl, const std::string& url) const {
        const auto it = byUrl.find(url);
        return it == byUrl.end() || claimed_[it->second] ? responses_.size() : it->second;
    }

    void AddPlaylist(std::size_t playlistIndex, const Playlist& playlist, std::size_t init,
                     const std::vector<std::size_t>& found) {
        const CachedResponse& list = responses_[playlistIndex];
        MediaStream stream = Begin(list, StreamShape::Playlist, list.url);
        Note(stream, list);
        stream.contentType.clear();
        std::vector<const CachedResponse*> inOrder;
        bool all = true;
        if (!playlist.initSegment.empty()) {
            all = init != responses_.size();
            inOrder.push_back(all ? &responses_[init] : nullptr);
            if (all) {
                claimed_[init] = true;
                Note(stream, responses_[init]);
            }
        }
        for (std::size_t index : found) {
            if (index == responses_.size()) {
                all = false;
                inOrder.push_back(nullptr);
                continue;
            }
            claimed_[index] = true;
            const CachedResponse& segment = responses_[index];
            Note(stream, segment);
            if (stream.contentType.empty()) stream.contentType = segment.contentType;
            inOrder.push_back(&segment);
        }
        if (stream.contentType.empty()) stream.contentType = "video/mp2t";
        Chain(stream, inOrder);
        stream.complete = all && playlist.ended;
        streams_.push_back({playlistIndex, std::move(stream)});
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
            std::vector<ResourcePiece> pieces;
            // Digests to check apart, by where their piece starts in the stream.
            std::vector<ResourcePiece> aside;
            for (std::size_t index : members) {
                const CachedResponse& piece = responses_[index];
                const QueryRange range = *QueryRangeOf(piece.url);
                Note(stream, piece);
                if (stream.contentType.empty()) stream.contentType = piece.contentType;
                stream.totalLength = std::max(stream.totalLength, range.streamLength);
                if (!Usable(piece)) continue;
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

    std::size_t FindInit(const std::string& stream, const std::string& site) const {
        for (std::size_t i = 0; i < responses_.size(); ++i) {
            if (!claimed_[i] && Usable(responses_[i]) && responses_[i].site == site &&
                IsInitSegmentOf(responses_[i].url, stream))
                return i;
        }
        return responses_.size();
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
};

}  // namespace

std::vector<MediaStream> GroupStreams(const CacheFiles& files, const std::vector<CachedResponse>& responses) {
    return Grouper(files, responses).Group();
}

}  // namespace capture
