#pragma once
// What the conversion benchmarks share: where the made clips lie, and the yardstick of
// an ffmpeg command run bare (hidden, output thrown away, only waited for).
#include "convert/OutputFolder.h"
#include "platform/ProgramFolder.h"

#include "support/BenchClock.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace bench {

// The folder of the benchmark program, ending in a backslash: the made clips lie there.
inline const std::wstring& BinFolder() { return platform::ProgramFolder(); }

inline std::wstring TempPath(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

inline long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// "autoopenfolder" may be on where the benchmark runs: the folder window that would open
// after each run is no part of the conversion, and under Wine it starts an explorer that
// competes with the next run.
inline void KeepFoldersClosed() {
    convert::SetFolderOpener([](HWND, const std::wstring&) {});
}

// Milliseconds the command takes on its own; -1 when it cannot start.
inline double TimeBare(std::wstring commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION started{};
    const double start = NowMilliseconds();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    const double elapsed = NowMilliseconds() - start;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    CloseHandle(nul);
    return elapsed;
}

// Serves this thread's windows until `finished` holds.
template <typename Finished>
void ServeUntil(Finished finished) {
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (finished()) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Serves this thread's windows until `finished` holds, while a second thread times how
// long `target` takes to answer a sent message; returns the slowest answer in ms. That
// thread is the measuring instrument: rounds that time the work itself run without it.
template <typename Finished>
double SlowestAnswerUntil(HWND target, Finished finished) {
    std::atomic<bool> done{false};
    std::atomic<long long> slowestMicroseconds{0};
    std::thread prober([&] {
        while (!done) {
            const double start = NowMilliseconds();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            const long long took = static_cast<long long>((NowMilliseconds() - start) * 1000);
            if (took > slowestMicroseconds) slowestMicroseconds = took;
            Sleep(5);
        }
    });
    ServeUntil(finished);
    done = true;
    prober.join();
    return static_cast<double>(slowestMicroseconds) / 1000;
}

// The machine is shared: the load beside a figure says how far to trust it.
inline void PrintLoad() {
    // Under Wine, drive Z: is the Linux root; elsewhere there is nothing to print.
    if (FILE* file = std::fopen("Z:\\proc\\loadavg", "r")) {
        char text[64] = {};
        if (std::fgets(text, sizeof text, file)) std::printf("load average: %s", text);
        std::fclose(file);
    }
}

}  // namespace bench
