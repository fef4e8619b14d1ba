#pragma once
// The update agent: once a minute it wakes, and at most once a day it asks the update
// server for the current version; when that is a newer one it fetches the installer into
// "Updates\" and, when a key this release names signed it and it says of itself that it is
// newer, leaves the marker that the next start acts on. It tells the user nothing and
// swallows every failure.
#include "platform/HttpClient.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace update {

std::optional<std::uint64_t> FreeBytesIn(const std::wstring& folder);

// What the agent reaches beyond the network: values and callbacks, never a window.
struct AgentContext {
    std::wstring updateBase;      // ends in "actual-version/"
    std::wstring updatesFolder;   // the program folder's "Updates\", ending in a backslash
    std::wstring runningProgram;  // the executable whose named keys alone may sign an installer
    std::function<bool()> autoUpdateOn;
    std::function<std::int32_t()> lastContact;
    // Stores the time of a contact; keeps it in memory only when the registry took it.
    std::function<void(std::int32_t)> recordContact;
    std::function<std::int64_t()> now;
    // Bytes free to this user in a folder; none when the system cannot tell.
    std::function<std::optional<std::uint64_t>(const std::wstring&)> freeBytes = FreeBytesIn;
    DWORD timeoutMs = platform::kHttpTimeoutMs;
};

enum class CheckOutcome {
    NotDue,
    NoAnswer,          // no status came: the next wake-up tries again
    OtherStatus,       // the server answered, but not 200: done for the day
    NotNewer,          // the same version, an older one, or no version at all
    InstallerWaiting,  // the marker is there already: nothing is fetched
    UnsignedProgram,   // a build that names no keys accepts no installer, so none is fetched
    NoRoom,            // over the size limit or the free space: not a byte written
    Downloaded,        // installer and marker written
    DownloadFailed,    // no marker: the installer did not arrive whole
    NotOurPublisher,   // it arrived, but no key we name signed it, or not all of it: deleted
    SetupNotNewer,     // it arrived signed, but its own version is not above ours: deleted
};

// One wake-up's work.
CheckOutcome CheckForUpdate(const AgentContext& context);

// The worker: sleep, check, for ever, or until `sleep` answers false (tests count the
// wake-ups that way). The program's sleep is SleepOneMinute.
void RunUpdateAgent(const AgentContext& context, const std::function<bool()>& sleep);
bool SleepOneMinute();

// The update base of this build, or REELKEEP_UPDATE_URL when that is set.
std::wstring UpdateBaseUrl();

}  // namespace update
