#include "platform/IconImageFormat.h"

#include "platform/LittleEndian.h"

namespace platform {

namespace {

// The group directory: reserved, type 1 (icon), count; then 14-byte entries of width,
// height, colour count, reserved, planes, bits per pixel, bytes, id. A width or height
// of 0 stands for 256.
constexpr std::size_t kGroupHeaderBytes = 6;
constexpr std::size_t kGroupEntryBytes = 14;
constexpr std::size_t kBitmapHeaderBytes = 40;

std::uint64_t Field(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    return GetLittleEndian(bytes.data() + at, width);
}

}  // namespace

std::optional<std::uint16_t> FindIconImage(std::span<const std::uint8_t> group, int size) {
    if (group.size() < kGroupHeaderBytes || Field(group, 2, 2) != 1) return std::nullopt;
    const std::size_t count = Field(group, 4, 2);
    if (group.size() < kGroupHeaderBytes + count * kGroupEntryBytes) return std::nullopt;
    const std::uint64_t side = static_cast<std::uint64_t>(size) % 256;
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t at = kGroupHeaderBytes + index * kGroupEntryBytes;
        if (group[at] == side && group[at + 1] == side && Field(group, at + 6, 2) == 32)
            return static_cast<std::uint16_t>(Field(group, at + 12, 2));
    }
    return std::nullopt;
}

std::optional<IconImageRows> ReadIconImage(std::span<const std::uint8_t> image, int size) {
    if (size <= 0 || image.size() < kBitmapHeaderBytes) return std::nullopt;
    const std::size_t headerBytes = Field(image, 0, 4);
    const auto side = static_cast<std::uint64_t>(size);
    // The height counts the colour rows and the mask rows; a compressed image (PNG) has
    // no such header at all.
    if (headerBytes < kBitmapHeaderBytes || Field(image, 4, 4) != side || Field(image, 8, 4) != 2 * side ||
        Field(image, 12, 2) != 1 || Field(image, 14, 2) != 32 || Field(image, 16, 4) != 0)
        return std::nullopt;
    const std::size_t colorBytes = side * side * 4;
    const std::size_t maskStride = (side + 31) / 32 * 4;
    if (image.size() < headerBytes + colorBytes + maskStride * side) return std::nullopt;
    const std::uint8_t* color = image.data() + headerBytes;
    return IconImageRows{color, color + colorBytes, maskStride};
}

}  // namespace platform
