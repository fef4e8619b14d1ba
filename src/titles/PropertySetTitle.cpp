#include "titles/PropertySetTitle.h"

#include "platform/ComPtr.h"

#include <propidl.h>

namespace titles {

namespace {

// Exclusive sharing on both levels: a browser still writing its cache file, or ffmpeg
// reading a clip, makes the call fail instead of racing it.
HRESULT OpenPropertySets(const std::wstring& path, DWORD access, platform::ComPtr<IPropertySetStorage>& sets) {
    return StgOpenStorageEx(path.c_str(), access | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr, nullptr,
                            IID_IPropertySetStorage, sets.putVoid());
}

PROPSPEC TextSpec(PROPID property) {
    PROPSPEC spec{};
    spec.ulKind = PRSPEC_PROPID;
    spec.propid = property;
    return spec;
}

}  // namespace

HRESULT ReadPropertySetTitle(const std::wstring& path, std::wstring& title, PROPID property) {
    title.clear();
    platform::ComPtr<IPropertySetStorage> sets;
    HRESULT hr = OpenPropertySets(path, STGM_READ, sets);
    if (FAILED(hr)) return hr;
    platform::ComPtr<IPropertyStorage> summary;
    hr = sets->Open(FMTID_SummaryInformation, STGM_SIMPLE | STGM_SHARE_EXCLUSIVE | STGM_READ, summary.put());
    if (FAILED(hr)) return hr;
    const PROPSPEC spec = TextSpec(property);
    platform::UniquePropVariant value;
    hr = summary->ReadMultiple(1, &spec, value.get());
    if (FAILED(hr)) return hr;
    if (value.value().vt == VT_LPWSTR && value.value().pwszVal) title = value.value().pwszVal;
    return S_OK;
}

HRESULT WritePropertySetTitle(const std::wstring& path, const std::wstring& text, PROPID property) {
    platform::ComPtr<IPropertySetStorage> sets;
    HRESULT hr = OpenPropertySets(path, STGM_READWRITE, sets);
    if (FAILED(hr)) return hr;
    platform::ComPtr<IPropertyStorage> summary;
    hr = sets->Open(FMTID_SummaryInformation, STGM_SIMPLE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, summary.put());
    if (FAILED(hr)) {
        hr = sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT,
                          STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, summary.put());
        if (FAILED(hr)) return hr;
    }
    const PROPSPEC spec = TextSpec(property);
    // The variant only borrows the caller's text, so it is not cleared.
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_LPWSTR;
    value.pwszVal = const_cast<wchar_t*>(text.c_str());
    hr = summary->WriteMultiple(1, &spec, &value, PID_FIRST_USABLE);
    if (FAILED(hr)) return hr;
    return summary->Commit(STGC_DEFAULT);
}

bool MeansNoPropertySets(HRESULT openResult) {
    switch (openResult) {
    // What the open answers for a plain file where the volume has no per-file sets.
    case STG_E_FILEALREADYEXISTS:
    case STG_E_INVALIDFUNCTION:
    case STG_E_UNIMPLEMENTEDFUNCTION:
    case E_NOTIMPL: return true;
    default: return false;
    }
}

}  // namespace titles
