#include "update/UpdateRules.h"

namespace update {

bool IsCheckDue(bool autoUpdateOn, std::int32_t lastContact, std::int64_t now) {
    if (!autoUpdateOn) return false;
    return lastContact == 0 || now > static_cast<std::int64_t>(lastContact) + kSecondsPerDay;
}

std::wstring VersionUrl(std::wstring_view base) {
    std::wstring url(base);
    if (url.empty() || url.back() != L'/') url += L'/';
    return url;
}

std::wstring InstallerUrl(std::wstring_view base) { return VersionUrl(base) + L"update.exe"; }

}  // namespace update
