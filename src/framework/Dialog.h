#pragma once
// Dialog base: binds a C++ object to a dialog template, decodes each message once into
// a virtual handler, and runs its own modal loop so that accelerators and tooltips see
// messages before the dialog does.
#include "framework/ControlHost.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace framework {

// Which parts of a dialog PaintWhite answers for: the page itself, the labels and other
// controls that draw as statics on it (edits keep their own colours), and buttons.
enum class WhiteParts { Page, PageAndLabels, PageLabelsAndButtons };

class Dialog : public ControlHost {
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

    HWND hwnd() const { return window(); }
    UINT templateId() const { return templateId_; }
    bool IsModalLoopRunning() const { return inModalLoop_; }

    // The dialog whose modal loop is innermost on this thread (null outside any loop).
    static Dialog* ActiveModal();

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when the command was handled. The base ends the dialog for IDOK and
    // IDCANCEL and hands every other BN_CLICKED to OnButtonClicked.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual LRESULT OnNotify(const NMHDR& header, bool& handled);
    virtual void OnTimer(UINT_PTR) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}
    // Any other message; set handled and return the result to claim it.
    virtual LRESULT OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
        handled = false;
        return 0;
    }
    // Seen by the modal loop before dispatch; return true when the message was consumed.
    virtual bool PreTranslateMessage(MSG& message);

    // The dialog's caption and task-switch icons, both sized by the system, from one
    // icon resource.
    void SetDialogIcon(int iconId) const;
    // Shows the bitmap resource `bitmapId` in the picture control `id`.
    void SetItemPicture(int id, int bitmapId) const;
    // A white page: for a colour message of the chosen parts, sets the text background and
    // gives the white brush in `brush`; false for every other message.
    bool PaintWhite(UINT message, WPARAM wParam, LPARAM lParam, WhiteParts parts, LRESULT& brush) const;

    HWND parent_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    bool ended_ = false;
    bool inModalLoop_ = false;
    INT_PTR result_ = 0;
    Dialog* outerModal_ = nullptr;
};

}  // namespace framework
