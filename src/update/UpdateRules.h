#pragma once
// The update agent's decisions: when a check is due, what the server's answer means and
// where things are. Portable.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// A dotted version: numbers of one to nine digits between single dots ("1.22", "2.0.1"),
// nothing else, not even a sign. Blanks and line ends around it (a server's closing line
// break) are no part of it.
std::optional<std::vector<std::uint32_t>> ParseVersion(std::wstring_view text);

// Only a dotted version above the running one is an update: a lower or equal one, or text
// that is no version (an error page, an empty answer), fetches nothing. Parts are compared
// as numbers, so 1.3 is below 1.21; missing parts are zeros, so 1.21.0 is 1.21.
bool IsNewerVersion(std::wstring_view answer, std::wstring_view running = kRunningVersion);
// The same for a version in numbers, such as a set-up's version resource (1.22.0.0).
bool IsNewerVersion(const std::vector<std::uint32_t>& offered, std::wstring_view running = kRunningVersion);

// The version answer is a few characters; a longer one is no version and is not read on.
inline constexpr std::size_t kLongestVersionAnswer = 64;

// The installer is the base's "update.exe"; a base without its closing "/" gets one.
std::wstring VersionUrl(std::wstring_view base);
std::wstring InstallerUrl(std::wstring_view base);

// The set-up is about 17 MB; one ten times that size is no set-up of ours, and a server that
// claims more must not fill the disk.
inline constexpr std::uint64_t kLargestInstaller = 200ull << 20;

enum class InstallerRoom { Enough, TooLarge, NoSpace };
// Whether a set-up may be fetched, decided before a byte is written: a length over the
// limit, or over the free space of the folder (when both are known), is refused.
InstallerRoom RoomForInstaller(std::optional<std::uint64_t> advertised, std::optional<std::uint64_t> freeBytes);

// The marker holds the SHA-256 of the set-up the agent fetched and checked, as 64
// hexadecimal digits: a set-up that someone put in its place afterwards is not that one.
std::string MarkerText(std::span<const std::uint8_t, 32> digest);
bool MarkerNames(std::string_view marker, std::span<const std::uint8_t, 32> digest);

// Only a body of exactly the advertised length is an installer: a transfer that was cut,
// or one whose length nobody announced, earns no marker.
inline bool IsWholeInstaller(std::optional<std::uint64_t> advertised, std::uint64_t received) {
    return advertised.has_value() && *advertised == received;
}

}  // namespace update
