#include "platform/Utf8.h"

namespace platform {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t DecodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& value) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!IsContinuation(byte)) return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

bool IsWellFormedUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        char32_t value = 0;
        const std::size_t length = DecodeUtf8Sequence(bytes, at, value);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void AppendCodePoint(std::wstring& text, char32_t value) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (value >= 0x10000) {
            value -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
            return;
        }
    }
    text.push_back(static_cast<wchar_t>(value));
}

char32_t CodePointAt(std::wstring_view text, std::size_t at, std::size_t& units) {
    units = 1;
    const auto unit = static_cast<char32_t>(text[at]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size()) {
            const auto low = static_cast<char32_t>(text[at + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                units = 2;
                return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return unit;
}

void AppendUtf8(std::string& bytes, char32_t value) {
    auto put = [&](unsigned bits) { bytes.push_back(static_cast<char>(bits)); };
    if (value < 0x80) {
        put(value);
    } else if (value < 0x800) {
        put(0xC0 | (value >> 6));
        put(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        put(0xE0 | (value >> 12));
        put(0x80 | ((value >> 6) & 0x3F));
        put(0x80 | (value & 0x3F));
    } else {
        put(0xF0 | (value >> 18));
        put(0x80 | ((value >> 12) & 0x3F));
        put(0x80 | ((value >> 6) & 0x3F));
        put(0x80 | (value & 0x3F));
    }
}

}  // namespace platform
