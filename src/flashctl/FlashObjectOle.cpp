// The OLE embedding side of the control: the host's site, in-place activation of the
// pane, its size and drawing into a device context the host gives.
#include "flashctl/FlashObject.h"
#include "flashctl/PaneWindow.h"

#include "flashhost/ShockwaveFlashInterfaces.h"

namespace flashctl {

namespace {

// HIMETRIC (0.01 mm) for the pixels of a 96 dpi screen.
constexpr long kHimetricPerInch = 2540;
constexpr long kPixelsPerInch = 96;

long PixelsToHimetric(long pixels) { return MulDiv(pixels, kHimetricPerInch, kPixelsPerInch); }

}  // namespace

HRESULT FlashObject::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    if (clientSite_) clientSite_->Release();
    clientSite_ = site;
    return S_OK;
}

HRESULT FlashObject::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = clientSite_;
    if (clientSite_) clientSite_->AddRef();
    return S_OK;
}

HRESULT FlashObject::Close(DWORD) {
    InPlaceDeactivate();
    return S_OK;
}

HRESULT FlashObject::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT rect) {
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE: return ActivateInPlace(activeSite ? activeSite : clientSite_, parent, rect);
    case OLEIVERB_HIDE:
        if (pane_) ShowWindow(pane_, SW_HIDE);
        return S_OK;
    default: return OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT FlashObject::ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT rect) {
    if (pane_) {
        ShowWindow(pane_, SW_SHOW);
        return S_OK;
    }
    RECT position = rect ? *rect : RECT{0, 0, 0, 0};
    if (site && !inPlaceSite_ &&
        SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite_)))) {
        // Only an explicit "no" refuses; a site that does not implement the question lets us in.
        if (inPlaceSite_->CanInPlaceActivate() == S_FALSE) {
            inPlaceSite_->Release();
            inPlaceSite_ = nullptr;
            return E_FAIL;
        }
        inPlaceSite_->OnInPlaceActivate();
        // A site that knows its window and our place wins over the arguments of DoVerb.
        HWND siteWindow = nullptr;
        if (SUCCEEDED(inPlaceSite_->GetWindow(&siteWindow)) && siteWindow) parent = siteWindow;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT sitePosition{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        if (SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &document, &sitePosition, &clip, &frameInfo)) && !rect)
            position = sitePosition;
        if (frame) frame->Release();
        if (document) document->Release();
    }
    if (!parent) return E_INVALIDARG;
    pane_ = CreatePaneWindow(parent, position);
    if (!pane_) return E_FAIL;
    presenter_ = std::make_unique<MoviePresenter>(pane_);
    presenter_->SetHostAllowsFullScreen(allowFullScreen_);
    presenter_->SetLoadedCallback([this](bool shown) { OnMovieLoaded(shown); });
    AttachPresenter(pane_, presenter_.get());
    RequestLoad();
    return S_OK;
}

HRESULT FlashObject::InPlaceDeactivate() {
    if (!pane_) return S_OK;
    AttachPresenter(pane_, nullptr);
    presenter_.reset();
    DestroyWindow(pane_);
    pane_ = nullptr;
    if (inPlaceSite_) {
        inPlaceSite_->OnInPlaceDeactivate();
        inPlaceSite_->Release();
        inPlaceSite_ = nullptr;
    }
    return S_OK;
}

HRESULT FlashObject::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = flashhost::kClsidShockwaveFlash;
    return S_OK;
}

HRESULT FlashObject::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *size;
    return S_OK;
}

HRESULT FlashObject::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

HRESULT FlashObject::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

HRESULT FlashObject::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = pane_;
    return pane_ ? S_OK : E_FAIL;
}

HRESULT FlashObject::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    extent_ = {PixelsToHimetric(position->right - position->left), PixelsToHimetric(position->bottom - position->top)};
    if (pane_)
        SetWindowPos(pane_, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT FlashObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC draw, LPCRECTL bounds, LPCRECTL,
                          BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!draw || !bounds) return E_INVALIDARG;
    if (!presenter_) return OLE_E_BLANK;
    const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
    presenter_->Paint(draw, area);
    return S_OK;
}

HRESULT FlashObject::SetAdvise(DWORD, DWORD, IAdviseSink* sink) {
    if (sink) sink->AddRef();
    if (viewSink_) viewSink_->Release();
    viewSink_ = sink;
    return S_OK;
}

HRESULT FlashObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = DVASPECT_CONTENT;
    if (flags) *flags = 0;
    if (sink) {
        *sink = viewSink_;
        if (viewSink_) viewSink_->AddRef();
    }
    return S_OK;
}

HRESULT FlashObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

}  // namespace flashctl
