#pragma once
// Expands the LZ4 blocks the build packs ffmpeg.exe into: the set-up does it itself because
// inflating all of ffmpeg.exe was most of a silent install. Portable: no Windows header.
#include <cstdint>
#include <span>
#include <string>

namespace unpack {

// Expands one independent compressed block into the start of `out`; `size` ends as its
// expanded size. Empty on success, else why not; never reads or writes past either span.
std::string DecodeLz4Block(std::span<const std::uint8_t> block, std::span<std::uint8_t> out, std::size_t& size);

}  // namespace unpack
