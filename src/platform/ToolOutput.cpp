#include "platform/ToolOutput.h"

#include "platform/Utf8.h"

namespace platform {

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
        if (const size_t length = DecodeUtf8Sequence(bytes, at, value)) {
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
