#include "platform/Der.h"

namespace platform {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::optional<unsigned> Digits(std::span<const std::uint8_t> text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<DerElement> FirstDerElement(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2) return std::nullopt;
    const std::uint8_t tag = bytes[0];
    // High tag numbers never occur in what we read.
    if ((tag & 0x1F) == 0x1F) return std::nullopt;
    std::size_t length = bytes[1];
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        // 0x80 is BER's indefinite length; more than four bytes of length is no file of ours.
        if (count == 0 || count > 4 || bytes.size() < 2 + count) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | bytes[2 + i];
        header += count;
    }
    if (length > bytes.size() - header) return std::nullopt;
    return DerElement{tag, bytes.subspan(header, length), bytes.subspan(0, header + length)};
}

std::optional<DerElement> DerReader::Next() {
    auto element = FirstDerElement(rest_);
    if (!element) {
        rest_ = {};
        return std::nullopt;
    }
    rest_ = rest_.subspan(element->whole.size());
    return element;
}

std::optional<DerElement> DerReader::Next(std::uint8_t tag) {
    auto element = FirstDerElement(rest_);
    if (!element || element->tag != tag) return std::nullopt;
    rest_ = rest_.subspan(element->whole.size());
    return element;
}

std::optional<std::int64_t> DerTime(const DerElement& element) {
    const auto text = element.content;
    std::size_t at = 0;
    std::optional<unsigned> year;
    if (element.tag == der::kUtcTime) {
        // Two digits: 50-99 are the 1900s, 00-49 the 2000s.
        year = Digits(text, 0, 2);
        if (year) *year += *year >= 50 ? 1900 : 2000;
        at = 2;
    } else if (element.tag == der::kGeneralizedTime) {
        year = Digits(text, 0, 4);
        at = 4;
    } else {
        return std::nullopt;
    }
    const auto month = Digits(text, at, 2), day = Digits(text, at + 2, 2), hour = Digits(text, at + 4, 2),
               minute = Digits(text, at + 6, 2), second = Digits(text, at + 8, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    at += 10;
    // A fraction of a second, then the "Z" that DER demands.
    if (at < text.size() && text[at] == '.')
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9';) ++at;
    if (at + 1 != text.size() || text[at] != 'Z') return std::nullopt;
    return DaysFromCivil(*year, *month, *day) * 86'400 + *hour * 3600 + *minute * 60 + *second;
}

}  // namespace platform
