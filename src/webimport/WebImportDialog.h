#pragma once
// The dialog that downloads a video from its watch-page address (template 129), and the
// clipboard watch that fills the address box.
#include "framework/Dialog.h"
#include "webimport/ImportJob.h"

#include <memory>
#include <string>

namespace webimport {

class WebImportDialog : public framework::Dialog {
public:
    WebImportDialog(HWND parent, ImportSettings settings);
    // A download still running stops as with "Stop": it must not outlive the controls.
    ~WebImportDialog() override;

    // The last text taken from the clipboard, shared by every opening of the dialog.
    static const std::wstring& ClipboardText();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnButtonClicked(WORD id) override;
    void OnTimer(UINT_PTR id) override;
    // Enter ends the dialog as OK at once; a running download stops first.
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void StartDownload();
    void StopDownload();
    void ShowBusy(bool busy);
    void RestoreIdle();
    // The group box's caption: the prompt, or the status line of a download.
    void SetCaption(const std::wstring& text);
    void Report(const std::wstring& text);
    // The worker's messages; false when they come from a job that is no longer current.
    bool OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void TakeClipboardText();
    void PasteClipboardText();
    void OnChangeChain(HWND leaving, HWND following);

    ImportSettings settings_;
    std::shared_ptr<DownloadJob> job_;
    HWND nextViewer_ = nullptr;
    bool inViewerChain_ = false;
    int rangeShift_ = 0;
};

}  // namespace webimport
