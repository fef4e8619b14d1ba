// A stand-in player control for the host tests, built into loader_probe.dll: it records
// what the host sets, reports a version the test chooses, reads in-memory movies through
// CreateFileW, opens a window that asks for a context menu on right clicks, and fires
// events into the advised sink on request.
#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>
#include <olectl.h>

#include "flashctl/ShockwaveFlashDefaults.h"

#include <string>

namespace {

long reportedVersion = flashhost::PackFlashVersion(9, 0, 28);
LONG menuRequests = 0;
std::wstring lastMovie, lastFlashVars, lastReturnValue, lastFullScreen;
LONG lastMovieBytes = -1;
IDispatch* sink = nullptr;
HWND controlWindow = nullptr;
LONG objects = 0;

std::wstring Text(BSTR text) { return text != nullptr ? text : L""; }

HRESULT Copy(const std::wstring& text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocString(text.c_str());
    return S_OK;
}

LONG ReadMovieSize(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    char buffer[4096];
    LONG total = 0;
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) total += static_cast<LONG>(read);
    CloseHandle(file);
    return total;
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        ++menuRequests;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class EventPoint : public IConnectionPoint {
public:
    explicit EventPoint(IConnectionPointContainer* owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return *object = nullptr, E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        *iid = flashhost::kDiidShockwaveFlashEvents;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
        *container = owner_;
        owner_->AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* listener, DWORD* cookie) override {
        if (sink != nullptr || FAILED(listener->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
            return CONNECT_E_ADVISELIMIT;
        *cookie = 1;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD) override {
        if (sink == nullptr) return CONNECT_E_NOCONNECTION;
        sink->Release();
        sink = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    IConnectionPointContainer* owner_;
};

class ProbeFlash final : public flashctl::ShockwaveFlashDefaults,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IConnectionPointContainer {
public:
    ProbeFlash() : point_(this) { InterlockedIncrement(&objects); }
    virtual ~ProbeFlash() { InterlockedDecrement(&objects); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IUnknown || iid == flashhost::kIidShockwaveFlash || iid == IID_IDispatch)
            *object = static_cast<IShockwaveFlash*>(this);
        else if (iid == IID_IOleObject)
            *object = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)
            *object = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *object = static_cast<IConnectionPointContainer*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // The members the host uses.
    HRESULT STDMETHODCALLTYPE get_Movie(BSTR* movie) override { return Copy(lastMovie, movie); }
    HRESULT STDMETHODCALLTYPE put_Movie(BSTR movie) override {
        lastMovie = Text(movie);
        lastMovieBytes = ReadMovieSize(lastMovie);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FlashVersion(long* version) override {
        *version = reportedVersion;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_WMode(BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR* vars) override { return Copy(lastFlashVars, vars); }
    HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR vars) override {
        lastFlashVars = Text(vars);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Base(BSTR* base) override { return Copy(L"", base); }
    HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR value) override {
        lastReturnValue = Text(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR allow) override {
        lastFullScreen = Text(allow);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadMovie(int, BSTR url) override { return put_Movie(url); }
    // IOleObject: enough for a client site and in-place activation.
    STDMETHODIMP SetClientSite(IOleClientSite*) override { return S_OK; }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        if (controlWindow != nullptr) DestroyWindow(controlWindow);
        controlWindow = nullptr;
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) override {
        WNDCLASSEXA record{};
        record.cbSize = sizeof record;
        record.lpfnWndProc = ControlWindowProc;
        record.lpszClassName = "ProbeControlWindow";
        RegisterClassExA(&record);
        controlWindow =
            CreateWindowExA(0, "ProbeControlWindow", "", WS_CHILD | WS_VISIBLE, rect->left, rect->top,
                            rect->right - rect->left, rect->bottom - rect->top, parent, nullptr, nullptr, nullptr);
        return controlWindow != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* id) override {
        *id = flashhost::kClsidShockwaveFlash;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
        extent_ = *size;
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        *size = extent_;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        *status = 0;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = controlWindow;
        return controlWindow != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        if (controlWindow != nullptr)
            MoveWindow(controlWindow, position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (iid != flashhost::kDiidShockwaveFlashEvents) return *point = nullptr, CONNECT_E_NOCONNECTION;
        *point = &point_;
        AddRef();
        return S_OK;
    }

private:
    LONG references_ = 1;
    SIZEL extent_{};
    EventPoint point_;
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* flash = new ProbeFlash;
        const HRESULT result = flash->QueryInterface(iid, object);
        flash->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory factory;

HRESULT Fire(DISPID id, VARIANT* arguments, UINT count) {
    if (sink == nullptr) return E_FAIL;
    DISPPARAMS parameters{arguments, nullptr, count, 0};
    return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (clsid != flashhost::kClsidShockwaveFlash) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, object);
}

__declspec(dllexport) void ControlSetVersion(long version) { reportedVersion = version; }
__declspec(dllexport) LONG ControlMenuRequests() { return menuRequests; }
__declspec(dllexport) LONG ControlObjects() { return objects; }
__declspec(dllexport) LONG ControlMovieBytes() { return lastMovieBytes; }
__declspec(dllexport) const wchar_t* ControlText(int which) {
    const std::wstring* texts[] = {&lastMovie, &lastFlashVars, &lastReturnValue, &lastFullScreen};
    return texts[which]->c_str();
}
// Fires FSCommand (with an argument text) or FlashCall (without).
__declspec(dllexport) HRESULT ControlFire(const wchar_t* first, const wchar_t* second) {
    VARIANT arguments[2];
    for (VARIANT& argument : arguments) VariantInit(&argument);
    // Arguments go last first.
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = SysAllocString(first);
    HRESULT result;
    if (second != nullptr) {
        arguments[0].vt = VT_BSTR;
        arguments[0].bstrVal = SysAllocString(second);
        result = Fire(flashhost::kDispidFSCommand, arguments, 2);
    } else {
        result = Fire(flashhost::kDispidFlashCall, &arguments[1], 1);
    }
    for (VARIANT& argument : arguments) VariantClear(&argument);
    return result;
}
}
