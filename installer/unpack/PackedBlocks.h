#pragma once
// Reads the set-up's block file (made by installer/pack-blocks.py): ffmpeg.exe's LZ4 blocks,
// each deflated on its own, so that every processor of the installing machine can inflate
// and expand a block of its own. Portable: no Windows header.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace unpack {

struct PackedBlock {
    std::span<const std::uint8_t> deflated;
    std::uint32_t lz4Size = 0;
    bool stored = false;  // LZ4 kept the block as it is
    std::uint32_t expandedSize = 0;
    std::uint64_t targetOffset = 0;  // where its bytes go in the expanded file
};

struct BlockTable {
    std::vector<PackedBlock> blocks;
    std::uint64_t expandedSize = 0;
    std::string error;  // empty when the table can be trusted
};

// The largest block the set-up takes, expanded: LZ4's largest block size.
inline constexpr std::uint32_t kMaxExpandedBlock = 4u << 20;

// Checks every size against the file and the others before anything is expanded.
BlockTable ReadBlockTable(std::span<const std::uint8_t> file);

// The block file `index` (from 0, in their order) among other bytes: the set-up keeps its
// block files stored among its own. Its table is checked as ReadBlockTable does.
BlockTable FindBlockTable(std::span<const std::uint8_t> bytes, std::size_t index);

// Scratch memory for one block, reused from block to block by one thread.
struct BlockBuffers {
    std::vector<std::uint8_t> lz4;
    std::vector<std::uint8_t> expanded;
};

// Inflates and expands one block of a trusted table into buffers.expanded (of exactly the
// block's expanded size). Empty on success, else why not.
std::string ExpandBlock(const PackedBlock& block, BlockBuffers& buffers);

}  // namespace unpack
