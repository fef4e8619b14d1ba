#include "platform/ToolOutput.h"

#include <cstdint>

namespace platform {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length and value of the well-formed UTF-8 sequence at `at`, or 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not well formed).
size_t DecodeSequence(std::string_view bytes, size_t at, char32_t& value) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    size_t length = 0;
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
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!IsContinuation(byte)) return 0;
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
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

}  // namespace

std::wstring DecodeToolOutput(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            text.push_back(static_cast<wchar_t>(byte));
            ++at;
            continue;
        }
        char32_t value = 0;
        if (const size_t length = DecodeSequence(bytes, at, value)) {
            AppendCodePoint(text, value);
            at += length;
        } else {
            text.push_back(static_cast<wchar_t>(byte));
            ++at;
        }
    }
    return text;
}

}  // namespace platform
