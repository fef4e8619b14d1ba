#pragma once
// The controls of one window, by their ids: texts, check states, enabling, and the clicks
// of its buttons. Borrows the window; a dialog is one, and so is a panel that serves a
// part of a dialog's controls.
#include <windows.h>

#include <string>

namespace framework {

// The whole text of any window, however long.
std::wstring WindowText(HWND window);

class ControlHost {
public:
    explicit ControlHost(HWND window = nullptr) : window_(window) {}
    virtual ~ControlHost() = default;

    HWND window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring ItemText(int id) const { return WindowText(Item(id)); }
    void SetItemText(int id, const std::wstring& text) const { SetDlgItemTextW(window_, id, text.c_str()); }
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(window_, id, message, wParam, lParam);
    }
    // A check box or radio button by id.
    bool IsChecked(int id) const { return SendItem(id, BM_GETCHECK) == BST_CHECKED; }
    void SetChecked(int id, bool on) const { SendItem(id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
    void EnableItem(int id, bool on) const { EnableWindow(Item(id), on ? TRUE : FALSE); }

protected:
    void Bind(HWND window) { window_ = window; }
    // A WM_COMMAND that is a button's click goes to OnButtonClicked; true when handled.
    bool DispatchClick(WORD id, WORD code) { return code == BN_CLICKED && OnButtonClicked(id); }
    virtual bool OnButtonClicked(WORD) { return false; }

private:
    HWND window_;
};

}  // namespace framework
