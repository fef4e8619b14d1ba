#include "webimport/WebImportDialog.h"

#include "framework/Prompter.h"
#include "framework/Worker.h"
#include "platform/AnsiText.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"
#include "webimport/DownloadWorker.h"
#include "webimport/ImportMessages.h"
#include "webimport/ImportTexts.h"
#include "webimport/PageScrape.h"

namespace webimport {

namespace {

// Touched on the window thread only; it outlives the dialog so that the next opening
// knows what was copied before.
std::wstring& SharedClipboardText() {
    static std::wstring text;
    return text;
}

}  // namespace

WebImportDialog::WebImportDialog(HWND parent, ImportSettings settings)
    : Dialog(IDD_WEB_IMPORT, parent), settings_(std::move(settings)) {}

WebImportDialog::~WebImportDialog() {
    StopDownload();
    // The base destroys the window unbound, so OnDestroy would not see it go.
    OnDestroy();
}

const std::wstring& WebImportDialog::ClipboardText() { return SharedClipboardText(); }

BOOL WebImportDialog::OnInitDialog() {
    ShowWindow(Item(IDC_IMPORT_PROGRESS), SW_HIDE);
    ShowWindow(Item(IDC_IMPORT_STOP), SW_HIDE);
    SetCaption(std::wstring(kPrompt));
    SetDialogIcon(IDI_YOUTUBE_IMPORT);

    // Joining sends WM_DRAWCLIPBOARD at once, so the text is there before the address
    // box first takes the focus.
    inViewerChain_ = true;
    nextViewer_ = SetClipboardViewer(hwnd());
    SetChecked(IDC_IMPORT_AUTOCOPY, settings::SettingsStore().ReadSwitch<settings::kAutoCopyUrl>());
    return TRUE;
}

void WebImportDialog::OnDestroy() {
    if (!inViewerChain_ || hwnd() == nullptr) return;
    ChangeClipboardChain(hwnd(), nextViewer_);
    inViewerChain_ = false;
}

bool WebImportDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_IMPORT_URL) {
        if (code == EN_SETFOCUS) PasteClipboardText();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool WebImportDialog::OnButtonClicked(WORD id) {
    switch (id) {
    case IDC_IMPORT_DOWNLOAD: StartDownload(); return true;
    case IDC_IMPORT_STOP:
        StopDownload();
        RestoreIdle();
        return true;
    case IDC_IMPORT_AUTOCOPY:
        settings::SettingsStore().WriteSwitch<settings::kAutoCopyUrl>(IsChecked(IDC_IMPORT_AUTOCOPY));
        return true;
    default: return false;
    }
}

void WebImportDialog::OnOK() {
    StopDownload();
    EndDialog(IDOK);
}

void WebImportDialog::OnCancel() {
    EndDialog(IDCANCEL);
    StopDownload();
}

void WebImportDialog::OnTimer(UINT_PTR id) {
    if (id != webimport::kImportEndTimer) return;
    KillTimer(hwnd(), webimport::kImportEndTimer);
    EndDialog(IDOK);
}

LRESULT WebImportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
    case WM_DRAWCLIPBOARD:
        TakeClipboardText();
        if (nextViewer_ != nullptr) SendMessageW(nextViewer_, message, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN: OnChangeChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    default:
        if (message >= webimport::WM_IMPORT_RANGE && message <= webimport::WM_IMPORT_DONE)
            return OnWorkerMessage(message, wParam, lParam);
        handled = false;
        return 0;
    }
}

void WebImportDialog::StartDownload() {
    const std::wstring address = ItemText(IDC_IMPORT_URL);
    if (address.empty()) return Report(std::wstring(kInvalidAddress));
    ShowBusy(true);
    job_ = std::make_shared<DownloadJob>();
    struct Start {
        std::shared_ptr<DownloadJob> job;
        HWND dialog;
        std::wstring address;
        ImportSettings settings;
    };
    framework::StartWorker(Start{job_, hwnd(), address, settings_}, [](const Start& start) {
        RunDownload(start.job, start.dialog, start.address, start.settings);
    });
}

void WebImportDialog::StopDownload() {
    if (job_) job_->Stop();
}

void WebImportDialog::ShowBusy(bool busy) {
    ShowWindow(Item(IDC_IMPORT_URL), busy ? SW_HIDE : SW_SHOW);
    ShowWindow(Item(IDC_IMPORT_DOWNLOAD), busy ? SW_HIDE : SW_SHOW);
    ShowWindow(Item(IDC_IMPORT_STOP), busy ? SW_SHOW : SW_HIDE);
    ShowWindow(Item(IDC_IMPORT_PROGRESS), busy ? SW_SHOW : SW_HIDE);
    // The hidden address box must not keep the focus; Stop is what a busy dialog offers.
    if (busy) SetFocus(Item(IDC_IMPORT_STOP));
}

void WebImportDialog::RestoreIdle() {
    SendItem(IDC_IMPORT_PROGRESS, PBM_SETPOS, 0);
    ShowBusy(false);
    SetCaption(std::wstring(kPrompt));
}

void WebImportDialog::SetCaption(const std::wstring& text) {
    // Wine's themed group box measures its caption a little short of what it draws, and
    // cuts the last characters of a status line full of digits; a little room after the
    // text keeps them whole.
    SetItemText(IDC_IMPORT_GROUP, text == kPrompt ? text : text + L"   ");
}

void WebImportDialog::Report(const std::wstring& text) {
    RestoreIdle();
    framework::prompter().Tell(hwnd(), text, true);
}

bool WebImportDialog::OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A halted job has no say any more, whatever it had in flight.
    if (!job_ || reinterpret_cast<DownloadJob*>(wParam) != job_.get() || job_->halted) return false;
    switch (message) {
    case webimport::WM_IMPORT_RANGE: {
        // The bar's range is 32-bit: longer downloads are shown in kilobytes.
        const auto total = reinterpret_cast<const DownloadProgress*>(lParam)->total;
        rangeShift_ = total > 0x7FFFFFFF ? 10 : 0;
        SendItem(IDC_IMPORT_PROGRESS, PBM_SETRANGE32, 0, static_cast<LPARAM>(total >> rangeShift_));
        SendItem(IDC_IMPORT_PROGRESS, PBM_SETPOS, 0);
        return true;
    }
    case webimport::WM_IMPORT_CAPTION: SetCaption(*reinterpret_cast<const std::wstring*>(lParam)); return true;
    case webimport::WM_IMPORT_PROGRESS: {
        const auto& progress = *reinterpret_cast<const DownloadProgress*>(lParam);
        SendItem(IDC_IMPORT_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(progress.received >> rangeShift_));
        SetCaption(progress.unit == DownloadProgress::Unit::Seconds
                       ? PlaylistProgressCaption(progress.received, progress.total)
                       : ProgressCaption(progress.received, progress.total));
        return true;
    }
    case webimport::WM_IMPORT_FAILED: Report(*reinterpret_cast<const std::wstring*>(lParam)); return true;
    case webimport::WM_IMPORT_DONE:
        SetTimer(hwnd(), webimport::kImportEndTimer, webimport::kImportEndDelayMs, nullptr);
        return true;
    default: return false;
    }
}

void WebImportDialog::TakeClipboardText() {
    if (!OpenClipboard(hwnd())) return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            // The text ends at its zero or at the end of the block, whichever comes first.
            const size_t size = GlobalSize(data);
            size_t length = 0;
            while (length < size && bytes[length] != '\0') ++length;
            text = platform::AnsiToWide(std::string_view(bytes, length));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    SharedClipboardText() = std::move(text);
}

void WebImportDialog::PasteClipboardText() {
    if (ShouldPaste(IsChecked(IDC_IMPORT_AUTOCOPY), SharedClipboardText()))
        SetItemText(IDC_IMPORT_URL, SharedClipboardText());
}

void WebImportDialog::OnChangeChain(HWND leaving, HWND following) {
    if (leaving == nextViewer_) {
        nextViewer_ = following;
    } else if (nextViewer_ != nullptr) {
        SendMessageW(nextViewer_, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(leaving),
                     reinterpret_cast<LPARAM>(following));
    }
}

}  // namespace webimport
