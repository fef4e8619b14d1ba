#pragma once
// One host window and the control object it embeds. The host is the control's whole
// container: client site, in-place site (windowless too) and frame, and the sink of its
// events. The window's owner drives it with the messages of FlashHostApi.h.
#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include "flashhost/FlashHostApi.h"
#include "flashhost/ShockwaveFlashInterfaces.h"
#include "platform/ComPtr.h"

#include <mutex>
#include <string>

namespace flashhost {

class FlashRuntime;

enum class HostMode { Windowed, Transparent, Opaque };

// The mode that creation styles select: bit 0x10 opaque, WS_EX_LAYERED or bit 0x01
// transparent, windowed otherwise.
HostMode ModeFromStyles(DWORD style, DWORD exStyle);

class FlashHost final : public IOleClientSite,
                        public IOleInPlaceSiteWindowless,
                        public IOleInPlaceFrame,
                        public IDispatch {
public:
    FlashHost(FlashRuntime& runtime, HWND window);

    // The host object of a host window, or null.
    static FlashHost* FromWindow(HWND window);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::wstring Base();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow (for the in-place site and the frame alike)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return S_OK; }
    STDMETHODIMP RequestUIActivate() override { return S_OK; }
    // IOleInPlaceSiteWindowless
    STDMETHODIMP CanWindowlessActivate() override;
    STDMETHODIMP GetCapture() override;
    STDMETHODIMP SetCapture(BOOL capture) override;
    STDMETHODIMP GetFocus() override;
    STDMETHODIMP SetFocus(BOOL focus) override;
    STDMETHODIMP GetDC(LPCRECT, DWORD, HDC* dc) override;
    STDMETHODIMP ReleaseDC(HDC dc) override;
    STDMETHODIMP InvalidateRect(LPCRECT rect, BOOL erase) override;
    STDMETHODIMP InvalidateRgn(HRGN region, BOOL erase) override;
    STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
    STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
    STDMETHODIMP OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    // IDispatch: the sink of the control's events
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ~FlashHost() = default;

    bool Create(const CREATESTRUCTW& creation);
    void Destroy();
    void ActivateInPlace(const CREATESTRUCTW& creation);
    void SubclassControlWindow();
    static LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR data);
    bool SwallowsContextMenu(UINT message, WPARAM wParam) const;

    LRESULT LoadFromMemory(const MemoryMovieRecord* record, bool layered);
    // The interface kept for the control's major version; null without an object.
    IShockwaveFlash* ForVersion(int major) const;
    int MajorVersion() const;
    LRESULT HandleFamily(UINT message, LPARAM lParam, bool& handled);
    void Resize(int width, int height);
    void Notify(NMHDR& header);
    void OnFlashCall(BSTR request);

    LONG references_ = 1;
    FlashRuntime& runtime_;
    HWND window_;
    HostMode mode_ = HostMode::Windowed;
    DWORD style_ = 0;
    bool windowlessChild_ = false;
    RECT objectRect_{};
    SIZE pixels_{};
    SIZEL himetric_{};

    platform::ComPtr<IUnknown> object_;
    // One slot per major version: 3, 4, 5, 6, 7, 8 and later.
    platform::ComPtr<IShockwaveFlash> versions_[6];
    platform::ComPtr<IOleObject> oleObject_;
    platform::ComPtr<IViewObject> view_;
    platform::ComPtr<IOleInPlaceObject> inPlace_;
    platform::ComPtr<IOleInPlaceObjectWindowless> windowless_;
    int capability_ = 0;
    platform::ComPtr<IConnectionPoint> eventPoint_;
    DWORD eventCookie_ = 0;
    bool advised_ = false;
    VARIANT_BOOL contextMenu_ = VARIANT_FALSE;
    HWND controlWindow_ = nullptr;

    std::mutex listenerLock_;
    EventListenerRecord listener_{};
    BYTE alpha_[2] = {255, 255};
    FARPROC updateLayeredWindow_ = nullptr;
    UINT setListenerMessage_ = 0;
    UINT getObjectMessage_ = 0;
};

}  // namespace flashhost
