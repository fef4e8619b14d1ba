#pragma once
// A reader of DER, the encoding of certificates and signatures: one element after another,
// each with its tag and its content. Lengths are checked against what is there, so a
// hostile file cannot send a reader past its end. Portable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

namespace der {
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kObjectId = 0x06;
inline constexpr std::uint8_t kUtcTime = 0x17;
inline constexpr std::uint8_t kGeneralizedTime = 0x18;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kSet = 0x31;
// [n] of a constructed (EXPLICIT, or IMPLICIT over a SEQUENCE or SET) element.
constexpr std::uint8_t ContextTag(int n) { return static_cast<std::uint8_t>(0xA0 | n); }
}  // namespace der

struct DerElement {
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> content;
    std::span<const std::uint8_t> whole;  // tag and length included
};

class DerReader {
public:
    explicit DerReader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    // The next element; none at the end or when the bytes are no DER (an indefinite or
    // overlong length, a multi-byte tag).
    std::optional<DerElement> Next();
    // The next element when it has `tag`; otherwise none, and nothing is consumed.
    std::optional<DerElement> Next(std::uint8_t tag);
    bool AtEnd() const { return rest_.empty(); }

private:
    std::span<const std::uint8_t> rest_;
};

// The one element that `bytes` begins with, and its length; none when it is not whole.
std::optional<DerElement> FirstDerElement(std::span<const std::uint8_t> bytes);

// The content of an element as a reader of the elements inside it.
inline DerReader Inside(const DerElement& element) { return DerReader(element.content); }

// Seconds since 1970-01-01 UTC of a UTCTime or GeneralizedTime; fractions are dropped.
std::optional<std::int64_t> DerTime(const DerElement& element);

}  // namespace platform
