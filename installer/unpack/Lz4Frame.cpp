#include "unpack/Lz4Frame.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace unpack {
namespace {

constexpr std::uint32_t kFrameMagic = 0x184D2204;
constexpr std::uint8_t kVersionMask = 0xC0, kVersion1 = 0x40;
constexpr std::uint8_t kIndependentBlocksFlag = 0x20, kBlockChecksumFlag = 0x10, kContentSizeFlag = 0x08,
                       kContentChecksumFlag = 0x04, kDictionaryFlag = 0x01;
constexpr std::uint32_t kUncompressedBlockBit = 0x80000000;
constexpr std::size_t kMinMatch = 4;
// Copies move in fixed blocks of this size while both sides have room for whole blocks
// (the excess is overwritten by what follows): a library call per sequence made expanding
// several times slower.
constexpr std::size_t kFastCopy = 16;

// Copies `size` bytes from `from` (at least kFastCopy before `to`, or in another buffer);
// `room` is how many bytes both sides may be touched past their starts.
void CopyForward(std::uint8_t* to, const std::uint8_t* from, std::size_t size, std::size_t room) {
    if (size + kFastCopy > room) {
        std::copy_n(from, size, to);
        return;
    }
    for (std::size_t done = 0; done < size; done += kFastCopy) std::memcpy(to + done, from + done, kFastCopy);
}

// Reads forward through the frame; every read is checked against its end.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Left() const { return bytes_.size() - at_; }
    const std::uint8_t* Here() const { return bytes_.data() + at_; }
    bool Byte(std::uint8_t& value) {
        if (Left() < 1) return false;
        value = bytes_[at_++];
        return true;
    }
    template <typename T>
    bool LittleEndian(T& value) {
        if (Left() < sizeof(T)) return false;
        value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(bytes_[at_ + i]) << (8 * i);
        at_ += sizeof(T);
        return true;
    }
    bool Skip(std::size_t size) {
        if (Left() < size) return false;
        at_ += size;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// What the header says, or why it cannot be read.
struct Header {
    std::uint8_t flags = 0;
    std::size_t maxBlockSize = 0;
    std::optional<std::uint64_t> contentSize;
    std::string error;
};

Header ReadHeader(Reader& in) {
    Header header;
    std::uint32_t magic = 0;
    std::uint8_t blockSizes = 0;
    std::uint64_t contentSize = 0;
    if (!in.LittleEndian(magic) || magic != kFrameMagic) {
        header.error = "not an LZ4 frame";
    } else if (!in.Byte(header.flags) || !in.Byte(blockSizes)) {
        header.error = "the frame header is cut off";
    } else if ((header.flags & kVersionMask) != kVersion1) {
        header.error = "an LZ4 frame version this set-up cannot read";
    } else if (!(header.flags & kIndependentBlocksFlag)) {
        header.error = "the frame's blocks depend on each other";
    } else if (header.flags & kDictionaryFlag) {
        header.error = "the frame needs a dictionary";
    } else if (const int sizeCode = (blockSizes >> 4) & 0x07; sizeCode < 4) {
        header.error = "the frame's block size is not one of LZ4's";
    } else if ((header.flags & kContentSizeFlag) && !in.LittleEndian(contentSize)) {
        header.error = "the frame header is cut off";
    } else if (!in.Skip(1)) {
        header.error = "the frame header is cut off";
    } else {
        header.maxBlockSize = std::size_t{1} << (8 + 2 * sizeCode);  // 64 KB, 256 KB, 1 MB or 4 MB
        if (header.flags & kContentSizeFlag) header.contentSize = contentSize;
    }
    return header;
}

// A length nibble of 15 goes on in the following bytes, each 255 meaning "more".
bool ExtendLength(Reader& in, std::size_t& length) {
    if (length != 15) return true;
    std::uint8_t more = 255;
    while (more == 255) {
        if (!in.Byte(more)) return false;
        length += more;
    }
    return true;
}

}  // namespace

std::string DecodeLz4Block(std::span<const std::uint8_t> block, std::span<std::uint8_t> out, std::size_t& at) {
    Reader in(block);
    at = 0;
    while (in.Left() > 0) {
        std::uint8_t token = 0;
        in.Byte(token);
        std::size_t literals = token >> 4;
        if (!ExtendLength(in, literals) || literals > in.Left()) return "a literal run goes past its block";
        if (literals > out.size() - at) return "a block expands past the frame's block size";
        CopyForward(out.data() + at, in.Here(), literals, std::min(in.Left(), out.size() - at));
        in.Skip(literals);
        at += literals;
        if (in.Left() == 0) break;  // the last sequence of a block has no match

        std::uint16_t offset = 0;
        if (!in.LittleEndian(offset)) return "a match offset is cut off";
        std::size_t length = token & 0x0F;
        if (!ExtendLength(in, length)) return "a match length is cut off";
        length += kMinMatch;
        if (offset == 0 || offset > at) return "a match reaches before the start of its block";
        if (length > out.size() - at) return "a block expands past the frame's block size";
        const std::uint8_t* from = out.data() + at - offset;
        if (offset >= kFastCopy) {
            CopyForward(out.data() + at, from, length, out.size() - at);
            at += length;
            continue;
        }
        // A match nearer than its length repeats its last `offset` bytes: copied in pieces
        // that double, each a whole number of repeats and never overlapping what it reads.
        for (std::size_t left = length; left > 0;) {
            std::uint8_t* to = out.data() + at;
            const std::size_t piece = std::min(left, static_cast<std::size_t>(to - from));
            std::copy_n(from, piece, to);
            at += piece;
            left -= piece;
        }
    }
    return {};
}

std::string DecodeLz4Frame(std::span<const std::uint8_t> frame, const Lz4BlockSink& sink) {
    Reader in(frame);
    const Header header = ReadHeader(in);
    if (!header.error.empty()) return header.error;
    std::vector<std::uint8_t> expanded(header.maxBlockSize);
    std::uint64_t total = 0;
    for (;;) {
        std::uint32_t blockSize = 0;
        if (!in.LittleEndian(blockSize)) return "the frame ends without its end mark";
        if (blockSize == 0) break;
        const bool stored = blockSize & kUncompressedBlockBit;
        blockSize &= ~kUncompressedBlockBit;
        if (blockSize > in.Left()) return "a block goes past the end of the frame";
        std::span<const std::uint8_t> block(in.Here(), blockSize);
        in.Skip(blockSize);
        if (stored) {
            if (blockSize > header.maxBlockSize) return "a block is larger than the frame's block size";
        } else {
            std::size_t size = 0;
            if (auto why = DecodeLz4Block(block, expanded, size); !why.empty()) return why;
            block = std::span<const std::uint8_t>(expanded.data(), size);
        }
        total += block.size();
        if (!sink(block)) return "the expanded bytes could not be stored";
        if ((header.flags & kBlockChecksumFlag) && !in.Skip(4)) return "a block checksum is cut off";
    }
    if ((header.flags & kContentChecksumFlag) && !in.Skip(4)) return "the content checksum is cut off";
    if (header.contentSize && *header.contentSize != total) return "the frame does not hold its content size";
    return {};
}

}  // namespace unpack
