#pragma once
// The update agent's decisions: when a check is due, what the server's answer means and
// where things are. Portable.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace update {

inline constexpr std::wstring_view kRunningVersion = L"1.21";
inline constexpr std::wstring_view kAgentUserAgent = L"Reelkeep - Agent UpDater";
// Ours, over HTTPS: an installer fetched in plain text could be swapped on the way.
// REELKEEP_UPDATE_URL names another base (a test server, a private mirror).
inline constexpr std::wstring_view kDefaultUpdateBase = L"https://update.reelkeep.com/actual-version/";
inline constexpr std::int64_t kSecondsPerDay = 86'400;

// A check runs when the switch is on and the last contact is "never" (0) or more than a
// whole day ago.
bool IsCheckDue(bool autoUpdateOn, std::int32_t lastContact, std::int64_t now);

// The answer is compared over its whole text: "1.21" with a line break after it differs.
inline bool IsOtherVersion(std::wstring_view answer) { return answer != kRunningVersion; }

// The installer is the base's "update.exe"; a base without its closing "/" gets one.
std::wstring VersionUrl(std::wstring_view base);
std::wstring InstallerUrl(std::wstring_view base);

// Only a body of exactly the advertised length is an installer: a transfer that was cut,
// or one whose length nobody announced, earns no marker.
inline bool IsWholeInstaller(std::optional<std::uint64_t> advertised, std::uint64_t received) {
    return advertised.has_value() && *advertised == received;
}

}  // namespace update
