// A small DLL of our own for the in-memory loader tests: it throws and catches, counts its
// TLS callbacks, reports its detach, and makes each kind of call the runtime intercepts.
#include <windows.h>

#include <stdexcept>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

volatile LONG* detachFlag = nullptr;
LONG tlsCallbacks = 0;
LONG holds = 0;

void NTAPI CountTlsCallback(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) ++tlsCallbacks;
}

}  // namespace

extern "C" {

__attribute__((section(".CRT$XLY"), used)) PIMAGE_TLS_CALLBACK probeTlsCallback = CountTlsCallback;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH && detachFlag != nullptr) InterlockedIncrement(detachFlag);
    return TRUE;
}

__declspec(dllexport) int ProbeThrowAndCatch(int value) {
    try {
        if (value >= 0) throw std::runtime_error("thrown " + std::to_string(value));
    } catch (const std::runtime_error& error) {
        return static_cast<int>(std::string(error.what()).size()) * 1000 + value;
    }
    return -1;
}

__declspec(dllexport) LONG ProbeTlsCallbacks() { return tlsCallbacks; }
__declspec(dllexport) void ProbeWatchDetach(volatile LONG* flag) { detachFlag = flag; }
__declspec(dllexport) void ProbeHold(LONG delta) { InterlockedAdd(&holds, delta); }
LONG ControlObjects();
__declspec(dllexport) HRESULT DllCanUnloadNow() { return holds == 0 && ControlObjects() == 0 ? S_OK : S_FALSE; }

__declspec(dllexport) HMODULE ProbeLoadLibrary(const char* path) { return LoadLibraryA(path); }

// Registers a class under `name`, creates a window of it and reports the class name the
// window really got.
__declspec(dllexport) BOOL ProbeClassName(const char* name, char* actual, int size) {
    WNDCLASSEXA record{};
    record.cbSize = sizeof record;
    record.lpfnWndProc = DefWindowProcA;
    record.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    record.lpszClassName = name;
    if (RegisterClassExA(&record) == 0) return FALSE;
    HWND window = CreateWindowExA(0, name, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, record.hInstance, nullptr);
    const BOOL named = window != nullptr && GetClassNameA(window, actual, size) > 0;
    if (window != nullptr) DestroyWindow(window);
    return named && UnregisterClassA(name, record.hInstance);
}

// Commits one guard page inside a fresh reservation and reports what was committed.
__declspec(dllexport) BOOL ProbeGuardCommit(SIZE_T reserved, DWORD* protection, SIZE_T* committed) {
    void* region = VirtualAlloc(nullptr, reserved, MEM_RESERVE, PAGE_NOACCESS);
    if (region == nullptr) return FALSE;
    const bool done = VirtualAlloc(region, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD) != nullptr;
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(region, &info, sizeof info);
    *protection = info.Protect;
    *committed = info.State == MEM_COMMIT ? info.RegionSize : 0;
    VirtualFree(region, 0, MEM_RELEASE);
    return done;
}

// Reads a whole file through the file functions the runtime intercepts; -1 on failure.
__declspec(dllexport) LONG ProbeReadFile(const wchar_t* path, char* buffer, DWORD size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD read = 0;
    const DWORD length = GetFileSize(file, nullptr);
    SetFilePointer(file, 1, nullptr, FILE_BEGIN);
    const BOOL ok = length <= size && ReadFile(file, buffer + 1, length - 1, &read, nullptr) &&
                    SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && ReadFile(file, buffer, 1, &read, nullptr);
    CloseHandle(file);
    return ok ? static_cast<LONG>(length) : -1;
}
}
