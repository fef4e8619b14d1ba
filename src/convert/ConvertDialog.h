#pragma once
// The single-clip convert dialog (template 143): the main panel's controls in a modal
// dialog, for the Simple view where the panel is hidden.
#include "convert/ConvertPanel.h"
#include "framework/Dialog.h"
#include "resources/resource.h"

namespace convert {

class ConvertDialog : public framework::Dialog {
public:
    // `clips` is the main window's list, whose selected clip the dialog converts.
    ConvertDialog(HWND parent, const library::ClipListView* clips) : Dialog(IDD_CONVERT, parent), clips_(clips) {}

    ConvertPanel& panel() { return panel_; }
    // Where ffmpeg.exe lies, for tests; the program folder otherwise.
    void SetToolFolder(std::wstring folder) { toolFolder_ = std::move(folder); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header, bool& handled) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(MSG& message) override;
    void OnCancel() override;

private:
    const library::ClipListView* clips_;
    ConvertPanel panel_;
    std::wstring toolFolder_;
    FolderTip folderTip_;
};

}  // namespace convert
