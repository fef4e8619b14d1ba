#include "flashctl/Inflate.h"

#include <array>

namespace flashctl {

namespace {

struct Truncated {};
struct Corrupt {};
struct LimitReached {};

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    unsigned Bits(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) value |= Bit() << i;
        return value;
    }
    unsigned Bit() {
        if (position_ >= size_) throw Truncated{};
        const unsigned bit = (data_[position_] >> bitIndex_) & 1u;
        if (++bitIndex_ == 8) {
            bitIndex_ = 0;
            ++position_;
        }
        return bit;
    }
    void AlignToByte() {
        if (bitIndex_ != 0) {
            bitIndex_ = 0;
            ++position_;
        }
    }
    std::uint8_t Byte() {
        if (position_ >= size_) throw Truncated{};
        return data_[position_++];
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    int bitIndex_ = 0;
};

// Canonical Huffman code as counts per length and symbols in code order (as in zlib's
// "puff"): decoding walks the lengths, which is slow but tiny and plenty for a header.
struct Huffman {
    std::array<std::uint16_t, 16> counts{};
    std::vector<std::uint16_t> symbols;

    void Build(const std::uint8_t* lengths, int count) {
        counts.fill(0);
        for (int i = 0; i < count; ++i) ++counts[lengths[i]];
        counts[0] = 0;
        int left = 1;
        for (int length = 1; length < 16; ++length) {
            left = left * 2 - counts[length];
            if (left < 0) throw Corrupt{};
        }
        std::array<std::uint16_t, 16> offsets{};
        for (int length = 1; length < 15; ++length) offsets[length + 1] = offsets[length] + counts[length];
        symbols.assign(count, 0);
        for (int i = 0; i < count; ++i)
            if (lengths[i] != 0) symbols[offsets[lengths[i]]++] = static_cast<std::uint16_t>(i);
    }

    int Decode(BitReader& bits) const {
        int code = 0, first = 0, index = 0;
        for (int length = 1; length < 16; ++length) {
            code |= static_cast<int>(bits.Bit());
            const int count = counts[length];
            if (code - count < first) return symbols[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        throw Corrupt{};
    }
};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Decoder {
public:
    Decoder(BitReader& bits, std::size_t limit, std::vector<std::uint8_t>& output)
        : bits_(bits), limit_(limit), output_(output), start_(output.size()) {}

    void Run() {
        bool last = false;
        while (!last) {
            last = bits_.Bit() != 0;
            switch (bits_.Bits(2)) {
            case 0: Stored(); break;
            case 1: FixedBlock(); break;
            case 2: DynamicBlock(); break;
            default: throw Corrupt{};
            }
        }
    }

private:
    void Put(std::uint8_t byte) {
        if (output_.size() - start_ >= limit_) throw LimitReached{};
        output_.push_back(byte);
    }

    void Stored() {
        bits_.AlignToByte();
        const unsigned length = bits_.Byte() | bits_.Byte() << 8;
        const unsigned complement = bits_.Byte() | bits_.Byte() << 8;
        if ((length ^ 0xFFFFu) != complement) throw Corrupt{};
        for (unsigned i = 0; i < length; ++i) Put(bits_.Byte());
    }

    void FixedBlock() {
        std::uint8_t lengths[288 + 30];
        for (int i = 0; i < 144; ++i) lengths[i] = 8;
        for (int i = 144; i < 256; ++i) lengths[i] = 9;
        for (int i = 256; i < 280; ++i) lengths[i] = 7;
        for (int i = 280; i < 288; ++i) lengths[i] = 8;
        for (int i = 288; i < 318; ++i) lengths[i] = 5;
        Huffman literals, distances;
        literals.Build(lengths, 288);
        distances.Build(lengths + 288, 30);
        Codes(literals, distances);
    }

    void DynamicBlock() {
        const int literalCount = static_cast<int>(bits_.Bits(5)) + 257;
        const int distanceCount = static_cast<int>(bits_.Bits(5)) + 1;
        const int codeCount = static_cast<int>(bits_.Bits(4)) + 4;
        if (literalCount > 286 || distanceCount > 30) throw Corrupt{};
        static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::uint8_t lengths[320] = {};
        for (int i = 0; i < codeCount; ++i) lengths[kOrder[i]] = static_cast<std::uint8_t>(bits_.Bits(3));
        Huffman lengthCode;
        lengthCode.Build(lengths, 19);
        int index = 0;
        while (index < literalCount + distanceCount) {
            int symbol = lengthCode.Decode(bits_);
            if (symbol < 16) {
                lengths[index++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t repeated = 0;
            int times = 0;
            if (symbol == 16) {
                if (index == 0) throw Corrupt{};
                repeated = lengths[index - 1];
                times = 3 + static_cast<int>(bits_.Bits(2));
            } else if (symbol == 17) {
                times = 3 + static_cast<int>(bits_.Bits(3));
            } else {
                times = 11 + static_cast<int>(bits_.Bits(7));
            }
            if (index + times > literalCount + distanceCount) throw Corrupt{};
            while (times--) lengths[index++] = repeated;
        }
        if (lengths[256] == 0) throw Corrupt{};
        Huffman literals, distances;
        literals.Build(lengths, literalCount);
        distances.Build(lengths + literalCount, distanceCount);
        Codes(literals, distances);
    }

    void Codes(const Huffman& literals, const Huffman& distances) {
        for (;;) {
            const int symbol = literals.Decode(bits_);
            if (symbol < 256) {
                Put(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) return;
            const int lengthIndex = symbol - 257;
            if (lengthIndex >= 29) throw Corrupt{};
            const unsigned length = kLengthBase[lengthIndex] + bits_.Bits(kLengthExtra[lengthIndex]);
            const int distanceIndex = distances.Decode(bits_);
            if (distanceIndex >= 30) throw Corrupt{};
            const std::size_t distance = kDistanceBase[distanceIndex] + bits_.Bits(kDistanceExtra[distanceIndex]);
            if (distance > output_.size() - start_) throw Corrupt{};
            for (unsigned i = 0; i < length; ++i) Put(output_[output_.size() - distance]);
        }
    }

    BitReader& bits_;
    std::size_t limit_;
    std::vector<std::uint8_t>& output_;
    std::size_t start_;
};

}  // namespace

InflateResult Inflate(const std::uint8_t* input, std::size_t size, std::size_t limit,
                      std::vector<std::uint8_t>& output) {
    if (size < 2) return InflateResult::Truncated;
    // zlib header: deflate method, a window of at most 32 KiB, the check bits, no dictionary.
    const unsigned cmf = input[0], flags = input[1];
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (cmf << 8 | flags) % 31 != 0 || (flags & 0x20))
        return InflateResult::Corrupt;
    BitReader bits(input + 2, size - 2);
    try {
        Decoder(bits, limit, output).Run();
    } catch (const LimitReached&) {
        return InflateResult::LimitReached;
    } catch (const Truncated&) {
        return InflateResult::Truncated;
    } catch (const Corrupt&) {
        return InflateResult::Corrupt;
    }
    return InflateResult::Complete;
}

}  // namespace flashctl
