#include "platform/ToolInputs.h"

namespace platform {

namespace {

constexpr std::wstring_view kLocalProtocols = L" -protocol_whitelist file,pipe";
// crypto is AES-128 HLS; tcp and tls carry http and https.
constexpr std::wstring_view kWebProtocols = L" -protocol_whitelist http,https,tcp,tls,crypto";
// A playlist's segments are MPEG-TS, fragmented MP4, or packed sound.
constexpr std::wstring_view kWebStreamFormats = L" -format_whitelist hls,dash,mpegts,mov,aac,mp3";

}  // namespace

std::wstring LocalMediaInput() {
    return std::wstring(kLocalProtocols) + L" -format_whitelist " + std::wstring(kLocalMediaFormats);
}

std::wstring LocalMediaInput(std::wstring_view demuxer) {
    return std::wstring(kLocalProtocols) + L" -f " + std::wstring(demuxer);
}

std::wstring WebStreamInput() { return std::wstring(kWebProtocols) + std::wstring(kWebStreamFormats); }

}  // namespace platform
