#pragma once
// Icon resources as the resource compiler stores them, read by hand so that a row of small
// icons can become one bitmap: a group directory that names one image per size, and each
// image an uncompressed bitmap header followed by its colour rows and its mask rows, both
// bottom-up. Portable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The resource id of the group's image that is `size` pixels square at 32 bits per pixel.
std::optional<std::uint16_t> FindIconImage(std::span<const std::uint8_t> group, int size);

// Where the rows of a `size`-pixel square 32-bit icon image lie: `color` holds size rows of
// 4 * size bytes, `mask` size rows of maskStride bytes (one bit per pixel, set where the
// pixel is transparent). Nothing when the image is not that, or is cut short.
struct IconImageRows {
    const std::uint8_t* color = nullptr;
    const std::uint8_t* mask = nullptr;
    std::size_t maskStride = 0;
};
std::optional<IconImageRows> ReadIconImage(std::span<const std::uint8_t> image, int size);

}  // namespace platform
