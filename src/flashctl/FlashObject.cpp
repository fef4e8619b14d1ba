#include "flashctl/FlashObject.h"

#include "flashhost/ShockwaveFlashInterfaces.h"

#include <cwctype>

namespace flashctl {

namespace {

// What FlashVersion answers: a host gates full screen on 9.0.28 and FlashVars on 7.
constexpr long kVersion = flashhost::PackFlashVersion(9, 0, 28);
constexpr long kReadyStateLoading = 0;
constexpr long kReadyStateComplete = 4;

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out || text.empty() ? S_OK : E_OUTOFMEMORY;
}

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

bool IsTrueText(const std::wstring& text) {
    if (text.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::towlower(static_cast<wint_t>(text[i])) != L"true"[i]) return false;
    return true;
}

}  // namespace

FlashObject::FlashObject() = default;

FlashObject::~FlashObject() {
    InPlaceDeactivate();
    if (clientSite_) clientSite_->Release();
    if (site_) site_->Release();
    if (viewSink_) viewSink_->Release();
}

HRESULT FlashObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, flashhost::kIidShockwaveFlash))
        *out = static_cast<IShockwaveFlash*>(this);
    else if (IsEqualIID(iid, IID_IOleObject))
        *out = static_cast<IOleObject*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject))
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2))
        *out = static_cast<IViewObject2*>(this);
    else if (IsEqualIID(iid, IID_IConnectionPointContainer))
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(iid, IID_IObjectWithSite))
        *out = static_cast<IObjectWithSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG FlashObject::AddRef() { return ++references_; }

ULONG FlashObject::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT FlashObject::get_ReadyState(long* state) {
    if (!state) return E_POINTER;
    *state = readyState_;
    return S_OK;
}

HRESULT FlashObject::get_TotalFrames(long* frames) {
    if (!frames) return E_POINTER;
    *frames = presenter_ ? presenter_->frameCount() : 0;
    return S_OK;
}

HRESULT FlashObject::get_Playing(VARIANT_BOOL* playing) { return IsPlaying(playing); }

HRESULT FlashObject::put_Playing(VARIANT_BOOL playing) { return playing ? Play() : StopPlay(); }

HRESULT FlashObject::get_BackgroundColor(long* color) {
    if (!color) return E_POINTER;
    const COLORREF rgb = presenter_ ? presenter_->background() : RGB(255, 255, 255);
    *color = static_cast<long>(GetRValue(rgb) << 16 | GetGValue(rgb) << 8 | GetBValue(rgb));
    return S_OK;
}

HRESULT FlashObject::get_Movie(BSTR* movie) { return ReturnText(movie_, movie); }

HRESULT FlashObject::put_Movie(BSTR movie) {
    movie_ = TextOf(movie);
    readyState_ = kReadyStateLoading;
    RequestLoad();
    return S_OK;
}

HRESULT FlashObject::Play() {
    if (presenter_) presenter_->Play();
    return S_OK;
}

HRESULT FlashObject::Stop() { return StopPlay(); }

HRESULT FlashObject::StopPlay() {
    if (presenter_) presenter_->Pause();
    return S_OK;
}

HRESULT FlashObject::CurrentFrame(long* frame) {
    if (!frame) return E_POINTER;
    *frame = presenter_ ? presenter_->currentFrame() : -1;
    return S_OK;
}

HRESULT FlashObject::IsPlaying(VARIANT_BOOL* playing) {
    if (!playing) return E_POINTER;
    *playing = presenter_ && presenter_->playing() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT FlashObject::PercentLoaded(long* percent) {
    if (!percent) return E_POINTER;
    *percent = readyState_ == kReadyStateComplete ? 100 : 0;
    return S_OK;
}

HRESULT FlashObject::FlashVersion(long* version) {
    if (!version) return E_POINTER;
    *version = kVersion;
    return S_OK;
}

HRESULT FlashObject::get_WMode(BSTR* mode) { return ReturnText(windowMode_, mode); }

HRESULT FlashObject::put_WMode(BSTR mode) {
    // Only the windowed mode is drawn; the other modes are remembered for the host.
    windowMode_ = TextOf(mode);
    return S_OK;
}

HRESULT FlashObject::get_Menu(VARIANT_BOOL* menu) {
    if (!menu) return E_POINTER;
    *menu = menu_;
    return S_OK;
}

HRESULT FlashObject::put_Menu(VARIANT_BOOL menu) {
    menu_ = menu;
    return S_OK;
}

HRESULT FlashObject::get_Base(BSTR* base) { return ReturnText(base_, base); }

HRESULT FlashObject::put_Base(BSTR base) {
    base_ = TextOf(base);
    return S_OK;
}

HRESULT FlashObject::LoadMovie(int layer, BSTR url) {
    // Only the main movie is shown; a layer above it has nothing of ours to play.
    return layer == 0 ? put_Movie(url) : E_NOTIMPL;
}

HRESULT FlashObject::GetVariable(BSTR name, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!presenter_) return E_FAIL;
    return ReturnText(presenter_->Variable(TextOf(name)), value);
}

HRESULT FlashObject::get_FlashVars(BSTR* vars) { return ReturnText(flashVars_, vars); }

HRESULT FlashObject::put_FlashVars(BSTR vars) {
    flashVars_ = TextOf(vars);
    return S_OK;
}

HRESULT FlashObject::get_AllowScriptAccess(BSTR* access) { return ReturnText(scriptAccess_, access); }

HRESULT FlashObject::put_AllowScriptAccess(BSTR access) {
    scriptAccess_ = TextOf(access);
    return S_OK;
}

HRESULT FlashObject::SetReturnValue(BSTR) {
    // Our movies never call out to the host, so there is no request to answer.
    return S_OK;
}

HRESULT FlashObject::get_AllowFullScreen(BSTR* allow) {
    return ReturnText(allowFullScreen_ ? L"true" : L"false", allow);
}

HRESULT FlashObject::put_AllowFullScreen(BSTR allow) {
    allowFullScreen_ = IsTrueText(TextOf(allow));
    if (presenter_) presenter_->SetHostAllowsFullScreen(allowFullScreen_);
    return S_OK;
}

void FlashObject::RequestLoad() {
    if (presenter_ && !movie_.empty()) presenter_->RequestLoad(movie_, flashVars_, allowFullScreen_);
}

void FlashObject::OnMovieLoaded(bool shown) {
    if (!shown) return;
    // The host may release us from inside its handler: stay alive until we return.
    AddRef();
    readyState_ = kReadyStateComplete;
    events_.FireLong(flashhost::kDispidOnProgress, 100);
    events_.FireLong(flashhost::kDispidOnReadyStateChange, kReadyStateComplete);
    Release();
}

HRESULT FlashObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FlashObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, flashhost::kDiidShockwaveFlashEvents)) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    events_.AddRef();
    return S_OK;
}

HRESULT FlashObject::SetSite(IUnknown* site) {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT FlashObject::GetSite(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return site_ ? site_->QueryInterface(iid, out) : E_FAIL;
}

}  // namespace flashctl
