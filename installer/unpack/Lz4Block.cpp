#include "unpack/Lz4Block.h"

#include <algorithm>
#include <cstring>

namespace unpack {
namespace {

constexpr std::size_t kMinMatch = 4;
// Copies move in fixed blocks of this size while both sides have room for whole blocks
// (the excess is overwritten by what follows): a library call per sequence made expanding
// several times slower.
constexpr std::size_t kFastCopy = 16;

// Copies `size` bytes from `from` (at least kFastCopy before `to`, or in another buffer),
// front to back: a match may overlap what it writes, and then repeats its first bytes.
// `room` is how many bytes both sides may be touched past their starts.
void CopyForward(std::uint8_t* to, const std::uint8_t* from, std::size_t size, std::size_t room) {
    if (size + kFastCopy > room) {
        // Not std::copy_n: it moves overlapping bytes as memmove does, as they were before.
        for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
        return;
    }
    for (std::size_t done = 0; done < size; done += kFastCopy) std::memcpy(to + done, from + done, kFastCopy);
}

// Reads forward through a block; every read is checked against its end.
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
        if (literals > out.size() - at) return "a block expands past its expanded size";
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
        if (length > out.size() - at) return "a block expands past its expanded size";
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

}  // namespace unpack
