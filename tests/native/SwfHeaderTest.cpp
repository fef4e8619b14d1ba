// The control reads the header and first-frame tags of every movie it is given, including
// broken and hostile ones: each case here must be answered without reading past the data.
#include "flashctl/SwfHeader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& bytes, std::initializer_list<unsigned> values) {
    for (unsigned v : values) bytes.push_back(static_cast<std::uint8_t>(v));
}

// The frame rectangle (0, 0)-(width, height) in twips, with the field width given.
Bytes Rect(int width, int height, int fieldBits = 15) {
    std::vector<int> bits;
    auto put = [&](long long value, int count) {
        for (int i = count - 1; i >= 0; --i) bits.push_back(static_cast<int>((value >> i) & 1));
    };
    put(fieldBits, 5);
    for (int value : {0, width, 0, height}) put(value, fieldBits);
    Bytes out((bits.size() + 7) / 8);
    for (std::size_t i = 0; i < bits.size(); ++i) out[i / 8] |= static_cast<std::uint8_t>(bits[i] << (7 - i % 8));
    return out;
}

Bytes Tag(int code, const std::string& body) {
    Bytes out;
    if (body.size() < 0x3F) {
        Append(out, {static_cast<unsigned>(code << 6 | body.size()) & 0xFF,
                     static_cast<unsigned>(code << 6 | body.size()) >> 8});
    } else {
        const unsigned head = static_cast<unsigned>(code << 6 | 0x3F);
        Append(out, {head & 0xFF, head >> 8});
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// An uncompressed movie: 320 x 240 pixels, 10.5 frames per second, the given tags.
Bytes Movie(int version, const std::vector<Bytes>& tags, int declaredExtra = 0) {
    Bytes body = Rect(6400, 4800);
    Append(body, {0x80, 10, 2, 0});
    for (const Bytes& tag : tags) body.insert(body.end(), tag.begin(), tag.end());
    Append(body, {0x40, 0x00, 0x00, 0x00});  // ShowFrame, End
    const std::uint32_t length = static_cast<std::uint32_t>(8 + body.size() + declaredExtra);
    Bytes movie = {'F', 'W', 'S', static_cast<std::uint8_t>(version)};
    for (int i = 0; i < 4; ++i) movie.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    movie.insert(movie.end(), body.begin(), body.end());
    return movie;
}

// The same movie as zlib compresses it: the signature says so, the declared length stays.
Bytes Compressed(const Bytes& movie) {
    uLongf size = compressBound(static_cast<uLong>(movie.size() - 8));
    Bytes out(8 + size);
    std::copy(movie.begin(), movie.begin() + 8, out.begin());
    out[0] = 'C';
    EXPECT_EQ(Z_OK, compress2(out.data() + 8, &size, movie.data() + 8, static_cast<uLong>(movie.size() - 8), 9));
    out.resize(8 + size);
    return out;
}

const std::string kWhite("\xFF\xFF\xFF", 3);
const std::string kMarker = "<x>reelkeep-video-player</x>";

// 640 x 480, 30.5 fps, background 0x123456, player marker; compressed by zlib with fixed
// and with dynamic Huffman codes.
const Bytes kFixedHuffman = {0x43, 0x57, 0x53, 0x09, 0x6f, 0x01, 0x00, 0x00, 0x78, 0x01, 0x2b, 0x60, 0xe0, 0x69,
                             0x60, 0x60, 0x98, 0xc6, 0xd0, 0x20, 0xc7, 0xc8, 0x50, 0x2f, 0xec, 0xc3, 0xc8, 0xc0,
                             0x60, 0x53, 0x94, 0x92, 0x66, 0x57, 0x94, 0x9a, 0x9a, 0x93, 0x9d, 0x9a, 0x5a, 0xa0,
                             0x5b, 0x96, 0x99, 0x92, 0x9a, 0xaf, 0x5b, 0x90, 0x93, 0x58, 0x99, 0x5a, 0x54, 0x31,
                             0x0a, 0x88, 0x0e, 0x01, 0x1b, 0x7d, 0x50, 0x30, 0x3a, 0x33, 0x09, 0x99, 0x84, 0x39,
                             0x30, 0x30, 0x30, 0x00, 0x00, 0x18, 0xf3, 0x9c, 0xb8};
const Bytes kDynamicHuffman = {
    0x43, 0x57, 0x53, 0x09, 0x9d, 0x00, 0x00, 0x00, 0x78, 0xda, 0x25, 0x8e, 0x3b, 0x0a, 0x80, 0x40, 0x0c, 0x44,
    0xa3, 0xb5, 0x95, 0xf6, 0xe2, 0x05, 0xb6, 0xf3, 0x00, 0x82, 0x77, 0xb0, 0xcf, 0xaf, 0x10, 0x05, 0x17, 0x0b,
    0x41, 0x1b, 0x3d, 0x85, 0xe7, 0x75, 0x76, 0x85, 0xc0, 0x4c, 0x92, 0x37, 0x21, 0x91, 0xaa, 0x87, 0xe8, 0xa5,
    0xa7, 0x2d, 0xe8, 0x6e, 0x2e, 0x22, 0xda, 0xdd, 0xd7, 0xc5, 0x3d, 0x86, 0x63, 0x36, 0xdf, 0x42, 0x5c, 0xf9,
    0xf4, 0xbd, 0x33, 0x66, 0x55, 0x11, 0x63, 0x18, 0x66, 0x49, 0xa5, 0xa2, 0x10, 0x85, 0x13, 0x14, 0x16, 0x62,
    0xc6, 0x68, 0x31, 0x52, 0x88, 0x49, 0x42, 0x00, 0x48, 0x4e, 0x20, 0x8c, 0x13, 0xfc, 0xe7, 0x35, 0xb9, 0x04,
    0x66, 0x02, 0xb1, 0xcc, 0x8c, 0x65, 0xdd, 0x4f, 0x03, 0x5e, 0xf8, 0x00, 0xb0, 0xc1, 0x33, 0x09};

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

struct Case {
    const char* name;
    Bytes bytes;
    flashctl::SwfProblem problem;
    int version = 0, width = 0, height = 0;
    double fps = 0;
    long background = -1;  // -1: no background tag
    bool player = false;
};

TEST(SwfHeader, ReadsGoodMoviesAndNamesWhatIsWrongWithBadOnes) {
    using P = flashctl::SwfProblem;
    const Bytes blank = Movie(3, {Tag(9, kWhite)});
    const Bytes blankCompressed = Compressed(blank);
    const std::vector<Case> cases = {
        {"placeholder", blank, P::None, 3, 320, 240, 10.5, 0xFFFFFF},
        {"no background tag", Movie(8, {}), P::None, 8, 320, 240, 10.5},
        {"player marker", Movie(9, {Tag(77, kMarker), Tag(9, "\x01\x02\x03")}), P::None, 9, 320, 240, 10.5, 0x010203,
         true},
        {"long tag form", Movie(9, {Tag(77, kMarker + std::string(100, ' '))}), P::None, 9, 320, 240, 10.5, -1, true},
        {"background after the first frame is not read", Movie(9, {Tag(1, ""), Tag(9, kWhite)}), P::None, 9, 320, 240,
         10.5},
        {"fixed Huffman", kFixedHuffman, P::None, 9, 320, 240, 30.5, 0x123456, true},
        {"dynamic Huffman", kDynamicHuffman, P::None, 9, 320, 240, 30.5, 0x123456, true},
        {"not a movie", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, P::NotAMovie},
        {"empty", {}, P::Truncated},
        {"signature only", {'F', 'W', 'S'}, P::Truncated},
        {"lzma", {'Z', 'W', 'S', 13, 100, 0, 0, 0, 0, 0}, P::UnsupportedCompression},
        {"shorter than declared", Cut(blank, 20), P::Truncated},
        {"declared length below the header", WithByte(blank, 4, 3), P::Corrupt},
        {"rectangle wider than the data", {'F', 'W', 'S', 9, 10, 0, 0, 0, 0xF8, 0}, P::Truncated},
        {"bad zlib header", WithByte(kDynamicHuffman, 8, 0x79), P::Corrupt},
        {"bad block type", WithByte(kFixedHuffman, 10, 0x07), P::Corrupt},
        {"compressed stream cut short", Cut(kDynamicHuffman, 60), P::Truncated},
        // Only the start of a long stream is inflated; the tags read lie within it.
        {"compressed beyond what is read", Compressed(Movie(9, {Tag(9, kWhite), Tag(77, std::string(400000, 'x'))})),
         P::None, 9, 320, 240, 10.5, 0xFFFFFF},
        // zlib's own header and check sum make a movie this small longer than it declares.
        {"compressed longer than its content", blankCompressed, P::None, 3, 320, 240, 10.5, 0xFFFFFF},
        {"compressed with a bad check sum",
         WithByte(blankCompressed, blankCompressed.size() - 1, static_cast<std::uint8_t>(~blankCompressed.back())),
         P::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = flashctl::ReadSwfHeader(c.bytes.data(), c.bytes.size(), c.bytes.size());
        ASSERT_EQ(c.problem, result.problem);
        if (c.problem != P::None) continue;
        EXPECT_EQ(c.version, result.header.version);
        EXPECT_EQ(c.width * 20, result.header.widthTwips);
        EXPECT_EQ(c.height * 20, result.header.heightTwips);
        EXPECT_DOUBLE_EQ(c.fps, result.header.framesPerSecond);
        EXPECT_EQ(c.background, result.header.backgroundRgb ? static_cast<long>(*result.header.backgroundRgb) : -1);
        EXPECT_EQ(c.player, result.header.isPlayerMovie);
    }
}

TEST(SwfHeader, AStartOfALargeMovieIsEnough) {
    const Bytes movie = Movie(9, {Tag(9, kWhite)}, 1 << 20);
    const auto partial = flashctl::ReadSwfHeader(movie.data(), movie.size(), movie.size() + (1 << 20));
    EXPECT_EQ(flashctl::SwfProblem::None, partial.problem);
    EXPECT_EQ(0xFFFFFFu, partial.header.backgroundRgb.value_or(0));
    const auto cut = flashctl::ReadSwfHeader(movie.data(), movie.size(), movie.size());
    EXPECT_EQ(flashctl::SwfProblem::Truncated, cut.problem);
}

}  // namespace
