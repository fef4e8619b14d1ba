#include "flashctl/SwfHeader.h"

#include "platform/ByteOrder.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace flashctl {

namespace {

constexpr std::size_t kSignatureSize = 8;
// The header and first-frame tags of any sane movie fit well within this.
constexpr std::size_t kBodyLimit = 256 * 1024;
constexpr int kTagEnd = 0;
constexpr int kTagShowFrame = 1;
constexpr int kTagSetBackgroundColor = 9;
constexpr int kTagMetadata = 77;

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::size_t count) const { return size_ - position_ >= count; }
    std::size_t position() const { return position_; }
    std::uint8_t U8() { return data_[position_++]; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    const std::uint8_t* Here() const { return data_ + position_; }
    void Skip(std::size_t count) { position_ += count; }

private:
    std::uint64_t Take(int count) {
        const std::uint64_t value = platform::GetLittleEndian(data_ + position_, count);
        position_ += static_cast<std::size_t>(count);
        return value;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

enum class InflateResult { Enough, Corrupt, Truncated };

// The first `limit` bytes of the zlib stream in `input`, or all of it when it is shorter: a
// movie's header and first tags are all the control reads, so a huge or hostile stream
// costs no more than that. One call does it, as zlib stops only when the input runs out or
// the output is full.
InflateResult InflateStart(const std::uint8_t* input, std::size_t size, std::size_t limit,
                           std::vector<std::uint8_t>& output) {
    output.resize(limit);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return InflateResult::Corrupt;
    stream.next_in = const_cast<Bytef*>(input);
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(limit);
    const int status = inflate(&stream, Z_NO_FLUSH);
    const bool full = stream.avail_out == 0;
    output.resize(limit - stream.avail_out);
    inflateEnd(&stream);
    if (status == Z_STREAM_END || (full && (status == Z_OK || status == Z_BUF_ERROR))) return InflateResult::Enough;
    if (status == Z_OK || status == Z_BUF_ERROR) return InflateResult::Truncated;
    return InflateResult::Corrupt;
}

// The frame rectangle: five bits of field width, then four signed fields of that width.
bool ReadRect(ByteReader& reader, int& width, int& height) {
    if (!reader.Has(1)) return false;
    const int fieldBits = reader.Here()[0] >> 3;
    const std::size_t bytes = (5 + 4 * static_cast<std::size_t>(fieldBits) + 7) / 8;
    if (!reader.Has(bytes)) return false;
    const std::uint8_t* bits = reader.Here();
    std::size_t bitPosition = 5;
    auto field = [&] {
        std::int64_t value = 0;
        for (int i = 0; i < fieldBits; ++i, ++bitPosition)
            value = value << 1 | ((bits[bitPosition / 8] >> (7 - bitPosition % 8)) & 1);
        if (fieldBits > 0 && (value >> (fieldBits - 1)) & 1) value -= std::int64_t{1} << fieldBits;
        return value;
    };
    const std::int64_t xMin = field(), xMax = field(), yMin = field(), yMax = field();
    width = static_cast<int>(std::clamp<std::int64_t>(xMax - xMin, 0, INT32_MAX));
    height = static_cast<int>(std::clamp<std::int64_t>(yMax - yMin, 0, INT32_MAX));
    reader.Skip(bytes);
    return true;
}

// Walks the tags of the first frame. A tag cut short by the end of what was read ends
// the walk quietly: the header is already known.
void ReadFirstFrameTags(ByteReader& reader, SwfHeader& header) {
    while (reader.Has(2)) {
        const std::uint16_t codeAndLength = reader.U16();
        const int code = codeAndLength >> 6;
        std::size_t length = codeAndLength & 0x3F;
        if (length == 0x3F) {
            if (!reader.Has(4)) return;
            length = reader.U32();
        }
        if (code == kTagEnd || code == kTagShowFrame) return;
        if (!reader.Has(length)) return;
        const std::string_view body(reinterpret_cast<const char*>(reader.Here()), length);
        if (code == kTagSetBackgroundColor && length >= 3)
            header.backgroundRgb = static_cast<std::uint32_t>(platform::GetBigEndian(reader.Here(), 3));
        if (code == kTagMetadata && body.find(kPlayerMovieMarker) != std::string_view::npos)
            header.isPlayerMovie = true;
        reader.Skip(length);
    }
}

SwfProblem ReadBody(const std::uint8_t* body, std::size_t size, SwfHeader& header) {
    ByteReader reader(body, size);
    if (!ReadRect(reader, header.widthTwips, header.heightTwips) || !reader.Has(4)) return SwfProblem::Truncated;
    const std::uint16_t rate = reader.U16();
    header.framesPerSecond = (rate >> 8) + (rate & 0xFF) / 256.0;
    header.frameCount = reader.U16();
    ReadFirstFrameTags(reader, header);
    return SwfProblem::None;
}

}  // namespace

SwfReadResult ReadSwfHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize) {
    SwfReadResult result;
    SwfHeader& header = result.header;
    if (size < 3) {
        result.problem = SwfProblem::Truncated;
        return result;
    }
    const std::string_view signature(reinterpret_cast<const char*>(data), 3);
    if (signature == "ZWS") {
        result.problem = SwfProblem::UnsupportedCompression;
        return result;
    }
    if (signature != "FWS" && signature != "CWS") {
        result.problem = SwfProblem::NotAMovie;
        return result;
    }
    if (size < kSignatureSize) {
        result.problem = SwfProblem::Truncated;
        return result;
    }
    header.compressed = signature == "CWS";
    header.version = data[3];
    header.declaredLength = static_cast<std::uint32_t>(platform::GetLittleEndian(data + 4, 4));
    if (header.declaredLength < kSignatureSize) {
        result.problem = SwfProblem::Corrupt;
        return result;
    }
    const std::uint8_t* body = data + kSignatureSize;
    std::size_t bodySize = std::min<std::size_t>(size - kSignatureSize, header.declaredLength - kSignatureSize);
    std::vector<std::uint8_t> inflated;
    if (header.compressed) {
        // The declared length counts the inflated movie: a small one can take more bytes
        // compressed than that, so every byte read goes in.
        const std::size_t wanted = std::min<std::size_t>(header.declaredLength - kSignatureSize, kBodyLimit);
        const InflateResult inflate = InflateStart(body, size - kSignatureSize, wanted, inflated);
        if (inflate == InflateResult::Corrupt) {
            result.problem = SwfProblem::Corrupt;
            return result;
        }
        if (inflate == InflateResult::Truncated && size >= fileSize) {
            result.problem = SwfProblem::Truncated;
            return result;
        }
        body = inflated.data();
        bodySize = inflated.size();
    } else if (fileSize < header.declaredLength) {
        result.problem = SwfProblem::Truncated;
        return result;
    }
    result.problem = ReadBody(body, bodySize, header);
    return result;
}

}  // namespace flashctl
