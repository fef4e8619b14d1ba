#include "app/SingleInstance.h"

#include "app/StartupRules.h"
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace app {

namespace {

std::vector<std::wstring> RunningExecutableNames() {
    std::vector<std::wstring> names;
    platform::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return names;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        names.emplace_back(entry.szExeFile);
    return names;
}

}  // namespace

bool HandOverToRunningInstance() {
    // The running process counts itself.
    if (CountProgramInstances(RunningExecutableNames()) < 2) return false;
    if (HWND running = FindWindowW(nullptr, L"Reelkeep")) {
        ShowWindow(running, SW_SHOW);
        ShowWindow(running, SW_RESTORE);
    }
    return true;
}

}  // namespace app
