#include "platform/ToolStartup.h"

#include <string>

namespace platform {

namespace {

constexpr wchar_t kStationName[] = L"Reelkeep-tools";
constexpr wchar_t kDesktopName[] = L"Default";

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
        desktop = CreateDesktopW(kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(ownStation);
    }
    if (desktop != nullptr) return true;
    CloseWindowStation(station);
    return false;
}

const wchar_t* ToolDesktop() {
    static const std::wstring path = MakeToolDesktop() ? std::wstring(kStationName) + L"\\" + kDesktopName : L"";
    return path.empty() ? nullptr : path.c_str();
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
