#include "flashctl/EventConnection.h"

#include "flashhost/ShockwaveFlashInterfaces.h"

#include <algorithm>

namespace flashctl {

EventConnection::~EventConnection() {
    for (auto& [cookie, sink] : sinks_) sink->Release();
}

HRESULT EventConnection::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT EventConnection::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = flashhost::kDiidShockwaveFlashEvents;
    return S_OK;
}

HRESULT EventConnection::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = container_;
    container_->AddRef();
    return S_OK;
}

HRESULT EventConnection::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    // A sink may answer only for the event interface, or only as a plain IDispatch.
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(flashhost::kDiidShockwaveFlashEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, dispatch);
    return S_OK;
}

HRESULT EventConnection::Unadvise(DWORD cookie) {
    const auto found =
        std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& entry) { return entry.first == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = found->second;
    sinks_.erase(found);
    sink->Release();
    return S_OK;
}

HRESULT EventConnection::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

void EventConnection::Fire(DISPID event, std::vector<VARIANT> arguments) {
    // DISPPARAMS lists arguments last to first.
    std::reverse(arguments.begin(), arguments.end());
    DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    // A sink may unadvise from inside its handler: call a copy, each sink kept alive.
    auto sinks = sinks_;
    for (auto& [cookie, sink] : sinks) sink->AddRef();
    for (auto& [cookie, sink] : sinks) {
        sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

void EventConnection::FireLong(DISPID event, long value) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = value;
    Fire(event, {argument});
}

}  // namespace flashctl
