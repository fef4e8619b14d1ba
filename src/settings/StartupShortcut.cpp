#include "settings/StartupShortcut.h"

#include "platform/ComPtr.h"
#include "platform/ProgramFolder.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace settings {

namespace {

// Balances a successful CoInitializeEx. A thread already in another apartment model keeps
// it (RPC_E_CHANGED_MODE) and COM is usable there, but must not be uninitialised by us.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

}  // namespace

std::wstring StartupShortcutPath() {
    PIDLIST_ABSOLUTE folder = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &folder)) || !folder) return {};
    wchar_t path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(folder, path);
    CoTaskMemFree(folder);
    if (!found || path[0] == L'\0') return {};
    return std::wstring(path) + L"\\Reelkeep.lnk";
}

HRESULT CreateStartupShortcut(const std::wstring& shortcutPath) {
    const std::wstring executable = platform::ExecutablePath();
    if (executable.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    ComScope com;
    platform::ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = link->SetPath(executable.c_str()))) return hr;
    if (FAILED(hr = link->SetArguments(L"/min"))) return hr;
    if (FAILED(hr = link->SetWorkingDirectory(platform::FolderOfPath(executable).c_str()))) return hr;
    platform::ComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.putVoid()))) return hr;
    return file->Save(shortcutPath.c_str(), TRUE);
}

}  // namespace settings
