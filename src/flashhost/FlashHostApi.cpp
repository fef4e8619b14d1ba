#include "flashhost/FlashHostApi.h"

#include "flashhost/ProcCast.h"
#include "flashhost/ShockwaveFlashInterfaces.h"
#include "platform/AnsiText.h"
#include "platform/ComPtr.h"

#include <oleauto.h>

#include <vector>

namespace flashhost {

namespace {

// 9.0.28.0 as one byte per part; FlashVersion reports the first three parts one byte
// lower (major in bits 16-23).
constexpr long kFullScreenVersion = 0x09001C00;

using FindResourceWide = HRSRC(WINAPI*)(HMODULE, LPCWSTR, LPCWSTR);

HRSRC FindMovieResource(HMODULE module, LPCWSTR name, LPCWSTR type) {
    auto findWide = ProcCast<FindResourceWide>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "FindResourceW"));
    if (findWide != nullptr) return findWide(module, name, type);
    const std::string ansiName = IS_INTRESOURCE(name) ? std::string() : platform::WideToAnsi(name);
    const std::string ansiType = IS_INTRESOURCE(type) ? std::string() : platform::WideToAnsi(type);
    return FindResourceA(module, IS_INTRESOURCE(name) ? reinterpret_cast<LPCSTR>(name) : ansiName.c_str(),
                         IS_INTRESOURCE(type) ? reinterpret_cast<LPCSTR>(type) : ansiType.c_str());
}

HRESULT PutText(HWND host, UINT message, const std::wstring& text) {
    PutTextRecord<wchar_t> record{text.c_str(), E_FAIL};
    if (host != nullptr) SendMessageW(host, message, 0, reinterpret_cast<LPARAM>(&record));
    return record.result;
}

}  // namespace

LRESULT LoadMovieFromResource(HWND host, HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (host == nullptr) return 0;
    if (module == nullptr) module = GetModuleHandleW(nullptr);
    HRSRC resource = FindMovieResource(module, name, type);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return 0;
    MemoryMovieRecord record{data, SizeofResource(module, resource), 0};
    return SendMessageW(host, FHM_LOAD_MOVIE_FROM_MEMORY, 0, reinterpret_cast<LPARAM>(&record));
}

int SetAllowFullScreen(HWND host, bool enabled) {
    QueryInterfaceRecord query{IID_IUnknown, nullptr, E_FAIL};
    if (host != nullptr) SendMessageW(host, FHM_QUERY_INTERFACE, 0, reinterpret_cast<LPARAM>(&query));
    platform::ComPtr<IUnknown> object;
    if (FAILED(query.result) || query.object == nullptr) return 1;
    *object.put() = static_cast<IUnknown*>(query.object);
    platform::ComPtr<IShockwaveFlash> flash;
    if (FAILED(object->QueryInterface(kIidShockwaveFlash, flash.putVoid()))) return 1;
    long version = 0;
    if (FAILED(flash->FlashVersion(&version)) || (version << 8) < kFullScreenVersion) return 0;
    BSTR value = SysAllocString(enabled ? L"true" : L"false");
    const HRESULT result = flash->put_AllowFullScreen(value);
    SysFreeString(value);
    return SUCCEEDED(result) ? 1 : 0;
}

void SetContextMenu(HWND host, bool enabled) {
    VARIANT_BOOL value = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    if (host != nullptr) SendMessageW(host, FHM_SET_CONTEXT_MENU, 0, reinterpret_cast<LPARAM>(&value));
}

HRESULT PutMovie(HWND host, const std::wstring& movie) { return PutText(host, FHM_PUT_MOVIE_W, movie); }

HRESULT PutFlashVars(HWND host, const std::wstring& vars) { return PutText(host, FHM_PUT_FLASHVARS_W, vars); }

std::wstring GetText(HWND host, UINT getWide) {
    GetTextRecord<wchar_t> record{nullptr, 0, E_FAIL};
    if (host == nullptr) return {};
    SendMessageW(host, getWide, 0, reinterpret_cast<LPARAM>(&record));
    if (FAILED(record.result) || record.length == 0) return {};
    std::vector<wchar_t> buffer(record.length);
    record.buffer = buffer.data();
    SendMessageW(host, getWide, 0, reinterpret_cast<LPARAM>(&record));
    return FAILED(record.result) ? std::wstring() : std::wstring(buffer.data());
}

}  // namespace flashhost
