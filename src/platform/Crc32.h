#pragma once
// zlib's CRC-32, the checksum that our own files and the browsers' caches store. Portable.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <span>

namespace platform {

// Continues `crc` over `bytes`; start with 0.
inline std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0) {
    // zlib takes at most a uInt at a time.
    while (!bytes.empty()) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes.data(), chunk));
        bytes = bytes.subspan(chunk);
    }
    return crc;
}

}  // namespace platform
