#include "framework/Dialog.h"

#include "framework/HelpViewer.h"
#include "framework/WinApp.h"

#include <exception>
#include <utility>

namespace framework {

namespace {

thread_local Dialog* innermostModal = nullptr;

// F1 is taken in the loop rather than through WM_HELP: the key must work whichever control
// has the focus, and a dialog's own accelerators (the main window's F1) come first.
bool TranslateHelpKey(HWND dialog, UINT templateId, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_F1) return false;
    if (message.hwnd != dialog && !IsChild(dialog, message.hwnd)) return false;
    HelpViewer* viewer = helpViewer();
    if (viewer == nullptr) return false;
    viewer->ShowDialogHelp(dialog, templateId);
    return true;
}

}  // namespace

Dialog::Dialog(UINT templateId, HWND parent) : parent_(parent), templateId_(templateId) {}

Dialog::~Dialog() {
    if (hwnd() != nullptr) {
        HWND window = hwnd();
        // Unbind first so that the messages of the destruction reach no half-destroyed object.
        SetWindowLongPtrW(window, DWLP_USER, 0);
        Bind(nullptr);
        DestroyWindow(window);
    }
}

Dialog* Dialog::ActiveModal() { return innermostModal; }

bool Dialog::CreateModeless() {
    if (hwnd() != nullptr) return true;
    HWND created = CreateDialogParamW(WinApp::ResourceInstance(), MAKEINTRESOURCEW(templateId_), parent_, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
    return created != nullptr;
}

INT_PTR Dialog::DoModal() {
    if (!CreateModeless()) return -1;
    ShowWindow(hwnd(), SW_SHOW);
    return RunModalLoop();
}

INT_PTR Dialog::RunModalLoop() {
    if (hwnd() == nullptr) return -1;
    const bool disableParent = parent_ != nullptr && IsWindowEnabled(parent_);
    if (disableParent) EnableWindow(parent_, FALSE);
    outerModal_ = std::exchange(innermostModal, this);
    inModalLoop_ = true;

    MSG message;
    while (!ended_ && hwnd() != nullptr) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT belongs to the outer loop; pass it on after leaving ours.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (PreTranslateMessage(message)) continue;
        if (TranslateHelpKey(hwnd(), templateId_, message)) continue;
        if (IsDialogMessageW(hwnd(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    inModalLoop_ = false;
    innermostModal = outerModal_;
    if (disableParent) EnableWindow(parent_, TRUE);
    if (hwnd() != nullptr) {
        // Give the owner the activation back before this window goes away.
        if (parent_ != nullptr && GetActiveWindow() == hwnd()) SetActiveWindow(parent_);
        HWND window = hwnd();
        Bind(nullptr);
        DestroyWindow(window);
    }
    ended_ = false;
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // Wake the loop in case it waits in GetMessage.
    if (hwnd() != nullptr) PostMessageW(hwnd(), WM_NULL, 0, 0);
}


void Dialog::SetDialogIcon(int iconId) const {
    HINSTANCE resources = WinApp::ResourceInstance();
    for (const auto& [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        HANDLE icon = LoadImageW(resources, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_SHARED);
        SendMessageW(hwnd(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

void Dialog::SetItemPicture(int id, int bitmapId) const {
    HANDLE image = LoadImageW(WinApp::ResourceInstance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_SHARED);
    SendItem(id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

bool Dialog::PaintWhite(UINT message, WPARAM wParam, LPARAM lParam, WhiteParts parts, LRESULT& brush) const {
    bool answer = message == WM_CTLCOLORDLG;
    if (message == WM_CTLCOLORSTATIC && parts != WhiteParts::Page) {
        // Read-only and disabled edits send this message too; they keep their own colours.
        wchar_t className[8] = {};
        GetClassNameW(reinterpret_cast<HWND>(lParam), className, 8);
        answer = lstrcmpiW(className, L"Edit") != 0;
    }
    if (message == WM_CTLCOLORBTN) answer = parts == WhiteParts::PageLabelsAndButtons;
    if (!answer) return false;
    SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
    brush = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    return true;
}

bool Dialog::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return DispatchClick(id, code);
}

LRESULT Dialog::OnNotify(const NMHDR&, bool& handled) {
    handled = false;
    return 0;
}

bool Dialog::PreTranslateMessage(MSG&) { return false; }

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->Bind(hwnd);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after unbinding get default handling.
    if (self == nullptr) return FALSE;
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (const std::exception&) {
        // An exception must never unwind through the system's dialog code.
        return FALSE;
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        bool handled = true;
        const LRESULT result = OnNotify(*reinterpret_cast<const NMHDR*>(lParam), handled);
        if (!handled) return FALSE;
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_TIMER: OnTimer(wParam); return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd(), DWLP_USER, 0);
        Bind(nullptr);
        return FALSE;
    default: {
        bool handled = false;
        const LRESULT result = OnMessage(message, wParam, lParam, handled);
        if (!handled) return FALSE;
        // The colour messages return their brush directly, not through DWLP_MSGRESULT.
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

}  // namespace framework
