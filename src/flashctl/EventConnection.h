#pragma once
// The one connection point of the control: hosts advise a sink for the events of
// _IShockwaveFlashEvents and receive them through IDispatch::Invoke.
#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

namespace flashctl {

class EventConnection final : public IConnectionPoint {
public:
    // `container` owns this connection point and lends it its reference count.
    explicit EventConnection(IConnectionPointContainer* container) : container_(container) {}
    ~EventConnection();
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_->Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

    // Calls every sink; `arguments` are in the order of the event's parameters.
    void Fire(DISPID event, std::vector<VARIANT> arguments);
    void FireLong(DISPID event, long value);

private:
    IConnectionPointContainer* container_;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD nextCookie_ = 1;
};

}  // namespace flashctl
