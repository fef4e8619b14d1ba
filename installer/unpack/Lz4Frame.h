#pragma once
// Reads the LZ4 frames the build packs ffmpeg.exe into: the set-up expands them itself
// because inflating all of ffmpeg.exe was most of a silent install.
// Portable: no Windows header.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace unpack {

// Takes each expanded block in order; false stops the expanding.
using Lz4BlockSink = std::function<bool(std::span<const std::uint8_t> block)>;

// Expands a frame of independent blocks, one block at a time, so that only one block's
// worth of memory is ever needed. Empty on success, else why not (what the sink took by
// then is garbage). A frame that gives its content size must hold exactly that much.
// Checksums are skipped: the set-up's own check covers the packed data.
std::string DecodeLz4Frame(std::span<const std::uint8_t> frame, const Lz4BlockSink& sink);

// Expands one compressed block into the start of `out`; `size` ends as its expanded size.
// Empty on success, else why not; never reads or writes past either span.
std::string DecodeLz4Block(std::span<const std::uint8_t> block, std::span<std::uint8_t> out, std::size_t& size);

}  // namespace unpack
