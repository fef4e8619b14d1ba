#pragma once
// The published COM surface of the embedded player control, shared by the host (which
// calls it) and by our own control (which implements it). The vtable order below is the
// binary contract: the host calls members through the interface, never through
// IDispatch, so a member out of place calls the wrong function. Keep the order.
#include <objbase.h>
#include <oaidl.h>

namespace flashhost {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}
inline constexpr CLSID kClsidShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}
inline constexpr IID kIidShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}: a dispatch-only (source) interface.
inline constexpr IID kDiidShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Dispatch ids of the events, delivered through IDispatch::Invoke on the advised sink.
inline constexpr DISPID kDispidOnReadyStateChange = -609;  // (long newState)
inline constexpr DISPID kDispidOnProgress = 1958;          // (long percentDone)
inline constexpr DISPID kDispidFSCommand = 150;            // (BSTR command, BSTR args)
inline constexpr DISPID kDispidFlashCall = 197;            // (BSTR request)

// FlashVersion answers the major version in bits 16-23, the minor in bits 8-15 and the
// build in bits 0-7 (so 9.0.28 reads 0x0009001C).
constexpr long PackFlashVersion(int major, int minor, int build) {
    return static_cast<long>((major & 0xFF) << 16 | (minor & 0xFF) << 8 | (build & 0xFF));
}
constexpr int FlashVersionMajor(long version) { return (version >> 16) & 0xFF; }

}  // namespace flashhost

// Declared in the global namespace under its published name, like any system interface.
MIDL_INTERFACE("D27CDB6C-AE6D-11CF-96B8-444553540000")
IShockwaveFlash : public IDispatch {
public:
    virtual HRESULT STDMETHODCALLTYPE get_ReadyState(long* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TotalFrames(long* frames) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL * playing) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL playing) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Quality(int* quality) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Quality(int quality) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ScaleMode(int* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ScaleMode(int mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AlignMode(int* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AlignMode(int mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* color) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BackgroundColor(long color) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL * loop) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL loop) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Movie(BSTR * movie) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Movie(BSTR movie) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FrameNum(long* frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FrameNum(long frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetZoomRect(long left, long top, long right, long bottom) = 0;
    virtual HRESULT STDMETHODCALLTYPE Zoom(int factor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Pan(long x, long y, int mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Play() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Back() = 0;
    virtual HRESULT STDMETHODCALLTYPE Forward() = 0;
    virtual HRESULT STDMETHODCALLTYPE Rewind() = 0;
    virtual HRESULT STDMETHODCALLTYPE StopPlay() = 0;
    virtual HRESULT STDMETHODCALLTYPE GotoFrame(long frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE CurrentFrame(long* frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL * playing) = 0;
    virtual HRESULT STDMETHODCALLTYPE PercentLoaded(long* percent) = 0;
    virtual HRESULT STDMETHODCALLTYPE FrameLoaded(long frame, VARIANT_BOOL* loaded) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlashVersion(long* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WMode(BSTR * mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WMode(BSTR mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SAlign(BSTR * align) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SAlign(BSTR align) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL * menu) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL menu) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Base(BSTR * base) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Base(BSTR base) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Scale(BSTR * scale) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Scale(BSTR scale) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL * deviceFont) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL deviceFont) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL * embed) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL embed) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BGColor(BSTR * color) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BGColor(BSTR color) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Quality2(BSTR * quality) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Quality2(BSTR quality) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) = 0;
    virtual HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, long frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) = 0;
    virtual HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, long* frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR * label) = 0;
    virtual HRESULT STDMETHODCALLTYPE TPlay(BSTR target) = 0;
    virtual HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR * value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TSetProperty(BSTR target, int property, BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TGetProperty(BSTR target, int property, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TCallFrame(BSTR target, int frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE TCallLabel(BSTR target, BSTR label) = 0;
    virtual HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR target, int property, double value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR target, int property, double* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR target, int property, double* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR * remote) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR remote) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR * vars) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR vars) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR * access) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR access) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MovieData(BSTR * data) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MovieData(BSTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown * *data) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown * data) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL * seamless) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL seamless) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL * profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR * address) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR address) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProfilePort(long* port) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ProfilePort(long port) = 0;
    virtual HRESULT STDMETHODCALLTYPE CallFunction(BSTR request, BSTR * response) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR returnValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableLocalSecurity() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR * networking) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR networking) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR * allow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR allow) = 0;
};

#ifdef __CRT_UUID_DECL
// Lets mingw's __uuidof and IID_PPV_ARGS name the interface.
__CRT_UUID_DECL(IShockwaveFlash, 0xD27CDB6C, 0xAE6D, 0x11CF, 0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00)
#endif
