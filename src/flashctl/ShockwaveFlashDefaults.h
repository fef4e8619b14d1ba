#pragma once
// Every member of IShockwaveFlash answering E_NOTIMPL, and IDispatch without a type
// library: the control overrides only the members a host of ours calls, and any other
// caller learns plainly that a member is not there.
#include "flashhost/ShockwaveFlashInterfaces.h"

namespace flashctl {

class ShockwaveFlashDefaults : public IShockwaveFlash {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE get_ReadyState(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TotalFrames(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Quality(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Quality(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ScaleMode(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ScaleMode(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AlignMode(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AlignMode(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BackgroundColor(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_BackgroundColor(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Movie(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Movie(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FrameNum(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_FrameNum(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetZoomRect(long, long, long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Zoom(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pan(long, long, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Play() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Back() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Forward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Rewind() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StopPlay() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GotoFrame(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CurrentFrame(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PercentLoaded(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FrameLoaded(long, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FlashVersion(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_WMode(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_WMode(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SAlign(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SAlign(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Base(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Base(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Scale(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Scale(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BGColor(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_BGColor(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Quality2(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Quality2(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadMovie(int, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TPlay(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TStopPlay(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVariable(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVariable(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TSetProperty(BSTR, int, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGetProperty(BSTR, int, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCallFrame(BSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TCallLabel(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TSetPropertyNum(BSTR, int, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGetPropertyNum(BSTR, int, double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(BSTR, int, double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SWRemote(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SWRemote(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FlashVars(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_FlashVars(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AllowScriptAccess(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AllowScriptAccess(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MovieData(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_MovieData(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_InlineData(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_InlineData(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SeamlessTabbing(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_SeamlessTabbing(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnforceLocalSecurity() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Profile(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Profile(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ProfileAddress(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ProfileAddress(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ProfilePort(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ProfilePort(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CallFunction(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReturnValue(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisableLocalSecurity() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AllowNetworking(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AllowNetworking(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AllowFullScreen(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AllowFullScreen(BSTR) override { return E_NOTIMPL; }
};

}  // namespace flashctl
