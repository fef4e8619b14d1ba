#include "convert/BatchConvertDialog.h"

#include "convert/ConvertMessages.h"
#include "convert/OutputNames.h"
#include "framework/BalloonTip.h"
#include "framework/FileErrorText.h"
#include "framework/Prompter.h"
#include "framework/WinApp.h"
#include "library/ClipColumns.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemVersion.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace convert {

namespace {

enum BatchColumn { kNameColumn = 0, kInputColumn = 1, kDurationColumn = 2, kOverwriteColumn = 3 };

struct ColumnSpec {
    const wchar_t* header;
    int width;
};
// Only the name shows; the others carry the row's data.
constexpr ColumnSpec kColumns[] = {
    {L"Output file name", 237}, {L"Input file path", 0}, {L"Duration", 0}, {L"Overwrite", 0}};

constexpr wchar_t kNoOutputYet[] = L"1";
constexpr wchar_t kOutputExisted[] = L"0";

// The controls a batch reads; they stay disabled while it runs so no row changes under it.
constexpr int kBatchInputs[] = {IDC_BATCH_LIST, IDC_OUTPUT_FOLDER, IDC_CHANGE_FOLDER, IDC_OPEN_FOLDER,
                                IDC_FORMAT,     IDC_RESOLUTION,    IDC_QUALITY};
constexpr int kProgressControls[] = {IDC_BATCH_PROGRESS, IDC_FILE_PROGRESS, IDC_FILE_PERCENT, IDC_BATCH_PERCENT};

std::optional<OverwriteAnswer> AskOverwrite(HWND owner, const BatchScan& scan) {
    const std::optional<std::wstring> question = BatchOverwriteQuestion(scan);
    if (!question) return std::nullopt;
    switch (framework::prompter().AskYesNoCancel(owner, *question)) {
    case framework::Answer::Yes: return OverwriteAnswer::Yes;
    case framework::Answer::No: return OverwriteAnswer::No;
    default: return OverwriteAnswer::Cancel;
    }
}

std::wstring FailuresText(const std::vector<RowFailure>& failures) {
    std::wstring text =
        failures.size() == 1 ? L"This video could not be converted:" : L"These videos could not be converted:";
    for (const RowFailure& failure : failures) text += L"\n\n" + failure.file + L": " + failure.reason;
    return text;
}

}  // namespace

// ---- Opening -------------------------------------------------------------------------

BOOL BatchConvertDialog::OnInitDialog() {
    SetDialogIcon(IDI_CONVERT);
    if (platform::IsSystemMajorVersion6()) SetItemPicture(IDC_DIALOG_FOLDER_MARK, IDB_FOLDER_MARK_V6);
    if (toolFolder_.empty()) toolFolder_ = platform::ProgramFolder();
    std::wstring folder = parent_ ? framework::WindowText(GetDlgItem(parent_, IDC_OUTPUT_FOLDER)) : std::wstring();
    if (folder.empty()) folder = OutputFolderSetting();
    SetItemText(IDC_OUTPUT_FOLDER, folder);
    folderTip_.Create(hwnd(), Item(IDC_OUTPUT_FOLDER), folder);
    SetupCombos();
    SetupList();
    AddCheckedClips();
    return TRUE;
}

void BatchConvertDialog::SetupCombos() {
    formatImages_.FillFormatCombo(Item(IDC_FORMAT));
    formatImages_.AddIcons(Item(IDC_FORMAT));
    FillResolutionCombo(Item(IDC_RESOLUTION), InitialResolutionChoices());
    FillQualityCombo(Item(IDC_QUALITY), kDialogQualityComboDefault);
}

void BatchConvertDialog::SetupList() {
    HINSTANCE resources = framework::WinApp::ResourceInstance();
    renameBitmap_.reset(LoadImageW(resources, MAKEINTRESOURCEW(IDB_MENU_RENAME), IMAGE_BITMAP, 0, 0, 0));
    deleteBitmap_.reset(LoadImageW(resources, MAKEINTRESOURCEW(IDB_MENU_DELETE), IMAGE_BITMAP, 0, 0, 0));
    SendMessageW(List(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP);
    int index = 0;
    for (const ColumnSpec& spec : kColumns) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = spec.width;
        column.pszText = const_cast<wchar_t*>(spec.header);
        SendMessageW(List(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&column));
    }
}

void BatchConvertDialog::AddCheckedClips() {
    if (!clips_) return;
    for (const library::ClipRecord& clip : clips_->CheckedRecords())
        AddRow({CleanName(clip.title()), clip.path(), clip.durationSeconds}, clip.cells[library::kDurationColumn]);
}

void BatchConvertDialog::AddRow(const BatchRow& row, const std::wstring& durationText) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = const_cast<wchar_t*>(row.name.c_str());
    const int at = static_cast<int>(SendMessageW(List(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) return;
    rows_.push_back(row);
    SetCell(at, kInputColumn, row.inputPath);
    SetCell(at, kDurationColumn, durationText);
    SetCell(at, kOverwriteColumn, kNoOutputYet);
}

void BatchConvertDialog::SetCell(int row, int column, const std::wstring& text) const {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(List(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int BatchConvertDialog::RowCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

std::wstring BatchConvertDialog::CleanName(std::wstring_view text) const {
    CleanedName cleaned = cleanOutputName(text);
    if (cleaned.showNotice)
        framework::ShowEditBalloon(Item(IDC_BATCH_NOTICE_ANCHOR), std::wstring(kCharactersRemovedBalloon.title),
                                   std::wstring(kCharactersRemovedBalloon.text), framework::BalloonIcon::None);
    return std::move(cleaned.name);
}

// ---- List editing --------------------------------------------------------------------

UINT BatchConvertDialog::TrackRowMenu(HMENU menu, POINT screen) {
    return static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, screen.x, screen.y, 0, hwnd(), nullptr));
}

void BatchConvertDialog::ShowRowMenu(POINT click) {
    LVHITTESTINFO hit{};
    hit.pt = click;
    SendMessageW(List(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    platform::UniqueMenu menu(CreatePopupMenu());
    if (hit.iItem >= 0) {
        const auto append = [&](UINT command, const wchar_t* text, HGDIOBJ bitmap) {
            AppendMenuW(menu.get(), MF_STRING, command, text);
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_BITMAP;
            item.hbmpItem = static_cast<HBITMAP>(bitmap);
            SetMenuItemInfoW(menu.get(), command, FALSE, &item);
        };
        append(kRenameRowCommand, L" Rename                   F2", renameBitmap_.get());
        append(kDeleteRowCommand, L" Delete                     Del", deleteBitmap_.get());
    }
    POINT screen = click;
    ClientToScreen(List(), &screen);
    const UINT command = TrackRowMenu(menu.get(), screen);
    if (command == kRenameRowCommand)
        RenameRow(hit.iItem);
    else if (command == kDeleteRowCommand)
        DeleteRow(hit.iItem);
}

void BatchConvertDialog::RenameRow(int row) {
    if (row < 0) return;
    SetFocus(List());
    SendMessageW(List(), LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
}

void BatchConvertDialog::DeleteRow(int row) {
    if (row < 0) return;
    if (framework::prompter().AskYesNo(hwnd(), kDeleteRowQuestion) != framework::Answer::Yes) return;
    if (RowCount() < 2) {
        framework::prompter().Tell(hwnd(), kLastRowRefusal);
        return;
    }
    SendMessageW(List(), LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    rows_.erase(rows_.begin() + row);
    const int top = static_cast<int>(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0));
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&state));
}

bool BatchConvertDialog::OnEndLabelEdit(const NMLVDISPINFOW& edit) {
    // Null: the edit was cancelled.
    if (edit.item.pszText == nullptr || IsDiscardedNameEdit(edit.item.pszText)) return false;
    // A name the rules would leave empty ("<") keeps the old one, with the notice.
    if (defaultOutputName(edit.item.pszText).empty()) {
        CleanName(edit.item.pszText);
        return false;
    }
    const int row = edit.item.iItem;
    if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
    rows_[static_cast<std::size_t>(row)].name = CleanName(edit.item.pszText);
    SetCell(row, kNameColumn, rows_[static_cast<std::size_t>(row)].name);
    // The row already shows the clean name; the edit's own text must not replace it.
    return false;
}

void BatchConvertDialog::OnFormatChanged() {
    const library::ClipRecord* selected = clips_ ? clips_->RecordAt(clips_->SelectionMark()) : nullptr;
    const std::wstring clipResolution = selected ? selected->resolution() : std::wstring();
    FillResolutionCombo(Item(IDC_RESOLUTION), resolutionChoices(SelectedIndex(Item(IDC_FORMAT)), clipResolution));
}

// ---- Messages ------------------------------------------------------------------------

bool BatchConvertDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_FORMAT) {
        if (code == CBN_SELCHANGE) OnFormatChanged();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool BatchConvertDialog::OnButtonClicked(WORD id) {
    switch (id) {
    case IDC_CHANGE_FOLDER: ChooseOutputFolder(hwnd(), &folderTip_); return true;
    case IDC_OPEN_FOLDER: OpenFolder(hwnd(), ItemText(IDC_OUTPUT_FOLDER)); return true;
    case IDC_CONVERT: OnConvertOrStop(); return true;
    default: return false;
    }
}

LRESULT BatchConvertDialog::OnNotify(const NMHDR& header, bool& handled) {
    handled = header.idFrom == IDC_BATCH_LIST;
    if (!handled) return 0;
    switch (header.code) {
    case NM_RCLICK: ShowRowMenu(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction); return 0;
    case LVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        const int mark = static_cast<int>(SendMessageW(List(), LVM_GETSELECTIONMARK, 0, 0));
        if (key == VK_F2)
            RenameRow(mark);
        else if (key == VK_DELETE)
            DeleteRow(mark);
        return 0;
    }
    case LVN_BEGINLABELEDIT:
        // Name and extension must fit in a file name.
        SendMessageW(reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETEDITCONTROL, 0, 0)), EM_LIMITTEXT,
                     static_cast<WPARAM>(NameBoxLimit()), 0);
        return FALSE;
    case LVN_ENDLABELEDIT: return OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOW&>(header)) ? TRUE : FALSE;
    default: return 0;
    }
}

LRESULT BatchConvertDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    const bool current = wParam == batchNumber_ && worker_.running();
    switch (message) {
    case convert::WM_BATCH_ROW_STARTED:
        if (current) OnRowStarted(static_cast<std::size_t>(lParam));
        return 0;
    case convert::WM_CONVERT_PROGRESS:
        if (current) OnProgress(static_cast<std::int64_t>(lParam));
        return 0;
    case convert::WM_BATCH_ROW_FINISHED:
        if (current) OnRowFinished(static_cast<std::size_t>(lParam));
        return 0;
    case convert::WM_CONVERT_FINISHED:
        if (current) OnBatchFinished();
        return 0;
    default: break;
    }
    LRESULT brush = 0;
    handled = PaintWhite(message, wParam, lParam, framework::WhiteParts::PageAndLabels, brush);
    return brush;
}

bool BatchConvertDialog::PreTranslateMessage(MSG& message) {
    folderTip_.Relay(message);
    return Dialog::PreTranslateMessage(message);
}

// ---- The batch -----------------------------------------------------------------------

bool BatchConvertDialog::Converting() const { return buttonState_ == ConvertButtonState::Converting; }

void BatchConvertDialog::SetButtonState(ConvertButtonState state) {
    buttonState_ = state;
    SetItemText(IDC_CONVERT, std::wstring(ConvertButtonCaption(state)));
}

void BatchConvertDialog::OnConvertOrStop() {
    if (Converting())
        StopBatch();
    else
        StartBatch();
}

void BatchConvertDialog::SetInputsEnabled(bool enabled) {
    const bool sizes = FormatHasSizeChoices(SelectedIndex(Item(IDC_FORMAT)));
    for (int id : kBatchInputs) EnableItem(id, enabled && (id != IDC_RESOLUTION || sizes));
}

void BatchConvertDialog::ShowProgressControls(bool show) {
    for (int id : kProgressControls) ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

void BatchConvertDialog::SetBar(int id, const ProgressDisplay& display) {
    const int label = id == IDC_FILE_PROGRESS ? IDC_FILE_PERCENT : IDC_BATCH_PERCENT;
    ShowProgressOn(Item(id), Item(label), display);
}

void BatchConvertDialog::StartBatch() {
    SetInputsEnabled(false);
    ConvertJob settings;
    settings.formatIndex = SelectedIndex(Item(IDC_FORMAT));
    settings.resolutionIndex = SelectedIndex(Item(IDC_RESOLUTION));
    settings.qualityLevel = LevelFromQualityComboIndex(SelectedIndex(Item(IDC_QUALITY)));
    if (ItemText(IDC_OUTPUT_FOLDER).empty()) SetItemText(IDC_OUTPUT_FOLDER, OutputFolderSetting());
    settings.outputFolder = ItemText(IDC_OUTPUT_FOLDER);
    const std::wstring extension = outputExtension(settings.formatIndex);

    const std::vector<BatchRow>& rows = rows_;
    const BatchScan scan = ScanBatch(rows, settings.outputFolder, extension, platform::FileExists);
    for (int row = 0; row < RowCount(); ++row)
        SetCell(row, kOverwriteColumn, scan.existed[static_cast<std::size_t>(row)] ? kOutputExisted : kNoOutputYet);
    const std::optional<BatchMode> mode = DecideBatchMode(scan, AskOverwrite(hwnd(), scan));
    if (!mode) {
        SetInputsEnabled(true);
        return;
    }
    const BatchSchedule schedule = ScheduleBatch(scan, *mode);

    BatchOrder order{hwnd(), ++batchNumber_, toolFolder_, {}, {}};
    for (int row : schedule.rows) {
        ConvertJob job = settings;
        job.inputPath = rows[static_cast<std::size_t>(row)].inputPath;
        job.outputName = rows[static_cast<std::size_t>(row)].name;
        order.temporaries.push_back(TemporaryOutputPath(job, NewRunTag()));
        order.jobs.push_back(std::move(job));
    }
    rowSeconds_.clear();
    for (int row : schedule.rows) rowSeconds_.push_back(rows[static_cast<std::size_t>(row)].durationSeconds);
    temporaries_ = order.temporaries;
    progress_ = BatchProgressState{};
    progress_.overallUpperLimit = static_cast<int>(std::min<std::int64_t>(schedule.overallSeconds, INT_MAX));
    progress_.rowCount = static_cast<int>(schedule.rows.size());
    progress_.rowUpperLimit = rowSeconds_.empty() ? 0 : rowSeconds_[0];

    // 32-bit ranges: a batch of more than 18 hours still moves its overall bar.
    SendItem(IDC_BATCH_PROGRESS, PBM_SETRANGE32, 0, std::max(progress_.overallUpperLimit, 1));
    SendItem(IDC_FILE_PROGRESS, PBM_SETRANGE32, 0, std::max(progress_.rowUpperLimit, 1));
    const BatchProgressDisplay start = BatchRowStart(progress_);
    SetBar(IDC_FILE_PROGRESS, start.row);
    if (start.overall) SetBar(IDC_BATCH_PROGRESS, *start.overall);
    ShowProgressControls(true);
    SetButtonState(ConvertButtonState::Converting);
    worker_.Start(std::move(order));
}

void BatchConvertDialog::OnRowStarted(std::size_t index) {
    if (index >= rowSeconds_.size()) return;
    unfinishedOutput_ = temporaries_[index];
    progress_.rowNumber = static_cast<int>(index) + 1;
    progress_.rowUpperLimit = rowSeconds_[index];
    SendItem(IDC_FILE_PROGRESS, PBM_SETRANGE32, 0, std::max(progress_.rowUpperLimit, 1));
    const BatchProgressDisplay start = BatchRowStart(progress_);
    SetBar(IDC_FILE_PROGRESS, start.row);
    if (start.overall) SetBar(IDC_BATCH_PROGRESS, *start.overall);
}

void BatchConvertDialog::OnProgress(std::int64_t seconds) {
    const std::optional<BatchProgressDisplay> display = BatchProgress(seconds, progress_);
    if (!display) return;
    SetBar(IDC_FILE_PROGRESS, display->row);
    if (display->overall) SetBar(IDC_BATCH_PROGRESS, *display->overall);
}

void BatchConvertDialog::OnRowFinished(std::size_t index) {
    if (index >= rowSeconds_.size()) return;
    if (progress_.rowUpperLimit <= 0) SendItem(IDC_FILE_PROGRESS, PBM_SETRANGE32, 0, 1);
    ProgressDisplay finished = BatchRowFinished(progress_);
    finished.barPosition = std::max(finished.barPosition, progress_.rowUpperLimit <= 0 ? 1 : 0);
    SetBar(IDC_FILE_PROGRESS, finished);
    progress_.doneSeconds += std::max(progress_.rowUpperLimit, 0);
    unfinishedOutput_.clear();
}

void BatchConvertDialog::OnBatchFinished() {
    worker_.Join();
    if (progress_.overallUpperLimit <= 0) SendItem(IDC_BATCH_PROGRESS, PBM_SETRANGE32, 0, 1);
    ProgressDisplay all = BatchAllFinished(progress_);
    all.barPosition = std::max(all.barPosition, progress_.overallUpperLimit <= 0 ? 1 : 0);
    SetBar(IDC_BATCH_PROGRESS, all);
    const std::vector<RowFailure> failures = worker_.failures();
    if (worker_.converted() > 0 && Converting() &&
        settings::SettingsStore().ReadSwitch<settings::kAutoOpenFolder>())
        OpenFolder(hwnd(), ItemText(IDC_OUTPUT_FOLDER));
    SetButtonState(ConvertButtonState::Idle);
    progress_.doneSeconds = 0;
    SetInputsEnabled(true);
    if (!failures.empty()) framework::prompter().Tell(hwnd(), FailuresText(failures), true);
}

void BatchConvertDialog::StopBatch() {
    worker_.Halt();
    ++batchNumber_;
    SetTimer(hwnd(), convert::kStopCleanupTimer, kStopCleanupDelayMs, nullptr);
    stopCleanupPending_ = true;
    SetButtonState(ConvertButtonState::Idle);
    ShowProgressControls(false);
    for (int bar : {IDC_FILE_PROGRESS, IDC_BATCH_PROGRESS}) SetBar(bar, ProgressDisplay{false, 0, L""});
    progress_.doneSeconds = 0;
    SetInputsEnabled(true);
}

void BatchConvertDialog::OnOK() {
    // Enter ends the idle dialog like Cancel; during a batch it takes the close path, so
    // the dialog never ends while its worker may still report.
    OnCancel();
}

void BatchConvertDialog::OnCancel() {
    if (closing_) return;
    if (!Converting() && !stopCleanupPending_) {
        EndDialog(IDCANCEL);
        return;
    }
    closing_ = true;
    worker_.Halt();
    ++batchNumber_;
    KillTimer(hwnd(), convert::kStopCleanupTimer);
    stopCleanupPending_ = false;
    EnableItem(IDC_CONVERT, false);
    SetTimer(hwnd(), convert::kCloseCleanupTimer, kBatchCloseCleanupDelayMs, nullptr);
}

void BatchConvertDialog::OnTimer(UINT_PTR id) {
    if (id != convert::kStopCleanupTimer && id != convert::kCloseCleanupTimer) return;
    KillTimer(hwnd(), id);
    stopCleanupPending_ = false;
    // The halted worker ends at once; it deletes its own unfinished file, and what it
    // could not delete yet goes here.
    worker_.Join();
    RemoveUnfinishedOutput();
    if (id == convert::kCloseCleanupTimer) EndDialog(IDCANCEL);
}

void BatchConvertDialog::RemoveUnfinishedOutput() {
    const std::wstring path = std::exchange(unfinishedOutput_, std::wstring());
    if (path.empty() || !platform::FileExists(path)) return;
    if (!DeleteFileW(path.c_str())) {
        const DWORD error = GetLastError();
        framework::prompter().Tell(hwnd(), framework::FileErrorText(path, error), true);
    }
}

}  // namespace convert
