#pragma once
// The output folder box of every convert surface: its tooltip, the Change and Open
// buttons, and where the folder comes from.
#include <windows.h>

#include <functional>
#include <string>

namespace convert {

inline constexpr wchar_t kFolderBrowserTitle[] = L"Select a folder for converted videos";

// The tooltip that shows the folder box's full text over the box.
class FolderTip {
public:
    FolderTip() = default;
    FolderTip(const FolderTip&) = delete;
    FolderTip& operator=(const FolderTip&) = delete;

    // The tooltip window belongs to `owner` and goes with it.
    void Create(HWND owner, HWND folderBox, const std::wstring& text);
    void SetText(const std::wstring& text);
    // The owner's message pre-translation hands every mouse message over.
    void Relay(MSG& message) const;

private:
    // The box as the tip's one tool, with `text`, for TTM_ADDTOOLW or TTM_UPDATETIPTEXTW.
    void Send(UINT message, const std::wstring& text) const;

    HWND tip_ = nullptr;
    HWND owner_ = nullptr;
    HWND box_ = nullptr;
};

// "convertpath" as a folder: "NotSet" or an unreadable value mean My Videos.
std::wstring OutputFolderSetting();

// Change: the folder browser; a chosen folder goes into IDC_OUTPUT_FOLDER of `surface`, the
// tip and "convertpath". Returns false when nothing was chosen.
bool ChooseOutputFolder(HWND surface, FolderTip* tip);

// Opens a folder for the user (Open and "autoopenfolder"); does nothing unless `folder`
// names an existing folder: the value comes from the registry, and a file named there
// (a script, say) must never be started. Tests install their own opener.
using FolderOpener = std::function<void(HWND owner, const std::wstring& folder)>;
void SetFolderOpener(FolderOpener opener);
void OpenFolder(HWND owner, const std::wstring& folder);

}  // namespace convert
