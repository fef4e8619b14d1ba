#pragma once
// The convert controls of one surface: the main window's panel (template 130) or the
// single-clip dialog (template 143). Both share control ids, so one controller serves
// both; it borrows the surface's window and the main window's clip list, whose records
// give it the clip's path, title, size and length.
#include "convert/ConvertControls.h"
#include "convert/ConvertJob.h"
#include "convert/ConvertRunner.h"
#include "convert/OutputFolder.h"
#include "convert/OutputNames.h"
#include "framework/ControlHost.h"
#include "library/ClipListView.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace convert {

inline constexpr wchar_t kNoClipsToConvert[] = L"No video clips to convert";
// The percent label of a run that produced nothing.
inline constexpr wchar_t kFailedLabel[] = L"Failed";

// What the user reads when a run produced nothing.
std::wstring ConversionFailedText(const std::wstring& output, const std::wstring& reason);

// One remembered name per kind of surface, for the program's life.
OutputNameGuards& SharedOutputNameGuards();

// One single-clip run, shared by the surface and the run's worker.
struct SingleRun;

class ConvertPanel : public framework::ControlHost {
public:
    ConvertPanel() = default;
    ~ConvertPanel() override = default;
    ConvertPanel(const ConvertPanel&) = delete;
    ConvertPanel& operator=(const ConvertPanel&) = delete;

    void Attach(HWND surface, ConvertSurface kind, const library::ClipListView* clips);
    // Where ffmpeg.exe lies; the program folder unless a test says otherwise.
    void SetToolFolder(std::wstring folder) { toolFolder_ = std::move(folder); }
    // The folder box's tooltip, which Change keeps in step with the box.
    void SetFolderTip(FolderTip* tip) { folderTip_ = tip; }

    // Pickers, format, resolution and quality as a surface opens; the formats' icons come
    // with AddFormatIcons.
    void Setup();
    void AddFormatIcons();
    // The clip of `row` becomes the one to convert.
    void FillFromClip(int row);
    // The list lost all its rows.
    void ShowEmptyList();
    // From at 00:00:00 and To at the clip's duration, both remembered; a duration of
    // 00:00:00 leaves To as it stood when `keepToOnZero`.
    void SetPickersForClip(int durationSeconds, bool keepToOnZero);
    // The duration of the clip at the list's selection mark, in seconds.
    int ClipDuration() const { return Duration(); }

    // Each returns true when it handled the message.
    bool OnCommand(WORD id, WORD code);
    bool OnNotify(const NMHDR& header);
    // kStopCleanupTimer only; the dialog closes itself after kCloseCleanupTimer.
    bool OnTimer(UINT_PTR id);
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A worker runs: the button says "Stop".
    bool converting() const;
    // A Stop's clean-up (kStopCleanupTimer) has not run yet.
    bool stopCleanupPending() const { return stopCleanupPending_; }
    // Closing the dialog during a run, or before a Stop's clean-up ran: halt, end ffmpeg,
    // kCloseCleanupTimer, which removes the output before the dialog goes.
    void HaltForClose();
    // Both clean-up timers: the output named by the controls as they are now, if it exists.
    void RemoveUnfinishedOutput();

private:
    bool OnButtonClicked(WORD id) override;
    bool StandardView() const;

    void FillQuality();
    void OnFormatChanged();
    void OnCutToggled();
    void OnNameChanged();
    void OnConvertOrStop();
    bool ApplyEmptyNameRule();

    ConvertJob ReadJob() const;
    int Duration() const;
    // The clip at the list's selection mark; none when nothing is marked.
    const library::ClipRecord* MarkedClip() const;

    void StartConversion();
    void DisableInputs();
    void EnableInputs();
    void ShowProgress(bool show);
    void ShowProgressDisplay(bool indeterminate, int position, const std::wstring& label);
    void OnProgress(WPARAM runNumber, std::int64_t seconds);
    void OnFinished(WPARAM runNumber);
    void Stop();
    void SetButtonState(ConvertButtonState state);
    void ReportFailure(const std::wstring& reason);

    // Picker rules: seconds of the day on the surface's date.
    int PickerSeconds(int id) const;
    void SetPickerSeconds(int id, int seconds) const;
    void OnFromChanged();
    void OnToChanged();

    const library::ClipListView* clips_ = nullptr;
    FolderTip* folderTip_ = nullptr;
    ConvertSurface kind_ = ConvertSurface::MainPanel;
    std::wstring toolFolder_;
    FormatImages formatImages_;

    std::shared_ptr<SingleRun> run_;
    // Where the latest run writes until it succeeds; the Stop clean-up removes it.
    std::wstring unfinishedOutput_;
    WPARAM runNumber_ = 0;
    int upperLimit_ = 0;
    std::vector<int> disabled_;
    bool stopCleanupPending_ = false;
    ConvertButtonState buttonState_ = ConvertButtonState::Idle;

    int rememberedFrom_ = 0;
    int rememberedTo_ = 0;
};

}  // namespace convert
