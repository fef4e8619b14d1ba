#include "intake/MediaBytes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

namespace intake {

bool MemoryBytes::Read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

namespace {

// Boxes, elements and tables whose headers are read whole are small; anything larger is
// damage or something else, and is passed over.
constexpr std::uint64_t kLargestHeaderBox = 4u << 20;

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint64_t Be64(const std::uint8_t* p) { return (std::uint64_t{Be32(p)} << 32) | Be32(p + 4); }

std::optional<std::vector<std::uint8_t>> ReadBlock(const ByteSource& bytes, std::uint64_t offset,
                                                   std::uint64_t length) {
    if (length > kLargestHeaderBox || offset > bytes.size() || length > bytes.size() - offset) return std::nullopt;
    std::vector<std::uint8_t> block(length);
    if (!bytes.Read(offset, block)) return std::nullopt;
    return block;
}

// A track's samples on its own time line, in its timescale.
struct TrackTimes {
    std::optional<std::uint64_t> first;
    std::uint64_t end = 0;
    void Add(std::uint64_t start, std::uint64_t stop) {
        first = first ? std::min(*first, start) : start;
        end = std::max(end, stop);
    }
};

void Finish(MediaContent& content, const std::vector<std::pair<double, double>>& spans) {
    // The stream plays from its earliest sample to its latest end, whichever track they are in.
    double first = std::numeric_limits<double>::max();
    double end = 0;
    for (const auto& [start, stop] : spans) {
        first = std::min(first, start);
        end = std::max(end, stop);
    }
    if (spans.empty() || end < first) return;
    content.firstTime = first;
    content.seconds = end - first;
}

// ---- MP4 ----------------------------------------------------------------------------

struct Box {
    std::uint32_t type = 0;
    std::uint64_t start = 0;    // of the header
    std::uint64_t payload = 0;  // first byte after the header
    std::uint64_t end = 0;
};

constexpr std::uint32_t Fourcc(const char (&text)[5]) {
    return (std::uint32_t(std::uint8_t(text[0])) << 24) | (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint8_t(text[3]);
}

// The boxes within [from, to) of a buffer.
std::vector<Box> BoxesIn(std::span<const std::uint8_t> buffer, std::uint64_t from, std::uint64_t to) {
    std::vector<Box> boxes;
    to = std::min<std::uint64_t>(to, buffer.size());
    while (from + 8 <= to) {
        std::uint64_t size = Be32(&buffer[from]);
        const std::uint32_t type = Be32(&buffer[from + 4]);
        std::uint64_t header = 8;
        if (size == 1) {
            if (from + 16 > to) break;
            size = Be64(&buffer[from + 8]);
            header = 16;
        } else if (size == 0) {
            size = to - from;
        }
        if (size < header || size > to - from) break;
        boxes.push_back({type, from, from + header, from + size});
        from += size;
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, std::uint32_t type) {
    for (const Box& box : boxes)
        if (box.type == type) return &box;
    return nullptr;
}

struct Mp4Track {
    bool video = false;
    bool audio = false;
    std::uint32_t timescale = 0;
    std::uint32_t defaultDuration = 0;  // mvex/trex
    std::uint64_t wholeDuration = 0;    // mdhd, for a file that is not fragmented
    TrackTimes times;
};

std::string Mp4Codec(std::uint32_t entry) {
    switch (entry) {
    case Fourcc("avc1"):
    case Fourcc("avc3"): return "h264";
    case Fourcc("hvc1"):
    case Fourcc("hev1"): return "hevc";
    case Fourcc("vp09"): return "vp9";
    case Fourcc("vp08"): return "vp8";
    case Fourcc("av01"): return "av1";
    case Fourcc("mp4v"): return "mpeg4";
    case Fourcc("mp4a"): return "aac";
    case Fourcc("Opus"): return "opus";
    case Fourcc("ac-3"): return "ac3";
    case Fourcc("ec-3"): return "eac3";
    case Fourcc("fLaC"): return "flac";
    case Fourcc(".mp3"): return "mp3";
    case Fourcc("sowt"): return "pcm_s16le";
    case Fourcc("twos"): return "pcm_s16be";
    default: return {};
    }
}

void ReadMoov(std::span<const std::uint8_t> moov, std::map<std::uint32_t, Mp4Track>& tracks, MediaContent& content) {
    const std::vector<Box> children = BoxesIn(moov, 0, moov.size());
    for (const Box& trak : children) {
        if (trak.type != Fourcc("trak")) continue;
        const std::vector<Box> inTrak = BoxesIn(moov, trak.payload, trak.end);
        const Box* tkhd = Find(inTrak, Fourcc("tkhd"));
        const Box* mdia = Find(inTrak, Fourcc("mdia"));
        if (!tkhd || !mdia || tkhd->end - tkhd->payload < 24) continue;
        const std::uint32_t id = Be32(&moov[tkhd->payload + (moov[tkhd->payload] == 1 ? 20 : 12)]);
        Mp4Track& track = tracks[id];
        const std::vector<Box> inMdia = BoxesIn(moov, mdia->payload, mdia->end);
        if (const Box* hdlr = Find(inMdia, Fourcc("hdlr")); hdlr && hdlr->end - hdlr->payload >= 12) {
            const std::uint32_t handler = Be32(&moov[hdlr->payload + 8]);
            track.video = handler == Fourcc("vide");
            track.audio = handler == Fourcc("soun");
        }
        if (const Box* mdhd = Find(inMdia, Fourcc("mdhd"));
            mdhd && mdhd->end - mdhd->payload >= (moov[mdhd->payload] == 1 ? 32u : 20u)) {
            const bool wide = moov[mdhd->payload] == 1;
            track.timescale = Be32(&moov[mdhd->payload + (wide ? 20 : 12)]);
            track.wholeDuration = wide ? Be64(&moov[mdhd->payload + 24]) : Be32(&moov[mdhd->payload + 16]);
        }
        std::string codec;
        if (const Box* minf = Find(inMdia, Fourcc("minf"))) {
            const std::vector<Box> inMinf = BoxesIn(moov, minf->payload, minf->end);
            if (const Box* stbl = Find(inMinf, Fourcc("stbl"))) {
                const std::vector<Box> inStbl = BoxesIn(moov, stbl->payload, stbl->end);
                if (const Box* stsd = Find(inStbl, Fourcc("stsd")); stsd && stsd->end - stsd->payload >= 16)
                    codec = Mp4Codec(Be32(&moov[stsd->payload + 12]));
            }
        }
        if (track.video && !content.video) {
            content.video = true;
            content.videoCodec = codec;
        } else if (track.audio && !content.audio) {
            content.audio = true;
            content.audioCodec = codec;
        }
    }
    if (const Box* mvex = Find(children, Fourcc("mvex")))
        for (const Box& trex : BoxesIn(moov, mvex->payload, mvex->end))
            if (trex.type == Fourcc("trex") && trex.end - trex.payload >= 16)
                tracks[Be32(&moov[trex.payload + 4])].defaultDuration = Be32(&moov[trex.payload + 12]);
}

void ReadMoof(std::span<const std::uint8_t> moof, std::map<std::uint32_t, Mp4Track>& tracks) {
    for (const Box& traf : BoxesIn(moof, 0, moof.size())) {
        if (traf.type != Fourcc("traf")) continue;
        const std::vector<Box> inTraf = BoxesIn(moof, traf.payload, traf.end);
        const Box* tfhd = Find(inTraf, Fourcc("tfhd"));
        if (!tfhd || tfhd->end - tfhd->payload < 8) continue;
        const std::uint32_t flags = Be32(&moof[tfhd->payload]) & 0xffffff;
        const auto found = tracks.find(Be32(&moof[tfhd->payload + 4]));
        if (found == tracks.end()) continue;
        Mp4Track& track = found->second;
        std::uint64_t at = tfhd->payload + 8 + (flags & 0x01 ? 8 : 0) + (flags & 0x02 ? 4 : 0);
        std::uint32_t defaultDuration = track.defaultDuration;
        if (flags & 0x08 && at + 4 <= tfhd->end) defaultDuration = Be32(&moof[at]);
        std::optional<std::uint64_t> base;
        if (const Box* tfdt = Find(inTraf, Fourcc("tfdt")); tfdt && tfdt->end - tfdt->payload >= 8) {
            const bool wide = moof[tfdt->payload] == 1;
            if (!wide || tfdt->end - tfdt->payload >= 12)
                base = wide ? Be64(&moof[tfdt->payload + 4]) : Be32(&moof[tfdt->payload + 4]);
        }
        std::uint64_t time = base.value_or(track.times.end);
        const std::uint64_t start = time;
        for (const Box& trun : inTraf) {
            if (trun.type != Fourcc("trun") || trun.end - trun.payload < 8) continue;
            const std::uint32_t runFlags = Be32(&moof[trun.payload]) & 0xffffff;
            const std::uint32_t count = Be32(&moof[trun.payload + 4]);
            std::uint64_t sample = trun.payload + 8 + (runFlags & 0x01 ? 4 : 0) + (runFlags & 0x04 ? 4 : 0);
            const std::uint64_t each = 4 * ((runFlags & 0x100 ? 1 : 0) + (runFlags & 0x200 ? 1 : 0) +
                                            (runFlags & 0x400 ? 1 : 0) + (runFlags & 0x800 ? 1 : 0));
            if (!(runFlags & 0x100)) {
                time += std::uint64_t{count} * defaultDuration;
                continue;
            }
            for (std::uint32_t i = 0; i < count && sample + 4 <= trun.end; ++i, sample += each)
                time += Be32(&moof[sample]);
        }
        if (time > start) track.times.Add(start, time);
    }
}

void InspectMp4(const ByteSource& bytes, bool withTimes, MediaContent& content) {
    content.container = MediaContainer::Mp4;
    std::map<std::uint32_t, Mp4Track> tracks;
    bool fragmented = false;
    std::uint64_t at = 0;
    const std::uint64_t size = bytes.size();
    while (at + 8 <= size) {
        std::array<std::uint8_t, 16> head{};
        if (!bytes.Read(at, std::span(head).first(std::min<std::uint64_t>(16, size - at)))) break;
        std::uint64_t length = Be32(head.data());
        const std::uint32_t type = Be32(head.data() + 4);
        std::uint64_t header = 8;
        if (length == 1) {
            if (at + 16 > size) break;
            length = Be64(head.data() + 8);
            header = 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (length < header) break;
        if (type == Fourcc("moov") || (withTimes && type == Fourcc("moof"))) {
            // A box cut off by the end of what is there is read as far as it goes.
            const std::uint64_t have = std::min(length, size - at) - header;
            const auto box = ReadBlock(bytes, at + header, have);
            if (box) {
                if (type == Fourcc("moov"))
                    ReadMoov(*box, tracks, content);
                else {
                    fragmented = true;
                    ReadMoof(*box, tracks);
                }
            }
        }
        if (!withTimes && type == Fourcc("moov")) break;
        if (length > size - at) break;
        at += length;
    }
    if (!withTimes) return;
    std::vector<std::pair<double, double>> spans;
    for (const auto& [id, track] : tracks) {
        if (track.timescale == 0 || (!track.video && !track.audio)) continue;
        if (fragmented && track.times.first) {
            spans.emplace_back(double(*track.times.first) / track.timescale, double(track.times.end) / track.timescale);
        } else if (!fragmented && track.wholeDuration > 0) {
            spans.emplace_back(0.0, double(track.wholeDuration) / track.timescale);
        }
    }
    Finish(content, spans);
}

// ---- WebM / Matroska ------------------------------------------------------------------

constexpr std::uint32_t kSegment = 0x18538067;
constexpr std::uint32_t kInfo = 0x1549A966;
constexpr std::uint32_t kTimecodeScale = 0x2AD7B1;
constexpr std::uint32_t kTracks = 0x1654AE6B;
constexpr std::uint32_t kTrackEntry = 0xAE;
constexpr std::uint32_t kTrackNumber = 0xD7;
constexpr std::uint32_t kTrackType = 0x83;
constexpr std::uint32_t kCodecId = 0x86;
constexpr std::uint32_t kDefaultDuration = 0x23E383;
constexpr std::uint32_t kCluster = 0x1F43B675;
constexpr std::uint32_t kTimecode = 0xE7;
constexpr std::uint32_t kSimpleBlock = 0xA3;
constexpr std::uint32_t kBlockGroup = 0xA0;
constexpr std::uint32_t kBlock = 0xA1;
constexpr std::uint32_t kBlockDuration = 0x9B;
constexpr std::uint64_t kUnknownSize = ~0ull;

struct Element {
    std::uint32_t id = 0;
    std::uint64_t payload = 0;
    std::uint64_t size = 0;  // kUnknownSize when the writer did not know it
};

// The element header at `at`, from up to 12 bytes.
std::optional<Element> ReadElement(const ByteSource& bytes, std::uint64_t at) {
    std::array<std::uint8_t, 12> head{};
    const std::uint64_t have = std::min<std::uint64_t>(head.size(), bytes.size() > at ? bytes.size() - at : 0);
    if (have < 2 || !bytes.Read(at, std::span(head).first(have))) return std::nullopt;
    std::size_t idLength = 1;
    while (idLength <= 4 && !(head[0] & (0x80 >> (idLength - 1)))) ++idLength;
    if (idLength > 4 || idLength >= have) return std::nullopt;
    std::uint32_t id = 0;
    for (std::size_t i = 0; i < idLength; ++i) id = (id << 8) | head[i];
    const std::uint8_t first = head[idLength];
    std::size_t sizeLength = 1;
    while (sizeLength <= 8 && !(first & (0x80 >> (sizeLength - 1)))) ++sizeLength;
    if (sizeLength > 8 || idLength + sizeLength > have) return std::nullopt;
    std::uint64_t size = first & ((0x80u >> (sizeLength - 1)) - 1);
    bool allOnes = size == ((0x80u >> (sizeLength - 1)) - 1);
    for (std::size_t i = 1; i < sizeLength; ++i) {
        size = (size << 8) | head[idLength + i];
        allOnes = allOnes && head[idLength + i] == 0xff;
    }
    return Element{id, at + idLength + sizeLength, allOnes ? kUnknownSize : size};
}

std::uint64_t UnsignedValue(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) value = (value << 8) | bytes[i];
    return value;
}

std::string MatroskaCodec(const std::string& id) {
    static const std::pair<const char*, const char*> kCodecs[] = {{"V_VP9", "vp9"},
                                                                  {"V_VP8", "vp8"},
                                                                  {"V_AV1", "av1"},
                                                                  {"V_MPEG4/ISO/AVC", "h264"},
                                                                  {"V_MPEGH/ISO/HEVC", "hevc"},
                                                                  {"A_OPUS", "opus"},
                                                                  {"A_VORBIS", "vorbis"},
                                                                  {"A_AAC", "aac"},
                                                                  {"A_MPEG/L3", "mp3"},
                                                                  {"A_FLAC", "flac"}};
    for (const auto& [name, codec] : kCodecs)
        if (id.starts_with(name)) return codec;
    return {};
}

struct WebmTrack {
    bool video = false;
    bool audio = false;
    std::uint64_t defaultDuration = 0;  // nanoseconds
    std::optional<std::int64_t> first;  // in timecode units
    std::int64_t end = 0;
    std::int64_t lastStart = 0;
    std::int64_t lastStep = 0;  // between its last two blocks
    bool any = false;
};

class WebmReader {
public:
    WebmReader(const ByteSource& bytes, bool withTimes, MediaContent& content)
        : bytes_(bytes), withTimes_(withTimes), content_(content) {}

    void Read() {
        content_.container = MediaContainer::WebM;
        std::uint64_t at = 0;
        const auto header = ReadElement(bytes_, 0);
        if (!header || header->size == kUnknownSize) return;
        at = header->payload + header->size;
        const auto segment = ReadElement(bytes_, at);
        if (!segment || segment->id != kSegment) return;
        const std::uint64_t end =
            segment->size == kUnknownSize ? bytes_.size() : std::min(bytes_.size(), segment->payload + segment->size);
        for (at = segment->payload; at < end;) {
            const auto element = ReadElement(bytes_, at);
            if (!element) break;
            const std::uint64_t elementEnd = element->size == kUnknownSize ? end : element->payload + element->size;
            if (element->id == kInfo || element->id == kTracks) {
                if (const auto block =
                        ReadBlock(bytes_, element->payload, std::min(elementEnd, end) - element->payload))
                    element->id == kInfo ? ReadInfo(*block) : ReadTracks(*block);
            } else if (element->id == kCluster) {
                if (!withTimes_) break;
                at = ReadCluster(*element, end);
                continue;
            }
            if (element->size == kUnknownSize || elementEnd <= at) break;
            at = elementEnd;
        }
        if (!withTimes_) return;
        std::vector<std::pair<double, double>> spans;
        const double unit = static_cast<double>(timecodeScale_) / 1e9;
        for (const auto& [number, track] : tracks_) {
            if (!track.first || (!track.video && !track.audio)) continue;
            spans.emplace_back(static_cast<double>(*track.first) * unit, static_cast<double>(track.end) * unit);
        }
        Finish(content_, spans);
    }

private:
    template <typename Visit>
    static void Children(std::span<const std::uint8_t> block, Visit visit) {
        MemoryBytes memory(block);
        for (std::uint64_t at = 0; at < block.size();) {
            const auto element = ReadElement(memory, at);
            if (!element || element->size == kUnknownSize || element->size > block.size() - element->payload) break;
            visit(element->id, block.subspan(element->payload, element->size));
            at = element->payload + element->size;
        }
    }

    void ReadInfo(std::span<const std::uint8_t> info) {
        Children(info, [&](std::uint32_t id, std::span<const std::uint8_t> value) {
            if (id == kTimecodeScale && UnsignedValue(value) > 0) timecodeScale_ = UnsignedValue(value);
        });
    }

    void ReadTracks(std::span<const std::uint8_t> tracks) {
        Children(tracks, [&](std::uint32_t id, std::span<const std::uint8_t> entry) {
            if (id != kTrackEntry) return;
            std::uint64_t number = 0;
            std::uint64_t type = 0;
            std::uint64_t defaultDuration = 0;
            std::string codec;
            Children(entry, [&](std::uint32_t field, std::span<const std::uint8_t> value) {
                if (field == kTrackNumber)
                    number = UnsignedValue(value);
                else if (field == kTrackType)
                    type = UnsignedValue(value);
                else if (field == kDefaultDuration)
                    defaultDuration = UnsignedValue(value);
                else if (field == kCodecId)
                    codec.assign(value.begin(), value.end());
            });
            WebmTrack& track = tracks_[number];
            track.video = type == 1;
            track.audio = type == 2;
            track.defaultDuration = defaultDuration;
            const std::string name = MatroskaCodec(codec);
            if (track.video && !content_.video) {
                content_.video = true;
                content_.videoCodec = name;
            } else if (track.audio && !content_.audio) {
                content_.audio = true;
                content_.audioCodec = name;
            }
        });
    }

    // Reads one cluster's timecode and block times; returns where the next element starts.
    std::uint64_t ReadCluster(const Element& cluster, std::uint64_t segmentEnd) {
        const bool sized = cluster.size != kUnknownSize;
        const std::uint64_t end = sized ? std::min(segmentEnd, cluster.payload + cluster.size) : segmentEnd;
        std::int64_t clusterTime = 0;
        std::uint64_t at = cluster.payload;
        while (at < end) {
            const auto element = ReadElement(bytes_, at);
            if (!element) return end;
            // A cluster of unknown size ends where the next top-level element starts.
            if (!sized && (element->id == kCluster || element->id == 0x1C53BB6B || element->id == kTracks)) return at;
            if (element->size == kUnknownSize) return end;
            if (element->id == kTimecode && element->size <= 8) {
                std::array<std::uint8_t, 8> value{};
                if (bytes_.Read(element->payload, std::span(value).first(element->size)))
                    clusterTime = static_cast<std::int64_t>(UnsignedValue(std::span(value).first(element->size)));
            } else if (element->id == kSimpleBlock) {
                Block(element->payload, element->size, clusterTime, 0);
            } else if (element->id == kBlockGroup) {
                ReadBlockGroup(*element, clusterTime);
            }
            at = element->payload + element->size;
        }
        return end;
    }

    void ReadBlockGroup(const Element& group, std::int64_t clusterTime) {
        std::uint64_t duration = 0;
        std::optional<Element> block;
        for (std::uint64_t at = group.payload; at < group.payload + group.size;) {
            const auto element = ReadElement(bytes_, at);
            if (!element || element->size == kUnknownSize) return;
            if (element->id == kBlock) block = element;
            if (element->id == kBlockDuration && element->size <= 8) {
                std::array<std::uint8_t, 8> value{};
                if (bytes_.Read(element->payload, std::span(value).first(element->size)))
                    duration = UnsignedValue(std::span(value).first(element->size));
            }
            at = element->payload + element->size;
        }
        if (block) Block(block->payload, block->size, clusterTime, duration);
    }

    void Block(std::uint64_t at, std::uint64_t size, std::int64_t clusterTime, std::uint64_t duration) {
        std::array<std::uint8_t, 11> head{};
        if (size < 4 || !bytes_.Read(at, std::span(head).first(std::min<std::uint64_t>(head.size(), size)))) return;
        std::size_t length = 1;
        while (length <= 8 && !(head[0] & (0x80 >> (length - 1)))) ++length;
        if (length > 8 || length + 2 > size) return;
        std::uint64_t number = head[0] & ((0x80u >> (length - 1)) - 1);
        for (std::size_t i = 1; i < length; ++i) number = (number << 8) | head[i];
        const auto relative = static_cast<std::int16_t>((head[length] << 8) | head[length + 1]);
        const auto found = tracks_.find(number);
        if (found == tracks_.end()) return;
        WebmTrack& track = found->second;
        const std::int64_t start = clusterTime + relative;
        if (track.any && start > track.lastStart) track.lastStep = start - track.lastStart;
        track.any = true;
        track.lastStart = start;
        // A block without a duration lasts as its track says, or as long as the step before it.
        std::int64_t length_ = static_cast<std::int64_t>(duration);
        if (length_ == 0 && track.defaultDuration > 0)
            length_ = static_cast<std::int64_t>(track.defaultDuration / timecodeScale_);
        if (length_ == 0) length_ = track.lastStep;
        track.first = track.first ? std::min(*track.first, start) : start;
        track.end = std::max(track.end, start + length_);
    }

    const ByteSource& bytes_;
    bool withTimes_;
    MediaContent& content_;
    std::uint64_t timecodeScale_ = 1'000'000;
    std::map<std::uint64_t, WebmTrack> tracks_;
};

// ---- MPEG transport stream ------------------------------------------------------------

constexpr std::size_t kPacket = 188;
// The program table sits in the first packets; the times are read from both ends.
constexpr std::uint64_t kTsWindow = 256 * 1024;

struct TsStream {
    bool video = false;
    bool audio = false;
};

class TsReader {
public:
    TsReader(const ByteSource& bytes, bool withTimes, MediaContent& content)
        : bytes_(bytes), withTimes_(withTimes), content_(content) {}

    void Read() {
        content_.container = MediaContainer::Ts;
        const std::uint64_t size = bytes_.size();
        const auto head = ReadBlock(bytes_, 0, std::min(size, kTsWindow));
        if (!head) return;
        Scan(*head, true);
        if (!withTimes_) return;
        if (size > kTsWindow) {
            // The tail, from a packet boundary found by three syncs in a row.
            const std::uint64_t from = size - kTsWindow;
            if (const auto tail = ReadBlock(bytes_, from, kTsWindow)) {
                std::size_t at = 0;
                while (at + 2 * kPacket < tail->size() &&
                       !((*tail)[at] == 0x47 && (*tail)[at + kPacket] == 0x47 && (*tail)[at + 2 * kPacket] == 0x47))
                    ++at;
                for (auto& [pid, times] : times_) times.previous = -1;
                Scan(std::span(*tail).subspan(at), false);
            }
        }
        std::vector<std::pair<double, double>> spans;
        for (const auto& [pid, times] : times_) {
            if (!times.first || times.lastStart < *times.first) continue;
            const std::int64_t step = times.step > 0 && times.step < 90000 ? times.step : 0;
            spans.emplace_back(double(*times.first) / 90000, double(times.lastStart + step) / 90000);
        }
        Finish(content_, spans);
    }

private:
    struct PidTimes {
        std::optional<std::int64_t> first;
        std::int64_t lastStart = 0;
        std::int64_t previous = -1;
        // The shortest step forward between two packets' times: one frame, or one packet's
        // worth of sound; pictures come out of order, so the last step says nothing.
        std::int64_t step = 0;
    };

    void Scan(std::span<const std::uint8_t> bytes, bool tables) {
        for (std::size_t at = 0; at + kPacket <= bytes.size(); at += kPacket) {
            const std::uint8_t* packet = &bytes[at];
            if (packet[0] != 0x47) continue;
            const bool start = packet[1] & 0x40;
            const std::uint16_t pid = static_cast<std::uint16_t>(((packet[1] & 0x1f) << 8) | packet[2]);
            const std::uint8_t control = (packet[3] >> 4) & 0x3;
            std::size_t payload = 4;
            if (control & 0x2) payload += 1 + packet[4];
            if (!(control & 0x1) || payload >= kPacket) continue;
            const std::span<const std::uint8_t> data(packet + payload, kPacket - payload);
            if (tables && start && pid == 0)
                ReadPat(data);
            else if (tables && start && pmtPid_ && pid == *pmtPid_)
                ReadPmt(data);
            else if (start && streams_.contains(pid))
                ReadPes(pid, data);
        }
    }

    void ReadPat(std::span<const std::uint8_t> data) {
        if (data.empty() || data[0] + 1u + 12 > data.size()) return;
        const auto section = data.subspan(data[0] + 1u);
        // The first program that is not the network table.
        for (std::size_t at = 8; at + 4 <= section.size() - 4; at += 4) {
            const std::uint16_t program = static_cast<std::uint16_t>((section[at] << 8) | section[at + 1]);
            if (program == 0) continue;
            pmtPid_ = static_cast<std::uint16_t>(((section[at + 2] & 0x1f) << 8) | section[at + 3]);
            return;
        }
    }

    void ReadPmt(std::span<const std::uint8_t> data) {
        if (data.empty() || data[0] + 1u + 12 > data.size()) return;
        const auto section = data.subspan(data[0] + 1u);
        const std::size_t length = std::min<std::size_t>(((section[1] & 0x0f) << 8) | section[2], section.size() - 3);
        if (length < 13) return;
        const std::size_t infoLength = ((section[10] & 0x0f) << 8) | section[11];
        const std::size_t end = 3 + length - 4;  // before the CRC
        for (std::size_t at = 12 + infoLength; at + 5 <= end;) {
            const std::uint8_t type = section[at];
            const std::uint16_t pid = static_cast<std::uint16_t>(((section[at + 1] & 0x1f) << 8) | section[at + 2]);
            const std::size_t esInfo = ((section[at + 3] & 0x0f) << 8) | section[at + 4];
            Declare(pid, type);
            at += 5 + esInfo;
        }
    }

    void Declare(std::uint16_t pid, std::uint8_t type) {
        const char* video = nullptr;
        const char* audio = nullptr;
        switch (type) {
        case 0x1B: video = "h264"; break;
        case 0x24: video = "hevc"; break;
        case 0x10: video = "mpeg4"; break;
        case 0x01:
        case 0x02: video = "mpeg2video"; break;
        case 0x0F:
        case 0x11: audio = "aac"; break;
        case 0x03:
        case 0x04: audio = "mp3"; break;
        case 0x81: audio = "ac3"; break;
        case 0x87: audio = "eac3"; break;
        default: return;
        }
        streams_[pid] = {video != nullptr, audio != nullptr};
        if (video && !content_.video) {
            content_.video = true;
            content_.videoCodec = video;
        } else if (audio && !content_.audio) {
            content_.audio = true;
            content_.audioCodec = audio;
        }
    }

    void ReadPes(std::uint16_t pid, std::span<const std::uint8_t> data) {
        if (data.size() < 14 || data[0] != 0 || data[1] != 0 || data[2] != 1 || !(data[7] & 0x80)) return;
        const std::uint8_t* p = &data[9];
        const std::int64_t pts = (std::int64_t(p[0] & 0x0e) << 29) | (std::int64_t(p[1]) << 22) |
                                 (std::int64_t(p[2] & 0xfe) << 14) | (std::int64_t(p[3]) << 7) | (p[4] >> 1);
        PidTimes& times = times_[pid];
        if (times.previous >= 0 && pts > times.previous && (times.step == 0 || pts - times.previous < times.step))
            times.step = pts - times.previous;
        times.previous = pts;
        if (!times.first) times.first = pts;
        times.first = std::min(*times.first, pts);
        times.lastStart = std::max(times.lastStart, pts);
    }

    const ByteSource& bytes_;
    bool withTimes_;
    MediaContent& content_;
    std::optional<std::uint16_t> pmtPid_;
    std::map<std::uint16_t, TsStream> streams_;
    std::map<std::uint16_t, PidTimes> times_;
};

}  // namespace

MediaContent InspectMedia(const ByteSource& bytes, bool withTimes) {
    MediaContent content;
    std::array<std::uint8_t, 8> start{};
    if (bytes.size() < start.size() || !bytes.Read(0, start)) return content;
    const std::uint32_t box = Be32(start.data() + 4);
    if (box == Fourcc("ftyp") || box == Fourcc("moov") || box == Fourcc("styp") || box == Fourcc("moof") ||
        box == Fourcc("sidx") || box == Fourcc("free")) {
        InspectMp4(bytes, withTimes, content);
    } else if (Be32(start.data()) == 0x1A45DFA3) {
        WebmReader(bytes, withTimes, content).Read();
    } else if (start[0] == 0x47 && (bytes.size() < 2 * kPacket || [&] {
                   std::uint8_t next = 0;
                   return bytes.Read(kPacket, std::span(&next, 1)) && next == 0x47;
               }())) {
        TsReader(bytes, withTimes, content).Read();
    } else if (start[0] == 'F' && start[1] == 'L' && start[2] == 'V') {
        content.container = MediaContainer::Flv;
        content.audio = start[4] & 0x04;
        content.video = start[4] & 0x01;
    }
    return content;
}

}  // namespace intake
