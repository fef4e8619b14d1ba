#include "platform/ToolStartup.h"

#include <mutex>

namespace platform {

namespace {

constexpr wchar_t kStationName[] = L"Reelkeep-tools";
constexpr wchar_t kDesktopPath[] = L"Reelkeep-tools\\Default";

// Made once. The handles stay open for the program's life: a window station and its
// desktop go with their last handle, and tools start on them throughout.
bool MakeToolDesktop() {
    HWINSTA ownStation = GetProcessWindowStation();
    // Opened as it is where another instance made it already.
    HWINSTA station = CreateWindowStationW(kStationName, 0, WINSTA_ALL_ACCESS, nullptr);
    if (station == nullptr || ownStation == nullptr) return false;
    // A desktop is always made in the calling process's window station.
    HDESK desktop = nullptr;
    if (SetProcessWindowStation(station)) {
        desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(ownStation);
    }
    if (desktop != nullptr) return true;
    CloseWindowStation(station);
    return false;
}

const wchar_t* ToolDesktop() {
    static std::once_flag once;
    static bool made = false;
    std::call_once(once, [] { made = MakeToolDesktop(); });
    return made ? kDesktopPath : nullptr;
}

}  // namespace

void PrepareToolDesktop() { ToolDesktop(); }

void PrepareToolStartup(STARTUPINFOW& startup, DWORD& creationFlags) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    // The system reads the name only while it creates the process.
    startup.lpDesktop = const_cast<wchar_t*>(ToolDesktop());
    creationFlags |= DETACHED_PROCESS;
}

}  // namespace platform
