// The host's side of the COM conversation: the container interfaces the control calls
// back on, and the sink that turns its events into notifications for the owner.
#include "flashhost/FlashHost.h"

#include "platform/AnsiText.h"

#include <cwchar>
#include <string>

namespace flashhost {

namespace {

// A movie asks this to learn whether it runs inside our host; the host answers itself.
constexpr wchar_t kHandshakeRequest[] = L"{8533542B-B75B-417a-A972-3AD945F14852}";
constexpr wchar_t kHandshakeAnswer[] = L"<string>{242DF42C-A9ED-4209-B1E2-FD3633BAEEE7}</string>";

struct EventName {
    const wchar_t* name;
    DISPID id;
};
const EventName kEvents[] = {
    {L"FSCommand", kDispidFSCommand},
    {L"OnProgress", kDispidOnProgress},
    {L"OnReadyStateChange", kDispidOnReadyStateChange},
    {L"FlashCall", kDispidFlashCall},
};

// Arguments arrive last first; a missing or non-text one reads as empty.
const wchar_t* TextArgument(const DISPPARAMS* parameters, UINT index) {
    if (parameters == nullptr || index >= parameters->cArgs) return L"";
    const VARIANT& argument = parameters->rgvarg[parameters->cArgs - 1 - index];
    if (argument.vt == VT_BSTR && argument.bstrVal != nullptr) return argument.bstrVal;
    if (argument.vt == (VT_BSTR | VT_BYREF) && argument.pbstrVal != nullptr && *argument.pbstrVal != nullptr)
        return *argument.pbstrVal;
    return L"";
}

long NumberArgument(const DISPPARAMS* parameters) {
    if (parameters == nullptr || parameters->cArgs == 0) return 0;
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &parameters->rgvarg[parameters->cArgs - 1], 0, VT_I4))) return 0;
    return number.lVal;
}

}  // namespace

STDMETHODIMP FlashHost::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx ||
               iid == IID_IOleInPlaceSiteWindowless) {
        *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IDispatch || iid == kDiidShockwaveFlashEvents) {
        *object = static_cast<IDispatch*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FlashHost::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) FlashHost::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP FlashHost::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FlashHost::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = windowlessChild_ ? GetParent(window_) : window_;
    return S_OK;
}

STDMETHODIMP FlashHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                         LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = objectRect_;
    *clip = objectRect_;
    if (info != nullptr) {
        info->fMDIApp = FALSE;
        info->hwndFrame = GetParent(window_) != nullptr ? GetParent(window_) : window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP FlashHost::OnInPlaceActivateEx(BOOL* noRedraw, DWORD) {
    if (noRedraw != nullptr) *noRedraw = FALSE;
    return S_OK;
}

STDMETHODIMP FlashHost::CanWindowlessActivate() { return mode_ == HostMode::Windowed ? S_FALSE : S_OK; }

STDMETHODIMP FlashHost::GetCapture() { return ::GetCapture() == window_ ? S_OK : S_FALSE; }

STDMETHODIMP FlashHost::SetCapture(BOOL capture) {
    if (capture) {
        ::SetCapture(window_);
    } else if (::GetCapture() == window_) {
        ReleaseCapture();
    }
    return S_OK;
}

STDMETHODIMP FlashHost::GetFocus() { return ::GetFocus() == window_ ? S_OK : S_FALSE; }

STDMETHODIMP FlashHost::SetFocus(BOOL focus) {
    if (focus) ::SetFocus(window_);
    return S_OK;
}

STDMETHODIMP FlashHost::GetDC(LPCRECT, DWORD, HDC* dc) {
    if (dc == nullptr) return E_POINTER;
    *dc = ::GetDC(window_);
    return *dc != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP FlashHost::ReleaseDC(HDC dc) {
    ::ReleaseDC(window_, dc);
    return S_OK;
}

STDMETHODIMP FlashHost::InvalidateRect(LPCRECT rect, BOOL erase) {
    ::InvalidateRect(window_, rect, erase);
    return S_OK;
}

STDMETHODIMP FlashHost::InvalidateRgn(HRGN region, BOOL erase) {
    ::InvalidateRgn(window_, region, erase);
    return S_OK;
}

STDMETHODIMP FlashHost::OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (result != nullptr) *result = DefWindowProcW(window_, message, wParam, lParam);
    return S_OK;
}

STDMETHODIMP FlashHost::GetTypeInfoCount(UINT* count) {
    if (count != nullptr) *count = 0;
    return S_OK;
}

STDMETHODIMP FlashHost::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const EventName& event : kEvents) {
            if (names[i] != nullptr && std::wcscmp(names[i], event.name) == 0) ids[i] = event.id;
        }
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

STDMETHODIMP FlashHost::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) {
    const UINT_PTR controlId = static_cast<UINT_PTR>(GetDlgCtrlID(window_));
    switch (id) {
    case kDispidFSCommand: {
        const wchar_t* command = TextArgument(parameters, 0);
        const wchar_t* arguments = TextArgument(parameters, 1);
        FsCommandNotification<wchar_t> wide{{window_, controlId, FHN_FSCOMMAND}, command, arguments};
        Notify(wide.header);
        const std::string ansiCommand = platform::WideToAnsi(command);
        const std::string ansiArguments = platform::WideToAnsi(arguments);
        FsCommandNotification<char> ansi{
            {window_, controlId, FHN_FSCOMMAND_A}, ansiCommand.c_str(), ansiArguments.c_str()};
        Notify(ansi.header);
        return S_OK;
    }
    case kDispidOnProgress:
    case kDispidOnReadyStateChange: {
        ValueNotification value{{window_, controlId, id == kDispidOnProgress ? FHN_PROGRESS : FHN_READYSTATE},
                                NumberArgument(parameters)};
        Notify(value.header);
        return S_OK;
    }
    case kDispidFlashCall: {
        const wchar_t* request = TextArgument(parameters, 0);
        if (std::wcsstr(request, kHandshakeRequest) != nullptr) {
            if (IShockwaveFlash* flash = ForVersion(MajorVersion())) {
                BSTR answer = SysAllocString(kHandshakeAnswer);
                flash->SetReturnValue(answer);
                SysFreeString(answer);
            }
            return S_OK;
        }
        FlashCallNotification<wchar_t> wide{{window_, controlId, FHN_FLASHCALL}, request};
        Notify(wide.header);
        const std::string ansiRequest = platform::WideToAnsi(request);
        FlashCallNotification<char> ansi{{window_, controlId, FHN_FLASHCALL_A}, ansiRequest.c_str()};
        Notify(ansi.header);
        return S_OK;
    }
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

void FlashHost::Notify(NMHDR& header) {
    if (HWND parent = GetParent(window_))
        SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    std::lock_guard guard(listenerLock_);
    if (listener_.listener != nullptr) listener_.listener(listener_.userData, header);
}

}  // namespace flashhost
