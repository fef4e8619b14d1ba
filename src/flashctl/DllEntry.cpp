// The image's entry point and the two exports a host looks up by name.
#include "flashctl/FlashObject.h"
#include "flashctl/Module.h"
#include "flashctl/PaneWindow.h"
#include "flashhost/ShockwaveFlashInterfaces.h"

#include <new>

namespace flashctl {
namespace {

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // A single static factory: its references only count as server locks.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleAddRef();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleRelease();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        FlashObject* object = new (std::nothrow) FlashObject();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }
};

ClassFactory factory;

}  // namespace
}  // namespace flashctl

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // The window class is registered on first use, not here: the entry point may run under
    // a loader lock.
    if (reason == DLL_PROCESS_ATTACH) flashctl::SetModuleInstance(instance);
    if (reason == DLL_PROCESS_DETACH) flashctl::UnregisterPaneClass();
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, flashhost::kClsidShockwaveFlash)) return CLASS_E_CLASSNOTAVAILABLE;
    return flashctl::factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return flashctl::ModuleInUse() ? S_FALSE : S_OK; }
