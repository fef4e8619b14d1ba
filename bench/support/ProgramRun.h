#pragma once
// The built Reelkeep.exe timed from outside, as a user meets it: a program folder of its
// own, the program started, its list watched until it holds the wanted rows, how quickly
// its window answers meanwhile, and its private bytes once the list is complete.
#include "support/BenchClock.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

namespace bench {

// A program folder holding Reelkeep.exe, player.swf, ffmpeg.exe and an empty "Videos\".
inline bool MakeProgramFolder(const std::wstring& from, const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"Videos").c_str(), nullptr);
    for (const wchar_t* file : {L"Reelkeep.exe", L"player.swf"})
        if (!CopyFileW((from + file).c_str(), (folder + file).c_str(), FALSE)) return false;
    // ffmpeg.exe is 64 MB: a hard link where the file system allows one.
    const std::wstring ffmpeg = from + L"ffmpeg.exe";
    return CreateHardLinkW((folder + L"ffmpeg.exe").c_str(), ffmpeg.c_str(), nullptr) ||
           CopyFileW(ffmpeg.c_str(), (folder + L"ffmpeg.exe").c_str(), FALSE);
}

inline HWND MainWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t kind[16] = {};
            GetClassNameW(window, kind, 16);
            if (owner != s.processId || std::wstring(kind) != L"#32770" ||
                FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr) == nullptr)
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The private bytes of a process: what the system says, or under Wine (which says nothing
// of another process) its resident anonymous memory and swap from Linux's own count, found
// by the command line that names `executable`.
inline std::uint64_t PrivateBytes(HANDLE process, const std::wstring& executable) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) &&
        memory.PrivateUsage > 0)
        return memory.PrivateUsage;
    const auto readText = [](const std::wstring& path) {
        std::string text;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return text;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
        CloseHandle(file);
        return text;
    };
    const std::string wanted(executable.begin(), executable.end());
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    std::uint64_t bytes = 0;
    do {
        const std::wstring pid = entry.cFileName;
        if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        if (readText(L"Z:\\proc\\" + pid + L"\\cmdline").find(wanted) == std::string::npos) continue;
        const std::string status = readText(L"Z:\\proc\\" + pid + L"\\status");
        for (const char* key : {"RssAnon:", "VmSwap:"}) {
            const std::size_t at = status.find(key);
            if (at != std::string::npos)
                bytes += std::strtoull(status.c_str() + at + std::strlen(key), nullptr, 10) * 1024;
        }
        break;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return bytes;
}

struct ProgramStart {
    double msToRows = 0;             // from CreateProcessW to the list holding the rows
    double slowestAnswerMs = 0;      // of the window, from its showing to the last row
    std::uint64_t privateBytes = 0;  // once the list is complete and the program idle
};

// Starts the program of `folder`, waits until its list holds `rows` rows, and ends it.
// Nothing when it never got there within `timeoutMs`.
inline std::optional<ProgramStart> TimeStartToRows(const std::wstring& folder, int rows, double timeoutMs) {
    const std::wstring executable = folder + L"Reelkeep.exe";
    std::wstring commandLine = L"\"" + executable + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const double start = NowMilliseconds();
    if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        std::fprintf(stderr, "cannot start %ls (error %lu)\n", executable.c_str(), GetLastError());
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    std::optional<ProgramStart> result;
    // The window is timed from the moment the user sees it.
    HWND window = nullptr;
    while ((window == nullptr || !IsWindowVisible(window)) && NowMilliseconds() - start < timeoutMs &&
           WaitForSingleObject(info.hProcess, 2) == WAIT_TIMEOUT)
        window = MainWindowOf(info.dwProcessId);
    if (window != nullptr) {
        std::atomic<bool> done{false};
        std::atomic<double> slowest{0};
        std::thread pinger([&] {
            while (!done) {
                const double sent = NowMilliseconds();
                DWORD_PTR answer = 0;
                SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
                slowest = std::max(slowest.load(), NowMilliseconds() - sent);
                Sleep(10);
            }
        });
        const HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
        const auto count = [&] {
            DWORD_PTR rowsNow = 0;
            SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &rowsNow);
            return static_cast<int>(rowsNow);
        };
        while (count() != rows && NowMilliseconds() - start < timeoutMs &&
               WaitForSingleObject(info.hProcess, 2) == WAIT_TIMEOUT) {}
        const double reached = NowMilliseconds() - start;
        done = true;
        pinger.join();
        if (count() == rows) {
            // The build selects the top row once it is through; the memory is read after.
            while (NowMilliseconds() - start < timeoutMs &&
                   SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) != 0)
                Sleep(20);
            Sleep(500);
            result = ProgramStart{reached, slowest, PrivateBytes(info.hProcess, executable)};
        } else {
            std::fprintf(stderr, "the list holds %d of %d rows\n", count(), rows);
        }
    }
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hProcess);
    // The desktop process drops the ended program's windows and tray icon before the next start.
    Sleep(300);
    return result;
}

}  // namespace bench
