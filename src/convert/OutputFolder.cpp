#include "convert/OutputFolder.h"

#include "convert/ConvertJob.h"
#include "framework/Pickers.h"
#include "framework/WinApp.h"
#include "platform/SpecialFolders.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace convert {

namespace {

FolderOpener& folderOpener() {
    static FolderOpener opener;
    return opener;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void FolderTip::Create(HWND owner, HWND folderBox, const std::wstring& text) {
    owner_ = owner;
    box_ = folderBox;
    tip_ =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, framework::WinApp::ResourceInstance(), nullptr);
    if (!tip_) return;
    Send(TTM_ADDTOOLW, text);
    SendMessageW(tip_, TTM_ACTIVATE, TRUE, 0);
}

void FolderTip::SetText(const std::wstring& text) {
    if (tip_) Send(TTM_UPDATETIPTEXTW, text);
}

void FolderTip::Send(UINT message, const std::wstring& text) const {
    std::wstring copy = text;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(box_);
    tool.lpszText = copy.data();
    SendMessageW(tip_, message, 0, reinterpret_cast<LPARAM>(&tool));
}

void FolderTip::Relay(MSG& message) const {
    if (tip_ && message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST)
        SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

std::wstring OutputFolderSetting() {
    return OutputFolderFromSetting(settings::SettingsStore().ReadSetting(settings::kConvertPath),
                                   platform::SpecialFolderPath(CSIDL_MYVIDEO));
}

bool ChooseOutputFolder(HWND surface, FolderTip* tip) {
    const std::optional<std::wstring> folder =
        framework::pickers().BrowseFolder(surface, kFolderBrowserTitle, std::wstring());
    if (!folder || folder->empty()) return false;
    SetDlgItemTextW(surface, IDC_OUTPUT_FOLDER, folder->c_str());
    if (tip) tip->SetText(*folder);
    settings::SettingsStore().WriteSetting(settings::kConvertPath, *folder);
    return true;
}

void SetFolderOpener(FolderOpener opener) { folderOpener() = std::move(opener); }

void OpenFolder(HWND owner, const std::wstring& folder) {
    if (!IsFolder(folder)) return;
    if (folderOpener()) {
        folderOpener()(owner, folder);
        return;
    }
    ShellExecuteW(owner, nullptr, folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace convert
