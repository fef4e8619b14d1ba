#pragma once
// Fixed-width integers in byte buffers, in either byte order: the program's own file
// formats (little-endian), the browsers' cache files (both) and the player's movie header.
// The caller has checked that the bytes are there. Portable.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

inline void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// `bytes` bytes from `in`, least significant first.
inline std::uint64_t GetLittleEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

// `bytes` bytes from `in`, most significant first.
inline std::uint64_t GetBigEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | in[i];
    return value;
}

// The same at an offset of a span.
inline std::uint16_t LoadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(GetLittleEndian(bytes.data() + at, 2));
}
inline std::uint32_t LoadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(GetLittleEndian(bytes.data() + at, 4));
}
inline std::uint64_t LoadLe64(std::span<const std::uint8_t> bytes, std::size_t at) {
    return GetLittleEndian(bytes.data() + at, 8);
}
inline std::uint16_t LoadBe16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(GetBigEndian(bytes.data() + at, 2));
}
inline std::uint32_t LoadBe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(GetBigEndian(bytes.data() + at, 4));
}

}  // namespace platform
