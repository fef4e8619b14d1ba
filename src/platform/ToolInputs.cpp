#include "platform/ToolInputs.h"

namespace platform {

std::wstring InputLimits(std::wstring_view protocols, std::wstring_view formats) {
    return L" -protocol_whitelist " + std::wstring(protocols) + L" -format_whitelist " + std::wstring(formats);
}

std::wstring LocalMediaInput(std::wstring_view demuxer) {
    return L" -protocol_whitelist " + std::wstring(kLocalProtocols) + L" -f " + std::wstring(demuxer);
}

}  // namespace platform
