#pragma once
// Dialog base: binds a C++ object to a dialog template, decodes each message once into
// a virtual handler, and runs its own modal loop so that accelerators and tooltips see
// messages before the dialog does.
#include <windows.h>
#include <commctrl.h>
#include <string>

namespace framework {

class Dialog {
public:
    Dialog(UINT templateId, HWND parent = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog and runs the modal loop until EndDialog; returns its result,
    // or -1 when the window could not be created.
    INT_PTR DoModal();
    // Creates the dialog without showing a loop; the caller decides visibility.
    bool CreateModeless();
    // Runs the modal loop on an already created dialog (hidden or shown).
    INT_PTR RunModalLoop();
    void EndDialog(INT_PTR result);

    HWND hwnd() const { return hwnd_; }
    UINT templateId() const { return templateId_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(hwnd_, id, message, wParam, lParam);
    }
    bool IsModalLoopRunning() const { return inModalLoop_; }

    // The dialog whose modal loop is innermost on this thread (null outside any loop).
    static Dialog* ActiveModal();

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when the command was handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual LRESULT OnNotify(const NMHDR& header, bool& handled);
    virtual void OnTimer(UINT_PTR) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}
    // Any other message; set handled and return the result to claim it.
    virtual LRESULT OnMessage(UINT, WPARAM, LPARAM, bool& handled) { handled = false; return 0; }
    // Seen by the modal loop before dispatch; return true when the message was consumed.
    virtual bool PreTranslateMessage(MSG& message);

    HWND parent_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
    bool inModalLoop_ = false;
    INT_PTR result_ = 0;
    Dialog* outerModal_ = nullptr;
};

}  // namespace framework
