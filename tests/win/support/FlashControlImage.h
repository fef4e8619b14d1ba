#pragma once
// The player control image the program carries (resource "FLASH_OCX_CODE"), written to a
// file and loaded with LoadLibrary, and one control object of it activated in a window of
// its own: enough to drive the control the way a host does.
#include "flashhost/ShockwaveFlashInterfaces.h"
#include "platform/ComPtr.h"

#include <windows.h>
#include <ocidl.h>

#include <chrono>
#include <string>

namespace testing_support {

class FlashControlImage {
public:
    // Writes the image into `folder` (ending in a backslash) and loads it.
    explicit FlashControlImage(const std::wstring& folder) : path_(folder + L"flashctl.dll") {
        const HRSRC found = FindResourceW(nullptr, L"FLASH_OCX_CODE", L"BIN");
        const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes) return;
        const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(file, bytes, SizeofResource(nullptr, found), &written, nullptr);
        CloseHandle(file);
        module_ = LoadLibraryW(path_.c_str());
    }
    ~FlashControlImage() {
        if (module_) FreeLibrary(module_);
        DeleteFileW(path_.c_str());
    }
    FlashControlImage(const FlashControlImage&) = delete;
    FlashControlImage& operator=(const FlashControlImage&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
        using Function = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto function = reinterpret_cast<Function>(Export("DllGetClassObject"));
        return function ? function(clsid, iid, out) : E_FAIL;
    }
    HRESULT CanUnloadNow() const {
        using Function = HRESULT(STDAPICALLTYPE*)();
        const auto function = reinterpret_cast<Function>(Export("DllCanUnloadNow"));
        return function ? function() : E_FAIL;
    }
    platform::ComPtr<IShockwaveFlash> Create() const {
        platform::ComPtr<IClassFactory> factory;
        platform::ComPtr<IShockwaveFlash> flash;
        if (SUCCEEDED(GetClassObject(flashhost::kClsidShockwaveFlash, IID_IClassFactory, factory.putVoid())))
            factory->CreateInstance(nullptr, flashhost::kIidShockwaveFlash, flash.putVoid());
        return flash;
    }

private:
    // Through void*: a cast between unrelated function types is refused outright.
    void* Export(const char* name) const { return reinterpret_cast<void*>(GetProcAddress(module_, name)); }

    std::wstring path_;
    HMODULE module_ = nullptr;
};

// A top-level window with one control object in place inside it, `width` x `height`.
class PlayerWindow {
public:
    PlayerWindow(const FlashControlImage& image, int width, int height) {
        window_ = CreateWindowExW(0, L"STATIC", L"player", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                  nullptr, nullptr);
        flash_ = image.Create();
        platform::ComPtr<IOleObject> ole;
        if (!window_ || !flash_ || FAILED(flash_->QueryInterface(IID_IOleObject, ole.putVoid()))) return;
        const RECT rect{0, 0, width, height};
        active_ = SUCCEEDED(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, window_, &rect));
    }
    ~PlayerWindow() {
        platform::ComPtr<IOleObject> ole;
        if (flash_ && SUCCEEDED(flash_->QueryInterface(IID_IOleObject, ole.putVoid()))) ole->Close(OLECLOSE_NOSAVE);
        ole.reset();
        flash_.reset();
        if (window_) DestroyWindow(window_);
    }
    PlayerWindow(const PlayerWindow&) = delete;
    PlayerWindow& operator=(const PlayerWindow&) = delete;

    bool active() const { return active_; }
    IShockwaveFlash* flash() const { return flash_.get(); }
    HWND pane() const {
        platform::ComPtr<IOleWindow> window;
        HWND pane = nullptr;
        if (flash_ && SUCCEEDED(flash_->QueryInterface(IID_IOleWindow, window.putVoid()))) window->GetWindow(&pane);
        return pane;
    }

    // FlashVars first, then the Movie, as the host does.
    void Load(const std::wstring& movie, const std::wstring& flashVars) {
        BSTR vars = SysAllocString(flashVars.c_str());
        flash_->put_FlashVars(vars);
        SysFreeString(vars);
        BSTR path = SysAllocString(movie.c_str());
        flash_->put_Movie(path);
        SysFreeString(path);
    }

    // A movie variable of the player (state, message, presentedFrames...).
    std::wstring Variable(const wchar_t* name) const {
        BSTR bstrName = SysAllocString(name);
        BSTR value = nullptr;
        std::wstring text;
        if (SUCCEEDED(flash_->GetVariable(bstrName, &value)) && value) text.assign(value, SysStringLen(value));
        SysFreeString(value);
        SysFreeString(bstrName);
        return text;
    }

    // The colour the pane shows at (x, y), once pending paints are done.
    COLORREF PixelAt(int x, int y) const {
        const HWND window = pane();
        UpdateWindow(window);
        const HDC dc = GetDC(window);
        const COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return color;
    }

private:
    HWND window_ = nullptr;
    platform::ComPtr<IShockwaveFlash> flash_;
    bool active_ = false;
};

}  // namespace testing_support
