#include "flashhost/FlashRuntime.h"
#include "flashhost/ProcCast.h"

#include "platform/UniqueHandle.h"

#include <objbase.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace flashhost {

namespace {

constexpr UINT kTrimPeriodMs = 10000;
constexpr wchar_t kInstalledControlKey[] = L"CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

// The mapped image is large and mostly idle; giving its pages back keeps the process small.
void CALLBACK TrimWorkingSet(HWND, UINT, UINT_PTR, DWORD) {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

LRESULT CALLBACK HostWindowEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FlashRuntime& runtime = *CurrentThunkBinding().runtime;
    return HostWindowProc(runtime, window, message, wParam, lParam);
}

std::string Lowered(const char* text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// The installed control's file, mapped read-only for as long as the image is loaded.
FlashRuntime* CreateFromInstalledControl() {
    wchar_t path[MAX_PATH]{};
    LONG length = sizeof path;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, kInstalledControlKey, path, &length) != ERROR_SUCCESS) return nullptr;
    platform::UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return nullptr;
    platform::UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return nullptr;
    const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) return nullptr;
    FlashRuntime* runtime = FlashRuntime::Create(view, static_cast<std::size_t>(size.QuadPart));
    UnmapViewOfFile(view);
    return runtime;
}

}  // namespace

FlashRuntime::FlashRuntime() : programModule_(GetModuleHandleW(nullptr)) {}

FlashRuntime* FlashRuntime::Create(const void* bytes, std::size_t size) {
    if (bytes == nullptr) return CreateFromInstalledControl();
    auto* runtime = new FlashRuntime;
    if (!runtime->Load(bytes, size)) {
        delete runtime;
        return nullptr;
    }
    return runtime;
}

bool FlashRuntime::Load(const void* bytes, std::size_t size) {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    currentHostSlot_ = TlsAlloc();
    SetCurrentHost(nullptr);
    trimTimer_ = SetTimer(nullptr, 0, kTrimPeriodMs, TrimWorkingSet);
    const ImportResolver resolve = [this](HMODULE library, const char*, const char* function) {
        return Hooked(function, GetProcAddress(library, function));
    };
    if (!image_.Load(bytes, size, resolve, error_)) return false;
    windowProcBinding_.runtime = this;
    {
        std::lock_guard guard(hookLock_);
        windowProcThunk_ = thunks_.Make(&windowProcBinding_, reinterpret_cast<const void*>(&HostWindowEntry));
    }
    if (windowProcThunk_ == nullptr || !RegisterHostClasses()) {
        error_ = L"the host window class cannot be registered";
        return false;
    }
    return true;
}

std::string FlashRuntime::UniqueClassName() {
    GUID guid{};
    char name[64];
    if (SUCCEEDED(CoCreateGuid(&guid))) {
        DWORD parts[4];
        static_assert(sizeof parts == sizeof guid);
        std::memcpy(parts, &guid, sizeof parts);
        std::snprintf(name, sizeof name, "%.8lx_%.8lx_%.8lx_%.8lx", parts[0], parts[1], parts[2], parts[3]);
    } else {
        std::snprintf(name, sizeof name, "quorvel__%lu", GetTickCount());
    }
    return name;
}

bool FlashRuntime::RegisterHostClasses() {
    auto procedure = reinterpret_cast<WNDPROC>(windowProcThunk_);
    ansiClassName_ = UniqueClassName();
    WNDCLASSEXA ansi{};
    ansi.cbSize = sizeof ansi;
    ansi.style = CS_DBLCLKS | CS_GLOBALCLASS;
    ansi.lpfnWndProc = procedure;
    ansi.hInstance = programModule_;
    ansi.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ansi.lpszClassName = ansiClassName_.c_str();
    ansiAtom_ = RegisterClassExA(&ansi);
    if (ansiAtom_ == 0) return false;

    const std::string wideName = UniqueClassName();
    wideClassName_.assign(wideName.begin(), wideName.end());
    WNDCLASSEXW wide{};
    wide.cbSize = sizeof wide;
    wide.style = ansi.style;
    wide.lpfnWndProc = procedure;
    wide.hInstance = programModule_;
    wide.hbrBackground = ansi.hbrBackground;
    wide.lpszClassName = wideClassName_.c_str();
    wideAtom_ = RegisterClassExW(&wide);
    return wideAtom_ != 0;
}

FlashRuntime::~FlashRuntime() {
    if (wideAtom_ != 0) UnregisterClassW(wideClassName_.c_str(), programModule_);
    if (ansiAtom_ != 0) UnregisterClassA(ansiClassName_.c_str(), programModule_);
    if (trimTimer_ != 0) KillTimer(nullptr, trimTimer_);
    image_.Unload();
    for (auto& [name, cursor] : cursors_) DestroyCursor(cursor);
    if (currentHostSlot_ != TLS_OUT_OF_INDEXES) TlsFree(currentHostSlot_);
    if (comInitialized_) CoUninitialize();
}

bool FlashRuntime::CanUnloadNow() const {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = ProcCast<CanUnload>(image_.Export("DllCanUnloadNow"));
    return canUnload == nullptr || canUnload() == S_OK;
}

int FlashRuntime::Release(FlashRuntime* runtime) {
    if (runtime == nullptr) return 0;
    if (runtime->CanUnloadNow()) {
        delete runtime;
    } else {
        runtime->deferredUnload_ = true;
    }
    return 1;
}

void FlashRuntime::ObjectReleased() {
    if (deferredUnload_ && CanUnloadNow()) delete this;
}

HWND FlashRuntime::currentHost() const {
    if (currentHostSlot_ == TLS_OUT_OF_INDEXES) return nullptr;
    auto value = reinterpret_cast<INT_PTR>(TlsGetValue(currentHostSlot_));
    return value == -1 ? nullptr : reinterpret_cast<HWND>(value);
}

void FlashRuntime::SetCurrentHost(HWND host) {
    if (currentHostSlot_ == TLS_OUT_OF_INDEXES) return;
    TlsSetValue(currentHostSlot_, host != nullptr ? static_cast<void*>(host) : reinterpret_cast<void*>(INT_PTR{-1}));
}

std::string FlashRuntime::MappedClassName(const char* requested) {
    std::lock_guard guard(classLock_);
    const auto found = classNameMap_.find(Lowered(requested));
    return found == classNameMap_.end() ? std::string() : found->second;
}

void FlashRuntime::RememberClassName(const char* requested, const std::string& unique) {
    std::lock_guard guard(classLock_);
    classNameMap_[Lowered(requested)] = unique;
}

FARPROC FlashRuntime::Hooked(const char* name, FARPROC real) {
    if (real == nullptr || name == nullptr) return real;
    void* replacement = HookReplacement(name);
    if (replacement == nullptr) return real;
    std::lock_guard guard(hookLock_);
    const auto key = std::make_pair(reinterpret_cast<void*>(real), replacement);
    if (const auto found = thunkCache_.find(key); found != thunkCache_.end())
        return reinterpret_cast<FARPROC>(found->second);
    bindings_.push_back(ThunkBinding{this, reinterpret_cast<void*>(real)});
    void* thunk = thunks_.Make(&bindings_.back(), replacement);
    if (thunk == nullptr) return real;
    thunkCache_.emplace(key, thunk);
    return reinterpret_cast<FARPROC>(thunk);
}

}  // namespace flashhost
