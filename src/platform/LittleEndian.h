#pragma once
// Fixed-width little-endian integers in byte buffers: the library's own file formats and
// the resource formats read by hand. Portable.
#include <cstdint>
#include <vector>

namespace platform {

inline void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::uint64_t GetLittleEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

}  // namespace platform
