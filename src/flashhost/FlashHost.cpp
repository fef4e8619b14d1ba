#include "flashhost/FlashHost.h"

#include "flashhost/FlashRuntime.h"
#include "flashhost/ProcCast.h"
#include "platform/AnsiText.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace flashhost {

namespace {

constexpr wchar_t kHostProperty[] = L"ReelkeepFlashHost";
// Names no file: passing through it unloads the current movie, so the same memory movie
// loaded twice in a row really reloads.
constexpr wchar_t kUnloadingUrl[] = L"file://AGKJGSAKLHASKLASKLSAKLKLSAKLAKLL.swf";
constexpr DWORD kOpaqueStyle = 0x10;
constexpr DWORD kTransparentStyle = 0x01;
constexpr DWORD kWantAllKeysStyle = 0x02;
constexpr DWORD kWindowlessChildStyle = 0x08;
constexpr UINT_PTR kRedrawTimer = 0x123456;
constexpr UINT_PTR kSubclassId = 1;
constexpr int kHimetricPerInch = 2540;

// A BSTR that is freed however the call ends.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text != nullptr ? text : L"")) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    BSTR* put() { return &value_; }

private:
    BSTR value_ = nullptr;
};

template <typename Char>
void CopyOut(GetTextRecord<Char>& record, const std::basic_string<Char>& text) {
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (record.buffer != nullptr && record.length >= needed)
        std::copy(text.c_str(), text.c_str() + needed, record.buffer);
    record.length = needed;
}

// One text property of the control, as the message family exposes it.
struct TextProperty {
    UINT first;  // put ANSI; then put wide, get ANSI, get wide
    HRESULT (STDMETHODCALLTYPE IShockwaveFlash::*put)(BSTR);
    HRESULT (STDMETHODCALLTYPE IShockwaveFlash::*get)(BSTR*);
    int lowestMajor;  // versions below it lack the property
};

const TextProperty kTextProperties[] = {
    {FHM_PUT_MOVIE_A, &IShockwaveFlash::put_Movie, &IShockwaveFlash::get_Movie, 3},
    {FHM_PUT_WMODE_A, &IShockwaveFlash::put_WMode, &IShockwaveFlash::get_WMode, 3},
    {FHM_PUT_BASE_A, &IShockwaveFlash::put_Base, &IShockwaveFlash::get_Base, 3},
    {FHM_PUT_FLASHVARS_A, &IShockwaveFlash::put_FlashVars, &IShockwaveFlash::get_FlashVars, 7},
    {FHM_PUT_ALLOWFULLSCREEN_A, &IShockwaveFlash::put_AllowFullScreen, &IShockwaveFlash::get_AllowFullScreen, 9},
};

int PixelsPerInch(HWND window, int axis) {
    HDC dc = ::GetDC(window);
    const int perInch = dc != nullptr ? GetDeviceCaps(dc, axis) : 96;
    if (dc != nullptr) ::ReleaseDC(window, dc);
    return perInch > 0 ? perInch : 96;
}

}  // namespace

HostMode ModeFromStyles(DWORD style, DWORD exStyle) {
    if (style & kOpaqueStyle) return HostMode::Opaque;
    if ((exStyle & WS_EX_LAYERED) || (style & kTransparentStyle)) return HostMode::Transparent;
    return HostMode::Windowed;
}

FlashHost::FlashHost(FlashRuntime& runtime, HWND window) : runtime_(runtime), window_(window) {
    setListenerMessage_ = RegisterWindowMessageA(kSetEventListenerMessage);
    getObjectMessage_ = RegisterWindowMessageA(kGetObjectPointerMessage);
    updateLayeredWindow_ = GetProcAddress(GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindow");
}

FlashHost* FlashHost::FromWindow(HWND window) {
    return window != nullptr ? static_cast<FlashHost*>(GetPropW(window, kHostProperty)) : nullptr;
}

LRESULT HostWindowProc(FlashRuntime& runtime, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The image asks GetFocus on our behalf while a host handles a message on this thread.
    const HWND previous = runtime.currentHost();
    runtime.SetCurrentHost(window);
    LRESULT result = 0;
    if (message == WM_NCCREATE) {
        auto* host = new FlashHost(runtime, window);
        SetPropW(window, kHostProperty, host);
        result = DefWindowProcW(window, message, wParam, lParam);
    } else if (FlashHost* host = FlashHost::FromWindow(window)) {
        host->AddRef();
        result = host->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            RemovePropW(window, kHostProperty);
            host->Release();
        }
        host->Release();
    } else {
        result = DefWindowProcW(window, message, wParam, lParam);
    }
    runtime.SetCurrentHost(previous);
    return result;
}

std::wstring HostBaseFolder(HWND host) {
    FlashHost* object = FlashHost::FromWindow(host);
    return object != nullptr ? object->Base() : std::wstring();
}

std::wstring FlashHost::Base() {
    IShockwaveFlash* flash = ForVersion(MajorVersion());
    Bstr base;
    if (flash == nullptr || FAILED(flash->get_Base(base.put())) || base.get() == nullptr) return {};
    return base.get();
}

bool FlashHost::Create(const CREATESTRUCTW& creation) {
    style_ = static_cast<DWORD>(creation.style);
    mode_ = ModeFromStyles(style_, creation.dwExStyle);
    windowlessChild_ = (style_ & kWindowlessChildStyle) != 0;

    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = ProcCast<GetClassObject>(runtime_.ImageExport("DllGetClassObject"));
    platform::ComPtr<IClassFactory> factory;
    if (getClassObject == nullptr ||
        FAILED(getClassObject(kClsidShockwaveFlash, IID_IClassFactory, factory.putVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IUnknown, object_.putVoid())))
        return false;

    for (auto& slot : versions_) object_->QueryInterface(kIidShockwaveFlash, slot.putVoid());
    if (IShockwaveFlash* flash = ForVersion(MajorVersion())) {
        const wchar_t* wmode = mode_ == HostMode::Opaque        ? L"Opaque"
                               : mode_ == HostMode::Transparent ? L"Transparent"
                                                                : L"Window";
        Bstr text(wmode);
        flash->put_WMode(text.get());
    }

    platform::ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, points.putVoid())) &&
        SUCCEEDED(points->FindConnectionPoint(kDiidShockwaveFlashEvents, eventPoint_.put())))
        advised_ = SUCCEEDED(eventPoint_->Advise(static_cast<IDispatch*>(this), &eventCookie_));

    DWORD status = 0;
    if (SUCCEEDED(object_->QueryInterface(IID_IOleObject, oleObject_.putVoid()))) {
        oleObject_->GetMiscStatus(DVASPECT_CONTENT, &status);
        oleObject_->SetClientSite(static_cast<IOleClientSite*>(this));
    }
    if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObjectWindowless, windowless_.putVoid()))) capability_ = 7;
    object_->QueryInterface(IID_IOleInPlaceObject, inPlace_.putVoid());
    platform::ComPtr<IViewObject2> view2;
    if (SUCCEEDED(object_->QueryInterface(IID_IViewObject2, view2.putVoid()))) {
        capability_ = std::max(capability_, 3);
    } else if (SUCCEEDED(object_->QueryInterface(IID_IViewObject, view_.putVoid()))) {
        capability_ = std::max(capability_, 1);
    }
    if (view2) object_->QueryInterface(IID_IViewObject, view_.putVoid());

    if (oleObject_ && !(status & OLEMISC_INVISIBLEATRUNTIME)) ActivateInPlace(creation);

    platform::ComPtr<IObjectWithSite> withSite;
    if (SUCCEEDED(object_->QueryInterface(IID_IObjectWithSite, withSite.putVoid())))
        withSite->SetSite(static_cast<IOleClientSite*>(this));

    if (mode_ == HostMode::Windowed) {
        SubclassControlWindow();
    } else if (windowlessChild_) {
        SetTimer(window_, kRedrawTimer, 1, nullptr);
    }
    return true;
}

void FlashHost::ActivateInPlace(const CREATESTRUCTW& creation) {
    if (windowlessChild_) {
        objectRect_ = {creation.x, creation.y, creation.x + creation.cx, creation.y + creation.cy};
    } else {
        GetClientRect(window_, &objectRect_);
    }
    Resize(objectRect_.right - objectRect_.left, objectRect_.bottom - objectRect_.top);
    HWND parent = windowlessChild_ ? GetParent(window_) : window_;
    oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, parent, &objectRect_);
    RedrawWindow(GetParent(window_), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// The control's own window gets the context-menu switch too; otherwise a right click on
// it would open the menu the host swallows.
void FlashHost::SubclassControlWindow() {
    platform::ComPtr<IOleWindow> oleWindow;
    if (FAILED(object_->QueryInterface(IID_IOleWindow, oleWindow.putVoid())) ||
        FAILED(oleWindow->GetWindow(&controlWindow_)) || controlWindow_ == nullptr)
        return;
    if (!SetWindowSubclass(controlWindow_, ControlWindowProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        controlWindow_ = nullptr;
}

LRESULT CALLBACK FlashHost::ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* host = reinterpret_cast<FlashHost*>(data);
    if (host->SwallowsContextMenu(message, wParam)) return 0;
    if (message == WM_GETDLGCODE && (host->style_ & kWantAllKeysStyle)) return DLGC_WANTALLKEYS;
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, ControlWindowProc, kSubclassId);
        host->controlWindow_ = nullptr;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

bool FlashHost::SwallowsContextMenu(UINT message, WPARAM wParam) const {
    if (contextMenu_ != VARIANT_FALSE) return false;
    return message == WM_CONTEXTMENU || message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ||
           (message == WM_KEYDOWN && wParam == VK_APPS);
}

void FlashHost::Destroy() {
    KillTimer(window_, kRedrawTimer);
    if (controlWindow_ != nullptr) RemoveWindowSubclass(controlWindow_, ControlWindowProc, kSubclassId);
    if (advised_) eventPoint_->Unadvise(eventCookie_);
    advised_ = false;
    eventPoint_.reset();
    if (inPlace_) inPlace_->InPlaceDeactivate();
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    windowless_.reset();
    inPlace_.reset();
    view_.reset();
    oleObject_.reset();
    for (auto& slot : versions_) slot.reset();
    const bool hadObject = static_cast<bool>(object_);
    object_.reset();
    runtime_.movies().ForgetHost(window_);
    if (hadObject) runtime_.ObjectReleased();
}

IShockwaveFlash* FlashHost::ForVersion(int major) const {
    const int slot = std::clamp(major, 3, 8) - 3;
    return versions_[slot].get();
}

int FlashHost::MajorVersion() const {
    IShockwaveFlash* newest = versions_[std::size(versions_) - 1].get();
    long version = 0;
    if (newest == nullptr || FAILED(newest->FlashVersion(&version))) return 0;
    return FlashVersionMajor(version);
}

void FlashHost::Resize(int width, int height) {
    pixels_ = {width, height};
    himetric_ = {MulDiv(width, kHimetricPerInch, PixelsPerInch(window_, LOGPIXELSX)),
                 MulDiv(height, kHimetricPerInch, PixelsPerInch(window_, LOGPIXELSY))};
    if (!oleObject_) return;
    oleObject_->SetExtent(DVASPECT_CONTENT, &himetric_);
    SIZEL actual{};
    if (SUCCEEDED(oleObject_->GetExtent(DVASPECT_CONTENT, &actual))) {
        himetric_ = actual;
        pixels_ = {MulDiv(actual.cx, PixelsPerInch(window_, LOGPIXELSX), kHimetricPerInch),
                   MulDiv(actual.cy, PixelsPerInch(window_, LOGPIXELSY), kHimetricPerInch)};
    }
}

LRESULT FlashHost::LoadFromMemory(const MemoryMovieRecord* record, bool layered) {
    if (!object_ || record == nullptr) return 0;
    IShockwaveFlash* flash = ForVersion(MajorVersion());
    MemoryMovieStore::Movie movie;
    if (flash == nullptr || !runtime_.movies().Create(window_, movie)) return 0;
    // The bytes go in before the control learns the path, so that a control that opens
    // the movie at once already finds all of it.
    ULONG written = 0;
    if (record->data != nullptr && record->size != 0) movie.stream->Write(record->data, record->size, &written);
    const LARGE_INTEGER start{};
    movie.stream->Seek(start, STREAM_SEEK_SET, nullptr);
    Bstr unloading(kUnloadingUrl);
    Bstr path(movie.path.c_str());
    if (layered) {
        flash->LoadMovie(record->layer, unloading.get());
        flash->LoadMovie(record->layer, path.get());
    } else {
        flash->put_Movie(unloading.get());
        flash->put_Movie(path.get());
    }
    return 1;
}

LRESULT FlashHost::HandleFamily(UINT message, LPARAM lParam, bool& handled) {
    for (const TextProperty& property : kTextProperties) {
        if (message < property.first || message > property.first + 3) continue;
        handled = true;
        const UINT member = message - property.first;
        const int major = MajorVersion();
        IShockwaveFlash* flash = major >= property.lowestMajor ? ForVersion(major) : nullptr;
        if (member < 2) {
            const char* ansi = reinterpret_cast<PutTextRecord<char>*>(lParam)->text;
            const wchar_t* wide = reinterpret_cast<PutTextRecord<wchar_t>*>(lParam)->text;
            std::wstring text = member == 0 ? platform::AnsiToWide(ansi != nullptr ? ansi : "")
                                            : std::wstring(wide != nullptr ? wide : L"");
            HRESULT& result = member == 0 ? reinterpret_cast<PutTextRecord<char>*>(lParam)->result
                                          : reinterpret_cast<PutTextRecord<wchar_t>*>(lParam)->result;
            result = E_FAIL;
            Bstr value(text.c_str());
            if (flash != nullptr) result = (flash->*property.put)(value.get());
            return 0;
        }
        Bstr value;
        HRESULT result = flash != nullptr ? (flash->*property.get)(value.put()) : E_FAIL;
        const std::wstring text = SUCCEEDED(result) && value.get() != nullptr ? value.get() : L"";
        if (member == 2) {
            auto& record = *reinterpret_cast<GetTextRecord<char>*>(lParam);
            CopyOut(record, platform::WideToAnsi(text));
            record.result = result;
        } else {
            auto& record = *reinterpret_cast<GetTextRecord<wchar_t>*>(lParam);
            CopyOut(record, text);
            record.result = result;
        }
        return 0;
    }
    return 0;
}

LRESULT FlashHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: Create(*reinterpret_cast<const CREATESTRUCTW*>(lParam)); return 0;
    case WM_DESTROY: Destroy(); return 0;
    case WM_SIZE:
        objectRect_ = {0, 0, LOWORD(lParam), HIWORD(lParam)};
        Resize(LOWORD(lParam), HIWORD(lParam));
        if (inPlace_) inPlace_->SetObjectRects(&objectRect_, &objectRect_);
        if (mode_ != HostMode::Windowed) ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        if (mode_ != HostMode::Windowed) return 1;
        break;
    case WM_PAINT:
        if (mode_ != HostMode::Windowed && view_) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            RECTL bounds{objectRect_.left, objectRect_.top, objectRect_.right, objectRect_.bottom};
            view_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
            EndPaint(window_, &paint);
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == kRedrawTimer) {
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        if (style_ & kWantAllKeysStyle) return DLGC_WANTALLKEYS;
        break;
    case FHM_QUERY_INTERFACE: {
        auto& record = *reinterpret_cast<QueryInterfaceRecord*>(lParam);
        record.object = nullptr;
        record.result = object_ ? object_->QueryInterface(record.iid, &record.object) : E_POINTER;
        return 0;
    }
    case FHM_LOAD_MOVIE_FROM_MEMORY:
    case FHM_LOAD_MOVIE_FROM_MEMORY_LAYER:
        return LoadFromMemory(reinterpret_cast<const MemoryMovieRecord*>(lParam),
                              message == FHM_LOAD_MOVIE_FROM_MEMORY_LAYER);
    case FHM_SET_CONTEXT_MENU: contextMenu_ = *reinterpret_cast<const VARIANT_BOOL*>(lParam); return 0;
    case FHM_GET_CONTEXT_MENU: *reinterpret_cast<VARIANT_BOOL*>(lParam) = contextMenu_; return 0;
    case FHM_SET_RETURN_VALUE: {
        auto& record = *reinterpret_cast<PutTextRecord<wchar_t>*>(lParam);
        IShockwaveFlash* flash = ForVersion(MajorVersion());
        Bstr value(record.text);
        record.result = flash != nullptr ? flash->SetReturnValue(value.get()) : E_FAIL;
        return 0;
    }
    default: break;
    }
    bool handled = false;
    const LRESULT familyResult = HandleFamily(message, lParam, handled);
    if (handled) return familyResult;
    if (message == setListenerMessage_ && lParam != 0) {
        std::lock_guard guard(listenerLock_);
        listener_ = *reinterpret_cast<const EventListenerRecord*>(lParam);
        return 0;
    }
    if (message == getObjectMessage_ && lParam != 0) {
        *reinterpret_cast<FlashHost**>(lParam) = this;
        return 0;
    }
    if (message == WM_RBUTTONUP && contextMenu_ == VARIANT_FALSE) return 0;
    if (mode_ != HostMode::Windowed && windowless_ &&
        ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST))) {
        if (message == WM_KEYDOWN && wParam == VK_APPS && contextMenu_ == VARIANT_FALSE) return 0;
        LRESULT result = 0;
        if (windowless_->OnWindowMessage(message, wParam, lParam, &result) == S_OK) return result;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace flashhost
