// Start-up to the main window shown: Reelkeep.exe against the main window's template
// alone (TemplateOnly.exe), the smallest dialog program built the same way
// (MinimalDialog.exe) and the same Reelkeep.exe with its player runtime taken out, timed
// in turn in one run under Wine. Prints the ratios of the medians; fails when Reelkeep
// against the template alone, or with its runtime against without, is over its limit.
#include "support/BenchClock.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using bench::Median;

constexpr double kLimit = 1.2;
constexpr double kRuntimeLimit = 1.1;
constexpr int kRuns = 11;
constexpr DWORD kShowTimeoutMs = 30000;

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring Text(HWND window) {
    wchar_t buffer[256] = {};
    const int length = InternalGetWindowText(window, buffer, ARRAYSIZE(buffer));
    return std::wstring(buffer, length > 0 ? length : 0);
}

using WindowTest = std::function<bool(HWND)>;

HWND VisibleWindowOf(DWORD processId, const WindowTest& test) {
    struct Search {
        DWORD processId;
        const WindowTest* test;
        HWND found;
    } search{processId, &test, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !IsWindowVisible(window) || !(*s.test)(window)) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Milliseconds from CreateProcessW to the first moment the wanted window is visible;
// nullopt when the program ended or never showed it.
std::optional<double> TimeToWindow(const std::wstring& executable, const WindowTest& test) {
    std::wstring commandLine = L"\"" + executable + L"\"";
    const std::wstring folder = executable.substr(0, executable.find_last_of(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        std::fprintf(stderr, "startup: cannot start %ls (error %lu)\n", executable.c_str(), GetLastError());
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    std::optional<double> elapsed;
    while (true) {
        QueryPerformanceCounter(&now);
        const double ms =
            1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (VisibleWindowOf(info.dwProcessId, test) != nullptr) {
            elapsed = ms;
            break;
        }
        if (ms > kShowTimeoutMs || WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hProcess);
    // Let the desktop process drop the ended program's windows and tray icon before the
    // next start is timed.
    Sleep(300);
    if (!elapsed) std::fprintf(stderr, "startup: %ls never showed its window\n", executable.c_str());
    return elapsed;
}

// The player's host window is the main window's one child of a class the runtime named
// like "0a1b2c3d_..._..._...".
bool HasPlayerPane(HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        if (GetClassNameW(child, name, ARRAYSIZE(name)) == 35 && name[8] == L'_' && name[17] == L'_' &&
            name[26] == L'_')
            return true;
    }
    return false;
}

// A copy of the program whose player runtime cannot be found: the start it makes when
// that resource is absent. The resource's name in the resource directory is renamed in
// place, so both copies map the same bytes and differ only in what the start-up finds.
// (Rewriting the resources through UpdateResource leaves an image Wine cannot load.)
std::optional<std::wstring> CopyWithoutPlayerRuntime(const std::wstring& program) {
    const std::wstring copy = program.substr(0, program.find_last_of(L'\\') + 1) + L"ReelkeepNoRuntime.exe";
    std::ifstream in(program.c_str(), std::ios::binary);
    std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The directory holds names as a 16-bit length and UTF-16 text; the program's own
    // string literal of the name has no such length before it.
    const auto Entry = [](std::wstring_view name) {
        std::string bytes(2, '\0');
        bytes[0] = static_cast<char>(name.size());
        for (wchar_t c : name) bytes += {static_cast<char>(c), '\0'};
        return bytes;
    };
    const std::string found = Entry(L"FLASH_OCX_CODE");
    const std::size_t at = image.find(found);
    if (at == std::string::npos || image.find(found, at + 1) != std::string::npos) return std::nullopt;
    image.replace(at, found.size(), Entry(L"FLASH_OCX_NONE"));
    std::ofstream out(copy.c_str(), std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    if (!out) return std::nullopt;
    return copy;
}

bool OtherReelkeepRuns() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = _wcsnicmp(entry.szExeFile, L"Reelkeep.exe", 12) == 0;
    CloseHandle(snapshot);
    return found;
}

// Reelkeep.exe in a scratch program folder, so the timed starts leave the build's own
// Videos folder alone.
std::optional<std::wstring> MakeScratchProgram(const std::wstring& build) {
    const std::wstring folder = L"C:\\bench\\startup\\";
    CreateDirectoryW(L"C:\\bench", nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* file : {L"Reelkeep.exe", L"player.swf"}) {
        if (!CopyFileW((build + file).c_str(), (folder + file).c_str(), FALSE)) return std::nullopt;
    }
    DeleteFileW((folder + L"ffmpeg.exe").c_str());
    if (!CreateHardLinkW((folder + L"ffmpeg.exe").c_str(), (build + L"ffmpeg.exe").c_str(), nullptr) &&
        !CopyFileW((build + L"ffmpeg.exe").c_str(), (folder + L"ffmpeg.exe").c_str(), FALSE))
        return std::nullopt;
    return folder + L"Reelkeep.exe";
}

}  // namespace

int main() {
    // A console process touches the desktop before starting GUI children (pipe pitfall).
    GetDesktopWindow();
    const std::wstring build = OwnFolder();
    const std::wstring minimal = build + L"MinimalDialog.exe";
    const std::wstring templateOnly = build + L"TemplateOnly.exe";
    const auto reelkeep = MakeScratchProgram(build);
    const auto withoutRuntime = reelkeep ? CopyWithoutPlayerRuntime(*reelkeep) : std::nullopt;
    if (!reelkeep || !withoutRuntime) {
        std::fprintf(stderr, "startup: cannot set up the scratch program folder from %ls\n", build.c_str());
        return 2;
    }
    if (OtherReelkeepRuns()) {
        std::fprintf(stderr, "startup: another Reelkeep.exe runs; a timed start would only hand over to it\n");
        return 2;
    }

    const WindowTest isMinimal = [](HWND window) { return Text(window) == L"Minimal dialog"; };
    // The main window, not a message box with the same caption: it holds the library list.
    const WindowTest isMain = [](HWND window) {
        return Text(window) == L"Reelkeep" && FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr) != nullptr;
    };
    // Each start is timed only if it is the one it claims to be: with its player pane, or
    // without one.
    const WindowTest isMainWithPane = [&](HWND window) { return isMain(window) && HasPlayerPane(window); };
    const WindowTest isMainWithoutPane = [&](HWND window) { return isMain(window) && !HasPlayerPane(window); };

    // The first starts pay for loading the images into the cache and for the first run
    // of the program (settings key, browser preparation); neither is counted.
    if (!TimeToWindow(minimal, isMinimal) || !TimeToWindow(*reelkeep, isMainWithPane) ||
        !TimeToWindow(*withoutRuntime, isMainWithoutPane))
        return 2;

    if (!TimeToWindow(templateOnly, isMain)) return 2;

    std::vector<double> minimalTimes, reelkeepTimes, templateTimes, withoutRuntimeTimes;
    for (int run = 0; run < kRuns; ++run) {
        // The two Reelkeep starts swap places every round, so that neither always comes
        // after the same program.
        const auto baseline = TimeToWindow(minimal, isMinimal);
        std::optional<double> measured, bare;
        if (run % 2 == 0) {
            measured = TimeToWindow(*reelkeep, isMainWithPane);
            bare = TimeToWindow(*withoutRuntime, isMainWithoutPane);
        } else {
            bare = TimeToWindow(*withoutRuntime, isMainWithoutPane);
            measured = TimeToWindow(*reelkeep, isMainWithPane);
        }
        const auto floor = TimeToWindow(templateOnly, isMain);
        if (!baseline || !measured || !floor || !bare) return 2;
        minimalTimes.push_back(*baseline);
        reelkeepTimes.push_back(*measured);
        templateTimes.push_back(*floor);
        withoutRuntimeTimes.push_back(*bare);
    }
    // The template alone is the floor: what is over it is the program's own start-up work.
    const double ratio = Median(reelkeepTimes) / Median(templateTimes);
    std::printf("startup.main_window_vs_template_alone: %.2fx (limit %.1fx)\n", ratio, kLimit);
    std::printf("  medians of %d runs: Reelkeep.exe %.0f ms, TemplateOnly.exe %.0f ms, MinimalDialog.exe %.0f ms\n",
                kRuns, Median(reelkeepTimes), Median(templateTimes), Median(minimalTimes));
    std::printf("startup.main_window_vs_minimal_dialog: %.2fx (no limit)\n",
                Median(reelkeepTimes) / Median(minimalTimes));
    std::printf("startup.template_alone_vs_minimal_dialog: %.2fx (no limit)\n",
                Median(templateTimes) / Median(minimalTimes));
    const double runtimeRatio = Median(reelkeepTimes) / Median(withoutRuntimeTimes);
    std::printf("startup.with_player_runtime_vs_without: %.2fx (limit %.1fx)\n", runtimeRatio, kRuntimeLimit);
    std::printf("  median without the runtime: %.0f ms\n", Median(withoutRuntimeTimes));
    return ratio <= kLimit && runtimeRatio <= kRuntimeLimit ? 0 : 1;
}
