// The set-up expands ffmpeg.exe's LZ4 blocks with its own reader, whose copies run ahead in
// fixed blocks: every case here is checked against a plain byte-by-byte model, and damaged
// blocks must be refused without reading or writing past the data.
#include "unpack/Lz4Block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Literals, then a match of `length` bytes `offset` back; the last sequence of a block has
// no match (length 0).
struct Sequence {
    std::string literals;
    unsigned offset = 0;
    std::size_t length = 0;
};

void PutLittleEndian(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A length nibble, and the bytes that carry it on past 15.
void PutLengthTail(Bytes& out, std::size_t length) {
    if (length < 15) return;
    for (length -= 15; length >= 255; length -= 255) out.push_back(255);
    out.push_back(static_cast<std::uint8_t>(length));
}

Bytes Block(const std::vector<Sequence>& sequences) {
    Bytes out;
    for (const Sequence& s : sequences) {
        const std::size_t match = s.length > 0 ? s.length - 4 : 0;
        out.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(s.literals.size(), 15) << 4 |
                                                std::min<std::size_t>(match, 15)));
        PutLengthTail(out, s.literals.size());
        out.insert(out.end(), s.literals.begin(), s.literals.end());
        if (s.length == 0) continue;
        PutLittleEndian(out, s.offset, 2);
        PutLengthTail(out, match);
    }
    return out;
}

// What a block's sequences mean, one byte at a time.
std::string Model(const std::vector<Sequence>& block) {
    std::string out;
    for (const Sequence& s : block) {
        out += s.literals;
        for (std::size_t i = 0; i < s.length; ++i) out.push_back(out[out.size() - s.offset]);
    }
    return out;
}

// Expands each block on its own into room of its size, as the set-up does (a copy running
// ahead must not cut corners at the end of it), or of 64 KB; empty on success, else the
// first reason.
std::string Decode(const std::vector<Bytes>& blocks, std::string& out, const std::vector<std::size_t>& sizes = {}) {
    out.clear();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Bytes& block = blocks[i];
        Bytes expanded(sizes.empty() ? 64 << 10 : sizes[i]);
        std::size_t size = 0;
        if (auto why = unpack::DecodeLz4Block(block, expanded, size); !why.empty()) return why;
        out.append(expanded.begin(), expanded.begin() + static_cast<std::ptrdiff_t>(size));
    }
    return {};
}

TEST(Lz4Block, ExpandsWhatTheSequencesMean) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    // Each case: blocks of sequences.
    const std::vector<std::vector<std::vector<Sequence>>> cases = {
        {{{"hello"}}},
        {{{"ab", 1, 10}, {"!"}}},                               // a match nearer than its length repeats a byte
        {{{"abc", 3, 20}, {"."}}},                              // ... or a period of three
        {{{alphabet, 10, 30}, {"z"}}},                          // ... or one shorter than a copy block
        {{{alphabet, 30, 25}, {"z"}}},                          // far enough back to copy in blocks
        {{{alphabet, 17, 40}, {alphabet, 60, 16}, {"end"}}},    // block copies back to back
        {{{std::string(300, 'x') + alphabet, 1, 600}, {"!"}}},  // lengths carried on in extra bytes
        {{{"first block "}}, {{"second", 3, 9}, {""}}},         // blocks expand on their own
        {{{alphabet, 20, 100}, {"!"}}},                         // far back, but overlapping, at the very end
    };
    for (const auto& blocks : cases) {
        std::vector<Bytes> encoded;
        std::string model;
        std::vector<std::size_t> sizes;
        for (const auto& block : blocks) {
            encoded.push_back(Block(block));
            model += Model(block);
            sizes.push_back(Model(block).size());
        }
        std::string out;
        EXPECT_EQ(Decode(encoded, out, sizes), "");
        EXPECT_EQ(out, model);
    }
}

TEST(Lz4Block, RefusesDamagedBlocks) {
    const struct {
        Bytes block;
        std::string error;
    } cases[] = {
        {Block({{"ab", 0, 4}, {"!"}}), "before the start"},
        {Block({{"ab", 3, 4}, {"!"}}), "before the start"},
        {Block({{"ab", 1, 70000}, {"!"}}), "past its expanded size"},
        {Block({{std::string(70000, 'a')}}), "past its expanded size"},
        {Bytes{0x50, 'a', 'b'}, "literal run goes past"},
        {Bytes{0x10, 'a', 1}, "offset is cut off"},
        {Bytes{0x1F, 'a', 1, 0}, "length is cut off"},
    };
    for (const auto& c : cases) {
        std::string out;
        const std::string error = Decode({c.block}, out);
        EXPECT_NE(error.find(c.error), std::string::npos) << "wanted '" << c.error << "', got '" << error << "'";
    }
}

}  // namespace
