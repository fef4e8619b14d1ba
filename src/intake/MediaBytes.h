#pragma once
// What a stream holds, read from its own bytes: the kind of its tracks, their codecs and
// how long it plays. An MP4 init segment says it in moov/trak/mdia (hdlr, mdhd, stsd), a
// WebM one in Tracks, a transport stream in its program table, an FLV in its header; the
// fragments after them carry the times. Content-Type and URL say none of this reliably: a
// static host sends Opus sound as video/webm and every segment as video/iso.segment.
// Only headers are read: the bytes of pictures and sound are skipped by their sizes.
// Portable: no Windows header.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace intake {

// Bytes of one stream, read at any offset: a file, or pieces kept in a cache.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; false unless every byte was there.
    virtual bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// A source over bytes in memory (tests, fuzzing, a playlist's text).
class MemoryBytes final : public ByteSource {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    std::span<const std::uint8_t> bytes_;
};

enum class MediaContainer { Unknown, Mp4, WebM, Ts, Flv };

struct MediaContent {
    MediaContainer container = MediaContainer::Unknown;
    bool video = false;
    bool audio = false;
    // As ffmpeg names them: "h264", "hevc", "vp9", "av1", "aac", "opus", ...; empty when unknown.
    std::string videoCodec;
    std::string audioCodec;
    // How long it plays, from the first to the last sample's end; nothing when the bytes
    // do not tell (a lone init segment, damaged fragments).
    std::optional<double> seconds;
    // When its first sample plays, on its own time line.
    std::optional<double> firstTime;

    bool known() const { return video || audio; }
};

// Reads the stream's tracks from its start and, unless `withTimes` is false, its play
// time from every fragment header. Bytes it cannot read leave fields unknown; it never
// reads past the source's end, whatever the sizes inside say.
MediaContent InspectMedia(const ByteSource& bytes, bool withTimes = true);

}  // namespace intake
