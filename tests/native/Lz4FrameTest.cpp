// The set-up expands ffmpeg.exe from an LZ4 frame with its own reader, whose copies run
// ahead in fixed blocks: every case here is checked against a plain byte-by-byte model,
// and damaged frames must be refused without reading or writing past the data.
#include "unpack/Lz4Frame.h"

#include <gtest/gtest.h>

#include <optional>
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

// What the sequences mean, one byte at a time.
std::string Model(const std::vector<std::vector<Sequence>>& blocks) {
    std::string all;
    for (const auto& block : blocks) {
        std::string out;
        for (const Sequence& s : block) {
            out += s.literals;
            for (std::size_t i = 0; i < s.length; ++i) out.push_back(out[out.size() - s.offset]);
        }
        all += out;
    }
    return all;
}

struct FrameOptions {
    std::uint8_t flags;
    std::optional<std::uint64_t> contentSize;
    bool checksums;
    std::vector<bool> stored;  // blocks that go in as they are, marked uncompressed
};
constexpr std::uint8_t kIndependentBlocks = 0x60;  // version 1, blocks on their own
const FrameOptions kPlain{kIndependentBlocks, std::nullopt, false, {}};

FrameOptions With(std::uint8_t flags) { return {flags, std::nullopt, false, {}}; }
FrameOptions WithContentSize(std::uint64_t size) { return {kIndependentBlocks, size, false, {}}; }
FrameOptions WithChecksums() { return {kIndependentBlocks, std::nullopt, true, {}}; }
FrameOptions WithStored(std::vector<bool> stored) { return {kIndependentBlocks, std::nullopt, false, stored}; }

Bytes Frame(const std::vector<Bytes>& blocks, const FrameOptions& options = kPlain) {
    Bytes out;
    PutLittleEndian(out, 0x184D2204, 4);
    std::uint8_t flags = options.flags;
    if (options.contentSize) flags |= 0x08;
    if (options.checksums) flags |= 0x14;
    out.push_back(flags);
    out.push_back(0x40);  // 64 KB blocks
    if (options.contentSize) PutLittleEndian(out, *options.contentSize, 8);
    out.push_back(0);  // header checksum, not read
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const bool raw = i < options.stored.size() && options.stored[i];
        PutLittleEndian(out, blocks[i].size() | (raw ? 0x80000000u : 0), 4);
        out.insert(out.end(), blocks[i].begin(), blocks[i].end());
        if (options.checksums) PutLittleEndian(out, 0xDEADBEEF, 4);
    }
    PutLittleEndian(out, 0, 4);
    if (options.checksums) PutLittleEndian(out, 0xDEADBEEF, 4);
    return out;
}

Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

std::string Decode(const Bytes& frame, std::string& error) {
    std::string out;
    error = unpack::DecodeLz4Frame(frame, [&out](std::span<const std::uint8_t> block) {
        out.append(block.begin(), block.end());
        return true;
    });
    return out;
}

TEST(Lz4Frame, ExpandsWhatTheSequencesMean) {
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
    };
    for (const auto& blocks : cases) {
        std::vector<Bytes> encoded;
        for (const auto& block : blocks) encoded.push_back(Block(block));
        const std::string expected = Model(blocks);
        for (const FrameOptions& options : {kPlain, WithContentSize(expected.size()), WithChecksums()}) {
            std::string error;
            EXPECT_EQ(Decode(Frame(encoded, options), error), expected);
            EXPECT_EQ(error, "") << expected;
        }
    }
    std::string error;
    EXPECT_EQ(Decode(Frame({Text("kept as "), Block({{"is"}})}, WithStored({true, false})), error), "kept as is");
    EXPECT_EQ(error, "");
}

TEST(Lz4Frame, RefusesDamagedFrames) {
    Bytes notAFrame = Frame({Block({{"abc"}})});
    notAFrame[0] ^= 1;
    Bytes cutHeader = Frame({Block({{"abc"}})}, WithContentSize(3));
    cutHeader.resize(10);
    Bytes noEndMark = Frame({Block({{"abc"}})});
    noEndMark.resize(noEndMark.size() - 2);
    Bytes blockTooLong = Frame({Block({{"abc"}})});
    blockTooLong[7] = 200;
    Bytes cutChecksum = Frame({Block({{"abc"}})}, WithChecksums());
    cutChecksum.resize(cutChecksum.size() - 2);
    const struct {
        Bytes frame;
        std::string error;
    } cases[] = {
        {notAFrame, "not an LZ4 frame"},
        {cutHeader, "header is cut off"},
        {Frame({Block({{"abc"}})}, With(0x40)), "depend on each other"},
        {Frame({Block({{"abc"}})}, With(0x80)), "version"},
        {Frame({Block({{"abc"}})}, With(0x61)), "dictionary"},
        {Frame({Block({{"abc"}})}, WithContentSize(4)), "content size"},
        {noEndMark, "end mark"},
        {blockTooLong, "past the end of the frame"},
        {Frame({Block({{"ab", 0, 4}, {"!"}})}), "before the start"},
        {Frame({Block({{"ab", 3, 4}, {"!"}})}), "before the start"},
        {Frame({Block({{"a"}}), Block({{"b", 2, 4}, {"!"}})}), "before the start"},  // not into the last block
        {Frame({Block({{"ab", 1, 70000}, {"!"}})}), "past the frame's block size"},
        {Frame({Bytes{0x50, 'a', 'b'}}), "literal run goes past"},
        {Frame({Bytes{0x10, 'a', 1}}), "offset is cut off"},
        {Frame({Bytes{0x1F, 'a', 1, 0}}), "length is cut off"},
        {Frame({Bytes(70000, 0)}, WithStored({true})), "larger than the frame's block size"},
        {cutChecksum, "checksum is cut off"},
    };
    for (const auto& c : cases) {
        std::string error;
        Decode(c.frame, error);
        EXPECT_NE(error.find(c.error), std::string::npos) << "wanted '" << c.error << "', got '" << error << "'";
    }
    // A target that cannot take the bytes stops the expanding.
    int blocks = 0;
    const auto stopped = unpack::DecodeLz4Frame(Frame({Block({{"a"}}), Block({{"b"}})}), [&blocks](auto) {
        ++blocks;
        return false;
    });
    EXPECT_EQ(blocks, 1);
    EXPECT_NE(stopped, "");
}

}  // namespace
