#pragma once
// The set-up that the update agent left in "Updates\" for the next start. `Updates\` is
// writable by every user, so what lies there is checked again at the start as the agent
// checked it: the file the marker names, signed with a key this release names, with
// nothing riding along, and newer than the running version. Anything else there is
// deleted, and the start goes on.
#include "update/HeldFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace update {

inline constexpr wchar_t kInstallerName[] = L"update.exe";
inline constexpr wchar_t kMarkerName[] = L"update.dat";

class WaitingSetup {
public:
    // The set-up waiting in `updatesFolder` (ending in a backslash) that `program` may
    // offer at `now`; none, after deleting set-up and marker, when there is none that holds.
    static std::optional<WaitingSetup> Find(const std::wstring& updatesFolder, const std::wstring& program,
                                            std::int64_t now);

    // Held from the check until it has been started: what was checked is what runs.
    const std::wstring& path() const { return path_; }

private:
    WaitingSetup(std::wstring path, HeldFile held) : path_(std::move(path)), held_(std::move(held)) {}
    std::wstring path_;
    HeldFile held_;
};

}  // namespace update
