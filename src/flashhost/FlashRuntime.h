#pragma once
// One in-memory copy of the player control: the image mapped by hand, its calls into the
// system routed through our hooks, the host window class registered under names of its
// own, and the tables the hooks serve from (class names, memory movies, virtual files,
// wave devices, the current host of each thread).
#include <windows.h>

#include "flashhost/MappedImage.h"
#include "flashhost/MemoryMovieStore.h"
#include "flashhost/Thunks.h"
#include "flashhost/WaveDevices.h"

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace flashhost {

class FlashRuntime {
public:
    // Maps the image in `bytes`; null when it cannot be loaded. Without bytes the installed
    // control named in the registry is mapped from its file instead.
    static FlashRuntime* Create(const void* bytes, std::size_t size);
    // 0 for null, 1 otherwise. While the image says it is still in use the runtime only
    // remembers to go, and goes when the last object a host holds is released.
    static int Release(FlashRuntime* runtime);

    // The class registered through the wide function; the program creates hosts with it.
    ATOM hostClassAtom() const { return wideAtom_; }
    const std::wstring& hostClassName() const { return wideClassName_; }
    const std::string& ansiHostClassName() const { return ansiClassName_; }
    const std::wstring& lastError() const { return error_; }

    FARPROC ImageExport(const char* name) const { return image_.Export(name); }
    HMODULE imageModule() const { return image_.module(); }
    const MappedImage& image() const { return image_; }
    HMODULE programModule() const { return programModule_; }

    MemoryMovieStore& movies() { return movies_; }
    VirtualFileTable& files() { return files_; }
    WaveDevices& wave() { return wave_; }

    // The host window whose code runs on this thread, for the image's GetFocus.
    HWND currentHost() const;
    void SetCurrentHost(HWND host);

    // The name a class requested by the image was registered under; empty when none.
    std::string MappedClassName(const char* requested);
    // Registers a class of the image under a fresh name of ours and remembers the mapping.
    void RememberClassName(const char* requested, const std::string& unique);

    // The address the image should call for `name`: a stub to our replacement when the
    // function is hooked, `real` otherwise. Null when `real` is null.
    FARPROC Hooked(const char* name, FARPROC real);

    // The image's cursor `name`, built once by `make` and kept for the runtime's life.
    template <typename Make>
    HCURSOR CachedCursor(LPCSTR name, Make make) {
        const CursorKey key =
            IS_INTRESOURCE(name) ? CursorKey{reinterpret_cast<ULONG_PTR>(name), {}} : CursorKey{0, std::string(name)};
        std::lock_guard guard(classLock_);
        auto& cursor = cursors_[key];
        if (cursor == nullptr) cursor = make();
        return cursor;
    }

    // A host released its control object; a deferred unload may now happen.
    void ObjectReleased();

    // A class name nobody else uses: a fresh GUID as four hexadecimal groups.
    static std::string UniqueClassName();

private:
    FlashRuntime();
    ~FlashRuntime();
    FlashRuntime(const FlashRuntime&) = delete;
    FlashRuntime& operator=(const FlashRuntime&) = delete;

    bool Load(const void* bytes, std::size_t size);
    bool RegisterHostClasses();
    bool CanUnloadNow() const;

    HMODULE programModule_;
    bool comInitialized_ = false;
    DWORD currentHostSlot_ = TLS_OUT_OF_INDEXES;
    UINT_PTR trimTimer_ = 0;
    MappedImage image_;
    std::wstring error_;

    std::mutex hookLock_;
    ThunkArena thunks_;
    std::deque<ThunkBinding> bindings_;
    std::map<std::pair<void*, void*>, void*> thunkCache_;
    ThunkBinding windowProcBinding_;
    void* windowProcThunk_ = nullptr;

    std::string ansiClassName_;
    std::wstring wideClassName_;
    ATOM ansiAtom_ = 0;
    ATOM wideAtom_ = 0;

    std::mutex classLock_;
    std::map<std::string, std::string> classNameMap_;
    using CursorKey = std::pair<ULONG_PTR, std::string>;
    std::map<CursorKey, HCURSOR> cursors_;

    MemoryMovieStore movies_;
    VirtualFileTable files_;
    WaveDevices wave_;
    bool deferredUnload_ = false;
};

// The replacement for an imported function, or null when the name is not hooked.
void* HookReplacement(const char* name);

// The window procedure behind both host classes; `runtime` is the instance that
// registered the class.
LRESULT HostWindowProc(FlashRuntime& runtime, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace flashhost
