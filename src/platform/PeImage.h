#pragma once
// A program file's layout (the PE format) as far as a signed set-up is checked: which bytes
// its Authenticode signature covers, whether its certificate table holds the signature and
// nothing more, and the resources it carries. Every offset is checked against the file, so
// a hostile file is refused, never read past. Portable.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    bool operator==(const ByteRange&) const = default;
};

enum class SignedImageProblem {
    None,
    NotAnImage,     // no PE headers, or headers that point outside the file
    NotSigned,      // no certificate table
    TableNotAtEnd,  // the table is not the file's last bytes, or not 8-byte aligned
    TableDamaged,   // no PKCS #7 signature of the one kind Authenticode writes
    ExtraInTable,   // more than the signature and the padding to 8 bytes
};

struct SignedImage {
    SignedImageProblem problem = SignedImageProblem::NotAnImage;
    // What the signature's file digest is taken over: the whole file but its checksum, the
    // certificate table's directory entry and the table itself.
    std::vector<ByteRange> hashed;
    ByteRange signature;  // the PKCS #7 signed data inside the table
};
SignedImage ReadSignedImage(std::span<const std::uint8_t> file);

// A resource type or name: a number, or a name (upper case, as the resource compiler
// stores it).
using ResourceKey = std::variant<std::uint16_t, std::u16string_view>;
inline constexpr std::uint16_t kVersionResource = 16;
inline constexpr std::uint16_t kDataResource = 10;

// The bytes of the first resource of `type` and `name` (the first of any name when there is
// none; any language); none when the file carries none or its resource tables are damaged.
std::optional<std::span<const std::uint8_t>> FindResource(std::span<const std::uint8_t> file, ResourceKey type,
                                                          std::optional<ResourceKey> name);

// The product version of the file's version resource (VS_FIXEDFILEINFO), four numbers.
std::optional<std::vector<std::uint32_t>> ReadProductVersion(std::span<const std::uint8_t> file);

}  // namespace platform
