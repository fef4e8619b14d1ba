#include "unpack/PackedBlocks.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <optional>

#include "unpack/Lz4Block.h"

namespace unpack {
namespace {

constexpr char kMagic[4] = {'R', 'K', 'B', '1'};
constexpr std::size_t kHeaderSize = 16, kEntrySize = 12;
constexpr std::uint32_t kStoredBit = 0x80000000;
// LZ4's own bound: a block that does not shrink grows by at most this much.
constexpr std::uint32_t kMaxLz4Block = kMaxExpandedBlock + kMaxExpandedBlock / 255 + 16;

template <typename T>
T LittleEndian(const std::uint8_t* at) {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(at[i]) << (8 * i);
    return value;
}

// Why an entry's sizes cannot be right, or empty.
std::string CheckEntry(std::uint32_t deflated, std::uint32_t lz4, bool stored, std::uint32_t expanded) {
    if (expanded == 0 || expanded > kMaxExpandedBlock) return "a block's expanded size is out of bounds";
    if (lz4 == 0 || lz4 > kMaxLz4Block) return "a block's LZ4 size is out of bounds";
    if (stored && lz4 != expanded) return "a stored block's sizes differ";
    if (deflated == 0) return "a block is empty";
    return {};
}

BlockTable Refuse(std::string why) {
    BlockTable table;
    table.error = std::move(why);
    return table;
}

// The length of the block file that would start at `bytes` by its own table, if it fits in them.
std::optional<std::size_t> DeclaredLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const auto count = LittleEndian<std::uint32_t>(bytes.data() + 4);
    if (count > (bytes.size() - kHeaderSize) / kEntrySize) return std::nullopt;
    std::uint64_t length = kHeaderSize + std::uint64_t{count} * kEntrySize;
    for (std::uint32_t i = 0; i < count; ++i)
        length += LittleEndian<std::uint32_t>(bytes.data() + kHeaderSize + i * kEntrySize);
    if (length > bytes.size()) return std::nullopt;
    return static_cast<std::size_t>(length);
}

}  // namespace

BlockTable ReadBlockTable(std::span<const std::uint8_t> file) {
    if (file.size() < kHeaderSize || !std::equal(kMagic, kMagic + 4, file.begin())) return Refuse("not a block file");
    const auto count = LittleEndian<std::uint32_t>(file.data() + 4);
    const auto expandedSize = LittleEndian<std::uint64_t>(file.data() + 8);
    if (count > (file.size() - kHeaderSize) / kEntrySize) return Refuse("the block table is cut off");
    BlockTable table;
    table.expandedSize = expandedSize;
    std::size_t dataAt = kHeaderSize + count * kEntrySize;
    std::uint64_t targetAt = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + kHeaderSize + i * kEntrySize;
        const auto deflated = LittleEndian<std::uint32_t>(entry);
        const auto lz4 = LittleEndian<std::uint32_t>(entry + 4);
        const auto expanded = LittleEndian<std::uint32_t>(entry + 8);
        PackedBlock block{{}, lz4 & ~kStoredBit, (lz4 & kStoredBit) != 0, expanded, targetAt};
        if (auto why = CheckEntry(deflated, block.lz4Size, block.stored, expanded); !why.empty()) return Refuse(why);
        if (deflated > file.size() - dataAt) return Refuse("a block goes past the end of the file");
        if (expanded > expandedSize - targetAt) return Refuse("the blocks expand past the file's size");
        block.deflated = file.subspan(dataAt, deflated);
        dataAt += deflated;
        targetAt += expanded;
        table.blocks.push_back(block);
    }
    if (dataAt != file.size()) return Refuse("the file goes on past its last block");
    if (targetAt != expandedSize) return Refuse("the blocks fall short of the file's size");
    return table;
}

BlockTable FindBlockTable(std::span<const std::uint8_t> bytes, std::size_t index) {
    // Compressed bytes before a block file hold the magic now and then by chance; a table
    // that does not add up to its own length rules such a place out.
    for (std::size_t at = 0; at < bytes.size();) {
        const auto found = std::search(bytes.begin() + at, bytes.end(), std::begin(kMagic), std::end(kMagic));
        if (found == bytes.end()) break;
        const auto start = static_cast<std::size_t>(found - bytes.begin());
        const auto rest = bytes.subspan(start);
        at = start + 1;
        const auto length = DeclaredLength(rest);
        if (!length) continue;
        BlockTable table = ReadBlockTable(rest.first(*length));
        if (!table.error.empty()) continue;
        if (index-- == 0) return table;
        at = start + *length;  // the magic within its streams starts no other block file
    }
    return Refuse("no block file in it");
}

std::string ExpandBlock(const PackedBlock& block, BlockBuffers& buffers) {
    // A stored block inflates straight to its place.
    std::vector<std::uint8_t>& inflated = block.stored ? buffers.expanded : buffers.lz4;
    inflated.resize(block.lz4Size);
    uLongf inflatedSize = block.lz4Size;
    const int status = uncompress(inflated.data(), &inflatedSize, block.deflated.data(), block.deflated.size());
    if (status != Z_OK || inflatedSize != block.lz4Size) return "a block does not inflate to its LZ4 size";
    if (block.stored) return {};
    buffers.expanded.resize(block.expandedSize);
    std::size_t expanded = 0;
    if (auto why = DecodeLz4Block(inflated, buffers.expanded, expanded); !why.empty()) return why;
    if (expanded != block.expandedSize) return "a block does not expand to its size";
    return {};
}

}  // namespace unpack
