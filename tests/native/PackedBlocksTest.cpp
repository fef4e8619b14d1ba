// The set-up trusts nothing in its block file before every size has been checked against the
// file and the others: each damaged table or block here must be refused with its reason,
// never read or written past (the sanitizers watch), and sound ones expand byte for byte.
#include "unpack/PackedBlocks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes Deflate(const Bytes& bytes) {
    uLongf size = compressBound(bytes.size());
    Bytes out(size);
    compress2(out.data(), &size, bytes.data(), bytes.size(), 9);
    out.resize(size);
    return out;
}

// The fields of one table entry as written, which a case may falsify.
struct Entry {
    Bytes deflated;
    std::uint32_t deflatedSize, lz4Size, expandedSize;
};

// An LZ4 block of `text` as literals, then a match repeating its last byte `repeats` times.
Entry Lz4Entry(const std::string& text, std::uint32_t repeats) {
    Bytes lz4{static_cast<std::uint8_t>(text.size() << 4 | (repeats - 4))};
    lz4.insert(lz4.end(), text.begin(), text.end());
    Put(lz4, 1, 2);
    lz4.insert(lz4.end(), {0x10, '!'});  // the last sequence: one literal
    const Bytes deflated = Deflate(lz4);
    return {deflated, static_cast<std::uint32_t>(deflated.size()), static_cast<std::uint32_t>(lz4.size()),
            static_cast<std::uint32_t>(text.size() + repeats + 1)};
}

Entry StoredEntry(const std::string& text) {
    const Bytes deflated = Deflate(Bytes(text.begin(), text.end()));
    const auto size = static_cast<std::uint32_t>(text.size());
    return {deflated, static_cast<std::uint32_t>(deflated.size()), size | 0x80000000u, size};
}

Bytes File(const std::vector<Entry>& entries, std::uint64_t expandedSize, std::uint32_t count) {
    Bytes out{'R', 'K', 'B', '1'};
    Put(out, count, 4);
    Put(out, expandedSize, 8);
    for (const Entry& e : entries) {
        Put(out, e.deflatedSize, 4);
        Put(out, e.lz4Size, 4);
        Put(out, e.expandedSize, 4);
    }
    for (const Entry& e : entries) out.insert(out.end(), e.deflated.begin(), e.deflated.end());
    return out;
}

const std::string kExpected = "packed " + std::string(8, 'x') + "!" + "stored as it is";
std::vector<Entry> SoundEntries() { return {Lz4Entry("packed x", 7), StoredEntry("stored as it is")}; }

// Expands every block at its offset; empty and the bytes, or the first reason for refusing.
std::string Expand(const unpack::BlockTable& table, std::string& out) {
    if (!table.error.empty()) return table.error;
    out.assign(table.expandedSize, '?');
    unpack::BlockBuffers buffers;
    for (const unpack::PackedBlock& block : table.blocks) {
        if (auto why = unpack::ExpandBlock(block, buffers); !why.empty()) return why;
        std::copy(buffers.expanded.begin(), buffers.expanded.end(), out.begin() + block.targetOffset);
    }
    return {};
}
std::string Expand(const Bytes& file, std::string& out) { return Expand(unpack::ReadBlockTable(file), out); }

TEST(PackedBlocks, ExpandsSoundFilesAndRefusesDamagedOnes) {
    std::string out;
    EXPECT_EQ(Expand(File(SoundEntries(), kExpected.size(), 2), out), "");
    EXPECT_EQ(out, kExpected);
    EXPECT_EQ(Expand(File({}, 0, 0), out), "");

    // Each case damages a sound file in one way: its table's fields, or the bytes written.
    struct Parts {
        std::vector<Entry> e = SoundEntries();
        std::uint64_t size = kExpected.size();
        std::uint32_t count = 2;
    };
    const struct {
        std::function<void(Parts&)> parts;
        std::function<void(Bytes&)> bytes;
        std::string error;
    } cases[] = {
        {nullptr, [](Bytes& f) { f[0] = 'X'; }, "not a block file"},
        {nullptr, [](Bytes& f) { f.resize(10); }, "not a block file"},
        {[](Parts& p) { p.count = 0xFFFFFFFF; }, nullptr, "table is cut off"},
        {[](Parts& p) { p.e[0].expandedSize = 0; }, nullptr, "expanded size is out of bounds"},
        {[](Parts& p) { p.e[0].expandedSize = (4 << 20) + 1; }, nullptr, "expanded size is out of bounds"},
        {[](Parts& p) { p.e[0].lz4Size = 0; }, nullptr, "LZ4 size is out of bounds"},
        {[](Parts& p) { p.e[0].lz4Size = 0x7FFFFFFF; }, nullptr, "LZ4 size is out of bounds"},
        {[](Parts& p) { p.e[1].lz4Size += 1; }, nullptr, "stored block's sizes differ"},
        {[](Parts& p) { p.e[0].deflatedSize = 0; }, nullptr, "block is empty"},
        {[](Parts& p) { p.e[1].deflatedSize = 0xFFFFFFFF; }, nullptr, "past the end of the file"},
        {[](Parts& p) { p.size -= 1; }, nullptr, "expand past the file's size"},
        {[](Parts& p) { p.size += 1; }, nullptr, "fall short of the file's size"},
        {nullptr, [](Bytes& f) { f.push_back(0); }, "goes on past its last block"},
        {[](Parts& p) { p.e[0].deflated[3] ^= 0xFF; }, nullptr, "does not inflate to its LZ4 size"},
        {[](Parts& p) { p.e[0].lz4Size += 1; }, nullptr, "does not inflate to its LZ4 size"},
        {[](Parts& p) { p.e[1].lz4Size -= 1, p.e[1].expandedSize -= 1, p.size -= 1; }, nullptr, "its LZ4 size"},
        {[](Parts& p) { p.e[0].expandedSize -= 1, p.size -= 1; }, nullptr, "past its expanded size"},
        {[](Parts& p) { p.e[0].expandedSize += 1, p.size += 1; }, nullptr, "does not expand to its size"},
    };
    for (const auto& c : cases) {
        Parts parts;
        if (c.parts) c.parts(parts);
        Bytes file = File(parts.e, parts.size, parts.count);
        if (c.bytes) c.bytes(file);
        const std::string error = Expand(file, out);
        EXPECT_NE(error.find(c.error), std::string::npos) << "wanted '" << c.error << "', got '" << error << "'";
    }
}

// The set-up finds its block files among its own bytes, by their order, after compressed data
// in which the magic may turn up by chance.
TEST(PackedBlocks, FindsEachBlockFileAmongOtherBytes) {
    const Bytes sound = File(SoundEntries(), kExpected.size(), 2);
    const Bytes other = File({StoredEntry("another file")}, 12, 1);
    const Bytes cutShort(sound.begin(), sound.end() - 1);
    const Bytes noise{'x', 'R', 'K', 'B', '1', 0xFF, 0xFF, 0xFF, 0x7F, 'R', 'K', 'B'};
    const Bytes wrongTable = File(SoundEntries(), kExpected.size() + 1, 2);  // adds up, then falls short
    const struct {
        std::vector<Bytes> parts;
        std::size_t index;
        std::string expected;  // empty: none found
    } cases[] = {
        {{sound}, 0, kExpected},
        {{noise, sound, noise}, 0, kExpected},
        {{noise, wrongTable, sound}, 0, kExpected},
        {{noise, Bytes(100, 0), sound, other}, 0, kExpected},
        {{noise, sound, noise, other}, 1, "another file"},
        {{other, sound}, 1, kExpected},
        {{sound, other}, 2, ""},
        {{noise}, 0, ""},
        {{noise, cutShort}, 0, ""},
        {{wrongTable}, 0, ""},
        {{}, 0, ""},
    };
    for (const auto& c : cases) {
        Bytes bytes;
        for (const Bytes& part : c.parts) bytes.insert(bytes.end(), part.begin(), part.end());
        std::string out;
        const std::string error = Expand(unpack::FindBlockTable(bytes, c.index), out);
        EXPECT_EQ(error, c.expected.empty() ? "no block file in it" : "") << "in " << bytes.size() << " bytes";
        EXPECT_EQ(out, c.expected);
    }
}

}  // namespace
