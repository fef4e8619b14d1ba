// The replacements for the image's calls into the system. Each is reached through a stub
// (Thunks.h) and starts by taking its binding: the runtime it serves and the real function.
#include "flashhost/FlashRuntime.h"

#include "flashhost/ImageResources.h"
#include "flashhost/RuntimeRules.h"
#include "platform/AnsiText.h"

#include <mmsystem.h>
#include <urlmon.h>

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace flashhost {

// The host's Base property, below which files next to an in-memory movie are looked for.
std::wstring HostBaseFolder(HWND host);

namespace {

template <typename Function>
struct HookCall {
    FlashRuntime& runtime;
    Function real;
};

// Must come first in every replacement: a later stub on this thread overwrites the slot.
template <typename Function>
HookCall<Function> Enter(Function) {
    const ThunkBinding binding = CurrentThunkBinding();
    return {*binding.runtime, reinterpret_cast<Function>(binding.real)};
}

bool IsName(LPCSTR name) { return name != nullptr && !IS_INTRESOURCE(name); }

// The image's classes live under names of ours, registered for the program's module.
struct TranslatedClass {
    std::string name;
    LPCSTR pointer;
    HINSTANCE module;
};
TranslatedClass TranslateClass(FlashRuntime& runtime, LPCSTR name, HINSTANCE module) {
    TranslatedClass result{{}, name, module != nullptr ? runtime.programModule() : nullptr};
    if (IsName(name)) {
        result.name = runtime.MappedClassName(name);
        if (!result.name.empty()) result.pointer = result.name.c_str();
    }
    return result;
}

HWND WINAPI HookCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                                int height, HWND parent, HMENU menu, HINSTANCE module, LPVOID parameter) {
    auto call = Enter(&CreateWindowExA);
    const TranslatedClass translated = TranslateClass(call.runtime, className, module);
    return call.real(exStyle, translated.pointer, title, style, x, y, width, height, parent, menu, translated.module,
                     parameter);
}

BOOL WINAPI HookGetClassInfoExA(HINSTANCE module, LPCSTR className, LPWNDCLASSEXA info) {
    auto call = Enter(&GetClassInfoExA);
    const TranslatedClass translated = TranslateClass(call.runtime, className, module);
    return call.real(translated.module, translated.pointer, info);
}

BOOL WINAPI HookUnregisterClassA(LPCSTR className, HINSTANCE module) {
    auto call = Enter(&UnregisterClassA);
    const TranslatedClass translated = TranslateClass(call.runtime, className, module);
    return call.real(translated.pointer, translated.module);
}

template <typename ClassRecord>
ATOM RegisterUnderUniqueName(FlashRuntime& runtime, ATOM(WINAPI* real)(const ClassRecord*), const ClassRecord* record) {
    if (record == nullptr) return real(record);
    ClassRecord copy = *record;
    copy.hInstance = runtime.programModule();
    if (!IsName(record->lpszClassName)) return real(&copy);
    const std::string unique = FlashRuntime::UniqueClassName();
    copy.lpszClassName = unique.c_str();
    const ATOM atom = real(&copy);
    if (atom != 0) runtime.RememberClassName(record->lpszClassName, unique);
    return atom;
}

ATOM WINAPI HookRegisterClassExA(const WNDCLASSEXA* record) {
    auto call = Enter(&RegisterClassExA);
    return RegisterUnderUniqueName(call.runtime, call.real, record);
}

ATOM WINAPI HookRegisterClassA(const WNDCLASSA* record) {
    auto call = Enter(&RegisterClassA);
    return RegisterUnderUniqueName(call.runtime, call.real, record);
}

HCURSOR WINAPI HookLoadCursorA(HINSTANCE module, LPCSTR name) {
    auto call = Enter(&LoadCursorA);
    if (module == nullptr || module != call.runtime.imageModule()) return call.real(module, name);
    return call.runtime.CachedCursor(name, [&] { return LoadImageCursor(call.runtime.image(), name); });
}

HMENU WINAPI HookLoadMenuA(HINSTANCE module, LPCSTR name) {
    auto call = Enter(&LoadMenuA);
    if (module == nullptr || module != call.runtime.imageModule()) return call.real(module, name);
    return LoadImageMenu(call.runtime.image(), name);
}

// A path under our marker: a file beside an in-memory movie is taken from disk when it
// is there, the movie itself from the store; anything else is the file system's.
HANDLE OpenFile(FlashRuntime& runtime, LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (path != nullptr) {
        if (const auto reference = ParseMemoryMoviePath(path)) {
            std::wstring folder = HostBaseFolder(runtime.movies().HostOf(reference->number));
            if (folder.empty()) {
                wchar_t current[MAX_PATH]{};
                GetCurrentDirectoryW(MAX_PATH, current);
                folder = current;
            }
            if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
            const std::wstring onDisk = folder + reference->relative;
            const DWORD attributes = GetFileAttributesW(onDisk.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return CreateFileW(onDisk.c_str(), access, share, security, disposition, flags, templateFile);
            if (IsMemoryMovieFile(reference->relative)) {
                if (auto stream = runtime.movies().Open(reference->number)) {
                    HANDLE file = runtime.files().Open(std::move(stream));
                    if (file != INVALID_HANDLE_VALUE) return file;
                }
            }
        }
    }
    return CreateFileW(path, access, share, security, disposition, flags, templateFile);
}

HANDLE WINAPI HookCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    auto call = Enter(&CreateFileW);
    return OpenFile(call.runtime, path, access, share, security, disposition, flags, templateFile);
}

HANDLE WINAPI HookCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                              DWORD flags, HANDLE templateFile) {
    auto call = Enter(&CreateFileA);
    if (path == nullptr) return call.real(path, access, share, security, disposition, flags, templateFile);
    return OpenFile(call.runtime, platform::AnsiToWide(path).c_str(), access, share, security, disposition, flags,
                    templateFile);
}

BOOL WINAPI HookReadFile(HANDLE file, LPVOID buffer, DWORD wanted, LPDWORD read, LPOVERLAPPED overlapped) {
    auto call = Enter(&ReadFile);
    if (call.runtime.files().Read(file, buffer, wanted, read)) return TRUE;
    return call.real(file, buffer, wanted, read, overlapped);
}

BOOL WINAPI HookSetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method) {
    auto call = Enter(&SetFilePointerEx);
    bool known = false;
    const bool moved = call.runtime.files().Seek(file, distance, method, position, known);
    if (known) return moved ? TRUE : FALSE;
    return call.real(file, distance, position, method);
}

DWORD WINAPI HookSetFilePointer(HANDLE file, LONG low, PLONG high, DWORD method) {
    auto call = Enter(&SetFilePointer);
    LARGE_INTEGER distance{};
    distance.QuadPart = high != nullptr ? (static_cast<LONGLONG>(*high) << 32) | static_cast<DWORD>(low) : low;
    LARGE_INTEGER position{};
    bool known = false;
    const bool moved = call.runtime.files().Seek(file, distance, method, &position, known);
    if (!known) return call.real(file, low, high, method);
    if (!moved) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (high != nullptr) *high = static_cast<LONG>(position.QuadPart >> 32);
    return static_cast<DWORD>(position.QuadPart);
}

DWORD WINAPI HookGetFileSize(HANDLE file, LPDWORD high) {
    auto call = Enter(&GetFileSize);
    ULONGLONG size = 0;
    if (!call.runtime.files().Size(file, size)) return call.real(file, high);
    if (high != nullptr) *high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

BOOL WINAPI HookGetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
    auto call = Enter(&GetFileSizeEx);
    ULONGLONG bytes = 0;
    if (!call.runtime.files().Size(file, bytes)) return call.real(file, size);
    if (size != nullptr) size->QuadPart = static_cast<LONGLONG>(bytes);
    return TRUE;
}

BOOL WINAPI HookCloseHandle(HANDLE handle) {
    auto call = Enter(&CloseHandle);
    if (call.runtime.files().Close(handle)) return TRUE;
    return call.real(handle);
}

MMRESULT WINAPI HookWaveOutOpen(LPHWAVEOUT device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                DWORD_PTR instance, DWORD flags) {
    auto call = Enter(&waveOutOpen);
    const MMRESULT result = call.real(device, id, format, callback, instance, flags);
    if (result == MMSYSERR_NOERROR && device != nullptr && format != nullptr && !(flags & WAVE_FORMAT_QUERY))
        call.runtime.wave().Opened(*device, *format);
    return result;
}

MMRESULT WINAPI HookWaveOutClose(HWAVEOUT device) {
    auto call = Enter(&waveOutClose);
    const MMRESULT result = call.real(device);
    if (result == MMSYSERR_NOERROR) call.runtime.wave().Closed(device);
    return result;
}

MMRESULT WINAPI HookWaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) {
    auto call = Enter(&waveOutWrite);
    if (header != nullptr) call.runtime.wave().Prepare(device, *header);
    return call.real(device, header, size);
}

// Code the image writes for itself must stay writable and executable afterwards.
BOOL WINAPI HookFlushInstructionCache(HANDLE process, LPCVOID address, SIZE_T size) {
    auto call = Enter(&FlushInstructionCache);
    DWORD previous = 0;
    if (address != nullptr && size != 0)
        VirtualProtect(const_cast<LPVOID>(address), size, PAGE_EXECUTE_READWRITE, &previous);
    return call.real(process, address, size);
}

// A guard page at a fixed address would fault on the image's first touch; it gets a plain
// commit of the whole region instead.
LPVOID WINAPI HookVirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protection) {
    auto call = Enter(&VirtualAlloc);
    if (address != nullptr && (protection & PAGE_GUARD)) {
        protection &= ~static_cast<DWORD>(PAGE_GUARD);
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(address, &region, sizeof region) == sizeof region) size = region.RegionSize;
    }
    return call.real(address, size, type, protection);
}

HMODULE WINAPI HookLoadLibraryA(LPCSTR path) {
    auto call = Enter(&LoadLibraryA);
    if (path != nullptr && IsRefusedLibraryPath(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return call.real(path);
}

HWND WINAPI HookGetFocus() {
    auto call = Enter(&GetFocus);
    HWND host = call.runtime.currentHost();
    if (host == nullptr) return call.real();
    // A windowless child draws into its parent, which holds the focus on its behalf.
    constexpr LONG_PTR kWindowlessChild = 0x08;
    if (GetWindowLongPtrW(host, GWL_STYLE) & kWindowlessChild) return GetParent(host);
    return host;
}

FARPROC WINAPI HookGetProcAddress(HMODULE module, LPCSTR name) {
    auto call = Enter(&GetProcAddress);
    FARPROC real = call.real(module, name);
    return IsName(name) ? call.runtime.Hooked(name, real) : real;
}

// In-memory movies reach the control through CreateFile; monikers go to the network as
// they would without us.
HRESULT WINAPI HookCreateURLMoniker(IMoniker* context, LPCWSTR url, IMoniker** moniker) {
    return Enter(&CreateURLMoniker).real(context, url, moniker);
}

// Routed through a stub so that the image's use of them can be watched; passed on as is.
HMODULE WINAPI PassGetModuleHandleA(LPCSTR name) { return Enter(&GetModuleHandleA).real(name); }
int WINAPI PassGetClassNameA(HWND window, LPSTR name, int length) {
    return Enter(&GetClassNameA).real(window, name, length);
}
HMODULE WINAPI PassLoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags) {
    return Enter(&LoadLibraryExA).real(path, file, flags);
}
HRSRC WINAPI PassFindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    return Enter(&FindResourceA).real(module, name, type);
}
HRSRC WINAPI PassFindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
    return Enter(&FindResourceExA).real(module, type, name, language);
}
HRSRC WINAPI PassFindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    return Enter(&FindResourceExW).real(module, type, name, language);
}
UINT_PTR WINAPI PassSetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    return Enter(&SetTimer).real(window, id, elapse, procedure);
}

struct HookEntry {
    std::string_view name;
    void* replacement;
};

template <typename Function>
void* As(Function function) {
    return reinterpret_cast<void*>(function);
}

const HookEntry kHooks[] = {
    {"CreateURLMoniker", As(&HookCreateURLMoniker)},
    {"CreateWindowExA", As(&HookCreateWindowExA)},
    {"GetClassInfoExA", As(&HookGetClassInfoExA)},
    {"UnregisterClassA", As(&HookUnregisterClassA)},
    {"RegisterClassExA", As(&HookRegisterClassExA)},
    {"RegisterClassA", As(&HookRegisterClassA)},
    {"LoadCursorA", As(&HookLoadCursorA)},
    {"LoadMenuA", As(&HookLoadMenuA)},
    {"CreateFileA", As(&HookCreateFileA)},
    {"CreateFileW", As(&HookCreateFileW)},
    {"ReadFile", As(&HookReadFile)},
    {"SetFilePointer", As(&HookSetFilePointer)},
    {"SetFilePointerEx", As(&HookSetFilePointerEx)},
    {"GetFileSize", As(&HookGetFileSize)},
    {"GetFileSizeEx", As(&HookGetFileSizeEx)},
    {"CloseHandle", As(&HookCloseHandle)},
    {"waveOutOpen", As(&HookWaveOutOpen)},
    {"waveOutClose", As(&HookWaveOutClose)},
    {"waveOutWrite", As(&HookWaveOutWrite)},
    {"FlushInstructionCache", As(&HookFlushInstructionCache)},
    {"VirtualAlloc", As(&HookVirtualAlloc)},
    {"LoadLibraryA", As(&HookLoadLibraryA)},
    {"GetFocus", As(&HookGetFocus)},
    {"GetProcAddress", As(&HookGetProcAddress)},
    {"GetModuleHandleA", As(&PassGetModuleHandleA)},
    {"GetClassNameA", As(&PassGetClassNameA)},
    {"LoadLibraryExA", As(&PassLoadLibraryExA)},
    {"FindResourceA", As(&PassFindResourceA)},
    {"FindResourceExA", As(&PassFindResourceExA)},
    {"FindResourceExW", As(&PassFindResourceExW)},
    {"SetTimer", As(&PassSetTimer)},
};

bool SameName(std::string_view a, const char* b) {
    std::size_t i = 0;
    for (; b[i] != '\0'; ++i) {
        if (i >= a.size() ||
            std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size();
}

}  // namespace

void* HookReplacement(const char* name) {
    for (const HookEntry& hook : kHooks) {
        if (SameName(hook.name, name)) return hook.replacement;
    }
    return nullptr;
}

}  // namespace flashhost
