#include "convert/ConvertDialog.h"

#include "convert/ConvertMessages.h"
#include "platform/SystemVersion.h"

namespace convert {

BOOL ConvertDialog::OnInitDialog() {
    SetDialogIcon(IDI_CONVERT);
    if (platform::IsSystemMajorVersion6()) {
        SetItemPicture(IDC_DIALOG_FOLDER_MARK, IDB_FOLDER_MARK_V6);
        SetItemPicture(IDC_DIALOG_NAME_MARK, IDB_NAME_MARK_V6);
    }

    if (!toolFolder_.empty()) panel_.SetToolFolder(toolFolder_);
    panel_.Attach(hwnd(), ConvertSurface::SingleClipDialog, clips_);
    if (parent_) {
        SetItemText(IDC_OUTPUT_NAME, framework::WindowText(GetDlgItem(parent_, IDC_OUTPUT_NAME)));
        SetItemText(IDC_OUTPUT_FOLDER, framework::WindowText(GetDlgItem(parent_, IDC_OUTPUT_FOLDER)));
    }
    if (ItemText(IDC_OUTPUT_FOLDER).empty()) SetItemText(IDC_OUTPUT_FOLDER, OutputFolderSetting());
    panel_.Setup();
    panel_.AddFormatIcons();
    panel_.SetPickersForClip(panel_.ClipDuration(), false);
    folderTip_.Create(hwnd(), Item(IDC_OUTPUT_FOLDER), ItemText(IDC_OUTPUT_FOLDER));
    panel_.SetFolderTip(&folderTip_);
    return TRUE;
}

bool ConvertDialog::PreTranslateMessage(MSG& message) {
    folderTip_.Relay(message);
    return Dialog::PreTranslateMessage(message);
}

bool ConvertDialog::OnCommand(WORD id, WORD code, HWND control) {
    // Enter presses the default button, Convert/Stop.
    if (id == IDOK) return panel_.OnCommand(IDC_CONVERT, BN_CLICKED) || true;
    if (panel_.OnCommand(id, code)) return true;
    return Dialog::OnCommand(id, code, control);
}

LRESULT ConvertDialog::OnNotify(const NMHDR& header, bool& handled) {
    handled = panel_.OnNotify(header);
    return 0;
}

void ConvertDialog::OnTimer(UINT_PTR id) {
    if (id == convert::kCloseCleanupTimer) {
        KillTimer(hwnd(), id);
        panel_.RemoveUnfinishedOutput();
        EndDialog(IDCANCEL);
        return;
    }
    panel_.OnTimer(id);
}

void ConvertDialog::OnCancel() {
    if (panel_.converting() || panel_.stopCleanupPending()) {
        panel_.HaltForClose();
        return;
    }
    EndDialog(IDCANCEL);
}

LRESULT ConvertDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (panel_.OnMessage(message, wParam, lParam)) {
        handled = true;
        return 0;
    }
    // Labels and the check box stand on the white background.
    LRESULT brush = 0;
    handled = PaintWhite(message, wParam, lParam, framework::WhiteParts::PageAndLabels, brush);
    return brush;
}

}  // namespace convert
