#include "convert/ConvertPanel.h"

#include "convert/ConvertMessages.h"
#include "convert/Presets.h"
#include "convert/Progress.h"
#include "framework/BalloonTip.h"
#include "framework/Dialog.h"
#include "framework/FileErrorText.h"
#include "framework/LastMessage.h"
#include "framework/Prompter.h"
#include "framework/Worker.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <mutex>

namespace convert {

namespace {

constexpr int kSecondsPerDay = 24 * 3600;

}  // namespace

// Shared by the window and the run's worker; the worker writes the result before it
// posts the end of the run, under the lock.
struct SingleRun {
    ConversionRun run;
    std::mutex lock;
    ConversionResult result;
};

namespace {

struct WorkerOrder {
    HWND surface;
    WPARAM runNumber;
    ConvertJob job;
    std::wstring toolFolder;
    std::wstring temporary;
    std::shared_ptr<SingleRun> state;
};

// Reports are posted, never sent: the worker never waits for the window, so a Stop on the
// window thread can never meet a worker blocked on it.
void ConversionWorker(const WorkerOrder& order) {
    const framework::LastMessage finished(order.surface, convert::WM_CONVERT_FINISHED, order.runNumber);
    ConversionRun& run = order.state->run;
    ConversionResult result =
        ConvertToFile(order.job, order.toolFolder, order.temporary, run, [&](std::int64_t seconds) {
            if (!run.halted())
                PostMessageW(order.surface, convert::WM_CONVERT_PROGRESS, order.runNumber,
                             static_cast<LPARAM>(seconds));
        });
    {
        std::lock_guard<std::mutex> guard(order.state->lock);
        order.state->result = std::move(result);
    }
}

}  // namespace

std::wstring ConversionFailedText(const std::wstring& output, const std::wstring& reason) {
    return L"The video could not be converted to " + output + L".\n\n" + reason;
}

OutputNameGuards& SharedOutputNameGuards() {
    static OutputNameGuards guards;
    return guards;
}

void ConvertPanel::Attach(HWND surface, ConvertSurface kind, const library::ClipListView* clips) {
    Bind(surface);
    kind_ = kind;
    clips_ = clips;
    if (toolFolder_.empty()) toolFolder_ = platform::ProgramFolder();
}

bool ConvertPanel::StandardView() const {
    return kind_ == ConvertSurface::MainPanel && (GetWindowLongW(Item(IDC_QUALITY_SLIDER), GWL_STYLE) & WS_VISIBLE);
}

void ConvertPanel::Setup() {
    for (int id : {IDC_CUT_FROM, IDC_CUT_TO})
        SendMessageW(Item(id), DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));
    for (int id : {IDC_CUT_FROM, IDC_CUT_TO, IDC_CUT_FROM_LABEL, IDC_CUT_TO_LABEL}) EnableWindow(Item(id), FALSE);
    // A new picker shows the current time. The list starts empty, so both start at
    // 00:00:00 as for an emptied list; otherwise a first clip whose duration reads
    // 00:00:00 would keep "To" at the time of day and run with that as its length.
    SetPickersForClip(0, false);
    formatImages_.FillFormatCombo(Item(IDC_FORMAT));
    FillResolutionCombo(Item(IDC_RESOLUTION), InitialResolutionChoices());
    FillQuality();
    SendMessageW(Item(IDC_OUTPUT_NAME), EM_LIMITTEXT, static_cast<WPARAM>(NameBoxLimit()), 0);
}

void ConvertPanel::AddFormatIcons() { formatImages_.AddIcons(Item(IDC_FORMAT)); }

void ConvertPanel::FillQuality() {
    const bool mainPanel = kind_ == ConvertSurface::MainPanel;
    FillQualityCombo(Item(IDC_QUALITY), mainPanel ? kMainPanelQualityComboDefault : kDialogQualityComboDefault);
    if (mainPanel) {
        SendMessageW(Item(IDC_QUALITY_SLIDER), TBM_SETRANGE, FALSE, MAKELPARAM(kQualitySliderMin, kQualitySliderMax));
        SendMessageW(Item(IDC_QUALITY_SLIDER), TBM_SETPOS, TRUE, kMainPanelSliderDefault);
    }
}

const library::ClipRecord* ConvertPanel::MarkedClip() const {
    return clips_ ? clips_->RecordAt(clips_->SelectionMark()) : nullptr;
}

int ConvertPanel::Duration() const {
    const library::ClipRecord* clip = MarkedClip();
    return clip ? clip->durationSeconds : 0;
}

void ConvertPanel::FillFromClip(int row) {
    const library::ClipRecord* clip = clips_ ? clips_->RecordAt(row) : nullptr;
    if (clip == nullptr) return;
    if (!clip->title().empty()) {
        const int format = static_cast<int>(SendMessageW(Item(IDC_FORMAT), CB_GETCURSEL, 0, 0));
        if (format == static_cast<int>(OutputFormat::Wmv) || format == static_cast<int>(OutputFormat::Avi))
            FillResolutionCombo(Item(IDC_RESOLUTION), {{clip->resolution()}, 0, false});
        SetItemText(IDC_OUTPUT_NAME, defaultOutputName(clip->title()));
    }
    SetPickersForClip(clip->durationSeconds, true);
}

void ConvertPanel::ShowEmptyList() {
    EnableWindow(Item(IDC_CONVERT), FALSE);
    SetItemText(IDC_OUTPUT_NAME, kNoClipsToConvert);
    SetPickerSeconds(IDC_CUT_FROM, 0);
    SetPickerSeconds(IDC_CUT_TO, 0);
    rememberedFrom_ = rememberedTo_ = 0;
}

// ---- Pickers -------------------------------------------------------------------------

int ConvertPanel::PickerSeconds(int id) const {
    SYSTEMTIME time{};
    if (SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID) return 0;
    return SecondsOfDay(time.wHour, time.wMinute, time.wSecond);
}

void ConvertPanel::SetPickerSeconds(int id, int seconds) const {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    seconds = std::clamp(seconds, 0, kSecondsPerDay - 1);
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>(seconds / 60 % 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    time.wMilliseconds = 0;
    SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

void ConvertPanel::SetPickersForClip(int durationSeconds, bool keepToOnZero) {
    SetPickerSeconds(IDC_CUT_FROM, 0);
    if (durationSeconds > 0 || !keepToOnZero) SetPickerSeconds(IDC_CUT_TO, durationSeconds);
    rememberedFrom_ = PickerSeconds(IDC_CUT_FROM);
    rememberedTo_ = PickerSeconds(IDC_CUT_TO);
}

void ConvertPanel::OnFromChanged() {
    int from = PickerSeconds(IDC_CUT_FROM);
    if (from < Duration()) {
        rememberedFrom_ = from;
    } else {
        from = rememberedFrom_;
        SetPickerSeconds(IDC_CUT_FROM, from);
    }
    if (from >= PickerSeconds(IDC_CUT_TO)) SetPickerSeconds(IDC_CUT_TO, from + 1);
}

void ConvertPanel::OnToChanged() {
    int to = PickerSeconds(IDC_CUT_TO);
    if (to <= Duration()) {
        rememberedTo_ = to;
    } else {
        to = rememberedTo_;
        SetPickerSeconds(IDC_CUT_TO, to);
    }
    if (PickerSeconds(IDC_CUT_FROM) >= to) {
        // To at 00:00:00 would push From into the day before; the pair restarts at the clip's start.
        const int from = to == 0 ? 0 : to - 1;
        if (to == 0) SetPickerSeconds(IDC_CUT_TO, 1);
        SetPickerSeconds(IDC_CUT_FROM, from);
        rememberedFrom_ = from;
    }
}

// ---- Commands ------------------------------------------------------------------------

bool ConvertPanel::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_OUTPUT_NAME:
        if (code == EN_CHANGE) OnNameChanged();
        return code == EN_CHANGE;
    case IDC_FORMAT:
        if (code == CBN_SELCHANGE) OnFormatChanged();
        return code == CBN_SELCHANGE;
    default: return DispatchClick(id, code);
    }
}

bool ConvertPanel::OnButtonClicked(WORD id) {
    switch (id) {
    case IDC_CUT_VIDEO: OnCutToggled(); return true;
    case IDC_CHANGE_FOLDER: ChooseOutputFolder(window(), folderTip_); return true;
    case IDC_OPEN_FOLDER: OpenFolder(window(), ItemText(IDC_OUTPUT_FOLDER)); return true;
    case IDC_CONVERT: OnConvertOrStop(); return true;
    default: return false;
    }
}

bool ConvertPanel::OnNotify(const NMHDR& header) {
    if (header.code != DTN_DATETIMECHANGE) return false;
    if (header.idFrom == IDC_CUT_FROM)
        OnFromChanged();
    else if (header.idFrom == IDC_CUT_TO)
        OnToChanged();
    else
        return false;
    return true;
}

void ConvertPanel::OnFormatChanged() {
    const int format = static_cast<int>(SendMessageW(Item(IDC_FORMAT), CB_GETCURSEL, 0, 0));
    const library::ClipRecord* clip = MarkedClip();
    const ResolutionChoices choices = resolutionChoices(format, clip ? clip->resolution() : std::wstring());
    FillResolutionCombo(Item(IDC_RESOLUTION), choices);
}

void ConvertPanel::OnCutToggled() {
    const BOOL ticked = IsChecked(IDC_CUT_VIDEO);
    for (int id : {IDC_CUT_FROM, IDC_CUT_TO, IDC_CUT_FROM_LABEL, IDC_CUT_TO_LABEL}) EnableWindow(Item(id), ticked);
}

void ConvertPanel::OnNameChanged() {
    if (kind_ == ConvertSurface::MainPanel) {
        // A finished run's "100%" goes as soon as the name changes.
        if (IsWindowVisible(Item(IDC_FILE_PROGRESS))) {
            ShowWindow(Item(IDC_FILE_PROGRESS), SW_HIDE);
            SendMessageW(Item(IDC_FILE_PROGRESS), PBM_SETPOS, 0, 0);
        }
        if (IsWindowVisible(Item(IDC_FILE_PERCENT))) {
            ShowWindow(Item(IDC_FILE_PERCENT), SW_HIDE);
            SetItemText(IDC_FILE_PERCENT, L"");
        }
    }
    OutputNameGuard& guard = kind_ == ConvertSurface::MainPanel ? SharedOutputNameGuards().mainPanel
                                                                : SharedOutputNameGuards().singleClipDialog;
    const std::optional<NameRejection> rejection = guard.OnTextChanged(ItemText(IDC_OUTPUT_NAME));
    if (!rejection) return;
    HWND box = Item(IDC_OUTPUT_NAME);
    framework::ShowEditBalloon(box, std::wstring(rejection->balloon.title), std::wstring(rejection->balloon.text),
                               framework::BalloonIcon::None);
    SetWindowTextW(box, rejection->restoreText.c_str());
    if (rejection->caretToEnd) {
        const LRESULT length = SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(length), length);
        SendMessageW(box, EM_SCROLLCARET, 0, 0);
    }
}

bool ConvertPanel::ApplyEmptyNameRule() {
    HWND box = Item(IDC_OUTPUT_NAME);
    const bool canUndo = SendMessageW(box, EM_CANUNDO, 0, 0) != 0;
    const EmptyNameDecision decision = EmptyNameRule(ItemText(IDC_OUTPUT_NAME), canUndo);
    if (decision.balloon)
        framework::ShowEditBalloon(box, std::wstring(decision.balloon->title), std::wstring(decision.balloon->text),
                                   framework::BalloonIcon::None);
    if (decision.repair == EmptyNameRepair::Undo) {
        SendMessageW(box, EM_UNDO, 0, 0);
        if (ItemText(IDC_OUTPUT_NAME).empty()) SetItemText(IDC_OUTPUT_NAME, std::wstring(kEmptyNameReplacement));
    } else if (decision.repair == EmptyNameRepair::SetReplacement) {
        SetItemText(IDC_OUTPUT_NAME, std::wstring(kEmptyNameReplacement));
    }
    return true;
}

void ConvertPanel::OnConvertOrStop() {
    ApplyEmptyNameRule();
    if (buttonState_ == ConvertButtonState::Converting)
        Stop();
    else
        StartConversion();
}

// ---- One run -------------------------------------------------------------------------

bool ConvertPanel::converting() const { return buttonState_ == ConvertButtonState::Converting; }

void ConvertPanel::SetButtonState(ConvertButtonState state) {
    buttonState_ = state;
    SetItemText(IDC_CONVERT, std::wstring(ConvertButtonCaption(state)));
}

ConvertJob ConvertPanel::ReadJob() const {
    ConvertJob job;
    const library::ClipRecord* clip = MarkedClip();
    job.inputPath = clip ? clip->path() : std::wstring();
    job.outputFolder = ItemText(IDC_OUTPUT_FOLDER);
    job.outputName = ItemText(IDC_OUTPUT_NAME);
    job.formatIndex = static_cast<int>(SendMessageW(Item(IDC_FORMAT), CB_GETCURSEL, 0, 0));
    if (StandardView()) {
        job.resolutionIndex = kStandardViewResolutionIndex;
        job.qualityLevel = static_cast<int>(SendMessageW(Item(IDC_QUALITY_SLIDER), TBM_GETPOS, 0, 0));
    } else {
        job.resolutionIndex = static_cast<int>(SendMessageW(Item(IDC_RESOLUTION), CB_GETCURSEL, 0, 0));
        job.qualityLevel =
            LevelFromQualityComboIndex(static_cast<int>(SendMessageW(Item(IDC_QUALITY), CB_GETCURSEL, 0, 0)));
    }
    job.cut = IsChecked(IDC_CUT_VIDEO);
    job.cutRange = {PickerSeconds(IDC_CUT_FROM), PickerSeconds(IDC_CUT_TO)};
    return job;
}

void ConvertPanel::DisableInputs() {
    disabled_ = {IDC_OUTPUT_NAME, IDC_OUTPUT_FOLDER, IDC_CHANGE_FOLDER, IDC_OPEN_FOLDER, IDC_FORMAT};
    if (StandardView()) {
        disabled_.push_back(IDC_QUALITY_SLIDER);
    } else {
        for (int id : {IDC_RESOLUTION, IDC_QUALITY, IDC_CUT_VIDEO}) disabled_.push_back(id);
        if (IsChecked(IDC_CUT_VIDEO))
            for (int id : {IDC_CUT_FROM, IDC_CUT_TO}) disabled_.push_back(id);
    }
    for (int id : disabled_) EnableWindow(Item(id), FALSE);
}

void ConvertPanel::EnableInputs() {
    const int format = static_cast<int>(SendMessageW(Item(IDC_FORMAT), CB_GETCURSEL, 0, 0));
    for (int id : disabled_)
        if (id != IDC_RESOLUTION || FormatHasSizeChoices(format)) EnableWindow(Item(id), TRUE);
    disabled_.clear();
}

void ConvertPanel::ShowProgress(bool show) {
    ShowWindow(Item(IDC_FILE_PROGRESS), show ? SW_SHOW : SW_HIDE);
    ShowWindow(Item(IDC_FILE_PERCENT), show ? SW_SHOW : SW_HIDE);
}

void ConvertPanel::ShowProgressDisplay(bool indeterminate, int position, const std::wstring& label) {
    ShowProgressOn(Item(IDC_FILE_PROGRESS), Item(IDC_FILE_PERCENT), ProgressDisplay{indeterminate, position, label});
}

void ConvertPanel::StartConversion() {
    // Never into a folder the user did not choose: an empty box would mean the root of
    // the current drive.
    if (ItemText(IDC_OUTPUT_FOLDER).empty()) SetItemText(IDC_OUTPUT_FOLDER, OutputFolderSetting());
    DisableInputs();
    const ConvertJob job = ReadJob();
    const std::wstring extension = outputExtension(job.formatIndex);
    if (platform::FileExists(OutputPath(job)) &&
        framework::prompter().AskYesNo(window(), OverwriteQuestion(kind_, job.outputName, extension)) !=
            framework::Answer::Yes) {
        // A disabled box cannot take the focus: enable first.
        EnableInputs();
        SetFocus(Item(IDC_OUTPUT_NAME));
        return;
    }
    ShowProgress(true);
    upperLimit_ = ExpectedSeconds(job.cutRange);
    // PBM_SETRANGE32: a 16-bit range would wrap for clips of more than 18 hours.
    SendMessageW(Item(IDC_FILE_PROGRESS), PBM_SETRANGE32, 0, std::max(upperLimit_, 1));
    const ProgressDisplay start = StartProgress(upperLimit_);
    ShowProgressDisplay(start.indeterminate, start.barPosition, start.label);
    SetButtonState(ConvertButtonState::Converting);

    run_ = std::make_shared<SingleRun>();
    unfinishedOutput_ = TemporaryOutputPath(job, NewRunTag());
    framework::StartWorker(WorkerOrder{window(), ++runNumber_, job, toolFolder_, unfinishedOutput_, run_},
                           [](const WorkerOrder& order) { ConversionWorker(order); });
}

void ConvertPanel::OnProgress(WPARAM runNumber, std::int64_t seconds) {
    if (runNumber != runNumber_ || !run_ || run_->run.halted()) return;
    if (const std::optional<ProgressDisplay> display = SingleClipProgress(seconds, upperLimit_))
        ShowProgressDisplay(display->indeterminate, display->barPosition, display->label);
}

void ConvertPanel::OnFinished(WPARAM runNumber) {
    // A stopped dialog run, or a run replaced by a newer one, does nothing more.
    if (runNumber != runNumber_ || !run_) return;
    ConversionResult result;
    {
        std::lock_guard<std::mutex> guard(run_->lock);
        result = run_->result;
    }
    run_.reset();
    if (result.status == ConversionResult::Status::Failed) {
        ReportFailure(result.failure);
        return;
    }
    const ProgressDisplay finished = FinishedProgress(upperLimit_);
    if (upperLimit_ <= 0) SendMessageW(Item(IDC_FILE_PROGRESS), PBM_SETRANGE32, 0, 1);
    ShowProgressDisplay(false, std::max(finished.barPosition, upperLimit_ <= 0 ? 1 : 0), finished.label);
    const bool notStopped = buttonState_ == ConvertButtonState::Converting;
    if (notStopped &&
        settings::SettingsStore().ReadSwitch<settings::kAutoOpenFolder>())
        OpenFolder(window(), ItemText(IDC_OUTPUT_FOLDER));
    SetButtonState(ConvertButtonState::Idle);
    EnableInputs();
}

void ConvertPanel::ReportFailure(const std::wstring& reason) {
    ShowProgressDisplay(false, 0, kFailedLabel);
    SetButtonState(ConvertButtonState::Idle);
    EnableInputs();
    ConvertJob job = ReadJob();
    framework::prompter().Tell(window(), ConversionFailedText(OutputPath(job), reason), true);
}

void ConvertPanel::Stop() {
    if (run_) run_->run.Halt();
    SetTimer(window(), convert::kStopCleanupTimer, kStopCleanupDelayMs, nullptr);
    stopCleanupPending_ = true;
    SendMessageW(Item(IDC_FILE_PROGRESS), PBM_SETPOS, 0, 0);
    ShowProgress(false);
    if (kind_ == ConvertSurface::MainPanel) {
        // The run's end still arrives and finishes the steps after the conversion; this
        // state tells it not to open the folder.
        SetButtonState(ConvertButtonState::StoppedRunEnding);
        EnableInputs();
        return;
    }
    run_.reset();
    ++runNumber_;
    EnableInputs();
    SetButtonState(ConvertButtonState::Idle);
}

void ConvertPanel::HaltForClose() {
    if (run_) run_->run.Halt();
    run_.reset();
    ++runNumber_;
    // A window's timers die with it: a Stop's clean-up still waiting is done by
    // kCloseCleanupTimer.
    KillTimer(window(), convert::kStopCleanupTimer);
    stopCleanupPending_ = false;
    SetTimer(window(), convert::kCloseCleanupTimer, kCloseCleanupDelayMs, nullptr);
}

bool ConvertPanel::OnTimer(UINT_PTR id) {
    if (id != convert::kStopCleanupTimer) return false;
    KillTimer(window(), id);
    stopCleanupPending_ = false;
    RemoveUnfinishedOutput();
    return true;
}

void ConvertPanel::RemoveUnfinishedOutput() {
    // A run writes under its temporary name until it has succeeded, so the output named
    // by the controls is either finished or someone else's: only the temporary goes.
    const std::wstring path = unfinishedOutput_;
    if (path.empty() || !platform::FileExists(path)) return;
    if (!DeleteFileW(path.c_str())) {
        const DWORD error = GetLastError();
        framework::prompter().Tell(window(), framework::FileErrorText(path, error), true);
    }
}

bool ConvertPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == convert::WM_CONVERT_PROGRESS) {
        OnProgress(wParam, static_cast<std::int64_t>(lParam));
        return true;
    }
    if (message == convert::WM_CONVERT_FINISHED) {
        OnFinished(wParam);
        return true;
    }
    return false;
}

}  // namespace convert
