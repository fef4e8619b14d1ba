// Small icons are read straight from the resource bytes; anything that is not the plain
// 32-bit image of the wanted size must be turned down, so that the system's own loader
// takes over, and no read may pass the end of the bytes.
#include "platform/IconImageFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct Entry {
    int side;
    int bitsPerPixel;
    int id;
};

Bytes Group(const std::vector<Entry>& entries, int type = 1) {
    Bytes out;
    Put(out, 0, 2);
    Put(out, static_cast<std::uint32_t>(type), 2);
    Put(out, static_cast<std::uint32_t>(entries.size()), 2);
    for (const Entry& entry : entries) {
        out.push_back(static_cast<std::uint8_t>(entry.side % 256));
        out.push_back(static_cast<std::uint8_t>(entry.side % 256));
        Put(out, 0, 2);
        Put(out, 1, 2);
        Put(out, static_cast<std::uint32_t>(entry.bitsPerPixel), 2);
        Put(out, 0, 4);
        Put(out, static_cast<std::uint32_t>(entry.id), 2);
    }
    return out;
}

// A square image whose colour bytes count up from 0 and whose mask bytes are all 0xA5.
Bytes Image(int side, int bitsPerPixel = 32, int compression = 0, int heightFactor = 2) {
    Bytes out;
    Put(out, 40, 4);
    Put(out, static_cast<std::uint32_t>(side), 4);
    Put(out, static_cast<std::uint32_t>(side * heightFactor), 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bitsPerPixel), 2);
    Put(out, static_cast<std::uint32_t>(compression), 4);
    out.resize(40, 0);
    for (int i = 0; i < side * side * 4; ++i) out.push_back(static_cast<std::uint8_t>(i));
    out.resize(out.size() + static_cast<std::size_t>((side + 31) / 32 * 4 * side), 0xA5);
    return out;
}

TEST(IconImageFormat, FindsTheSquare32BitImageOfTheWantedSize) {
    const Bytes threeSizes = Group({{16, 8, 1}, {32, 32, 2}, {16, 32, 3}, {256, 32, 4}});
    const struct {
        Bytes group;
        int size;
        std::optional<std::uint16_t> id;
    } cases[] = {
        {threeSizes, 16, 3},
        {threeSizes, 32, 2},
        {threeSizes, 256, 4},  // stored as 0
        {threeSizes, 48, std::nullopt},
        {Group({{16, 32, 7}}, 2), 16, std::nullopt},                          // a cursor group
        {Bytes(threeSizes.begin(), threeSizes.end() - 1), 16, std::nullopt},  // last entry cut short
        {Bytes{0, 0, 1}, 16, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::FindIconImage(c.group, c.size), c.id) << c.size;
}

TEST(IconImageFormat, ReadsRowsOnlyFromAPlainImageOfTheWantedSize) {
    const Bytes plain = Image(16);
    const auto rows = platform::ReadIconImage(plain, 16);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->color, plain.data() + 40);
    EXPECT_EQ(rows->color[5], 5);
    EXPECT_EQ(rows->mask, plain.data() + 40 + 16 * 16 * 4);
    EXPECT_EQ(rows->maskStride, 4u);
    EXPECT_EQ(platform::ReadIconImage(Image(48), 48)->maskStride, 8u);

    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(2000, 0);
    const struct {
        Bytes image;
        int size;
    } refused[] = {
        {plain, 32},
        {Image(16, 8), 16},
        {Image(16, 32, 3), 16},     // bit fields
        {Image(16, 32, 0, 1), 16},  // no mask rows counted
        {Bytes(plain.begin(), plain.end() - 1), 16},
        {png, 16},
        {Bytes(20, 0), 16},
    };
    for (const auto& c : refused) EXPECT_FALSE(platform::ReadIconImage(c.image, c.size)) << c.image.size();
}

}  // namespace
