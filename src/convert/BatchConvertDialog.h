#pragma once
// The batch convert dialog (template 147): every ticked clip of the main window's list,
// each under an output name the user may edit, converted one after the other to one
// format into one folder. The clips come as the list's records: path and length as values.
#include "convert/BatchPlan.h"
#include "convert/BatchWorker.h"
#include "convert/ConvertControls.h"
#include "convert/ConvertJob.h"
#include "convert/OutputFolder.h"
#include "convert/Progress.h"
#include "framework/Dialog.h"
#include "library/ClipListView.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"

#include <string>
#include <vector>

namespace convert {

// The list's row menu.
inline constexpr UINT kRenameRowCommand = 1;
inline constexpr UINT kDeleteRowCommand = 2;

inline constexpr wchar_t kDeleteRowQuestion[] = L"Are you sure you want to delete this file from the list?";
inline constexpr wchar_t kLastRowRefusal[] = L"You can not delete the last file from the list";

class BatchConvertDialog : public framework::Dialog {
public:
    // `clips` is the main window's list: its ticked clips are the batch.
    BatchConvertDialog(HWND parent, const library::ClipListView* clips)
        : Dialog(IDD_BATCH_CONVERT, parent), clips_(clips) {}

    // Where ffmpeg.exe lies, for tests; the program folder otherwise.
    void SetToolFolder(std::wstring folder) { toolFolder_ = std::move(folder); }
    // The rows as they stand: name, clip and duration.
    const std::vector<BatchRow>& Rows() const { return rows_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnButtonClicked(WORD id) override;
    LRESULT OnNotify(const NMHDR& header, bool& handled) override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(MSG& message) override;
    // Tracks the row menu and returns the chosen command (0 for none). Tests replace it.
    virtual UINT TrackRowMenu(HMENU menu, POINT screen);

private:
    HWND List() const { return Item(IDC_BATCH_LIST); }
    void SetupCombos();
    void SetupList();
    void AddCheckedClips();
    void AddRow(const BatchRow& row, const std::wstring& durationText);
    void SetCell(int row, int column, const std::wstring& text) const;
    int RowCount() const;
    // The batch list's clean-up, with its notice on the hidden anchor edit.
    std::wstring CleanName(std::wstring_view text) const;

    void ShowRowMenu(POINT click);
    void RenameRow(int row);
    void DeleteRow(int row);
    bool OnEndLabelEdit(const NMLVDISPINFOW& edit);
    void OnFormatChanged();

    bool Converting() const;
    void SetButtonState(ConvertButtonState state);
    void OnConvertOrStop();
    void StartBatch();
    void StopBatch();
    void SetInputsEnabled(bool enabled);
    void ShowProgressControls(bool show);
    void SetBar(int id, const ProgressDisplay& display);
    void OnRowStarted(std::size_t index);
    void OnProgress(std::int64_t seconds);
    void OnRowFinished(std::size_t index);
    void OnBatchFinished();
    void RemoveUnfinishedOutput();

    const library::ClipListView* clips_;
    // The list's rows in list order; the names are also the list's labels.
    std::vector<BatchRow> rows_;
    FolderTip folderTip_;
    FormatImages formatImages_;
    platform::UniqueGdiObject renameBitmap_;
    platform::UniqueGdiObject deleteBitmap_;
    std::wstring toolFolder_;

    BatchWorker worker_;
    WPARAM batchNumber_ = 0;
    std::vector<int> rowSeconds_;  // per scheduled row, in run order
    std::vector<std::wstring> temporaries_;
    BatchProgressState progress_;
    std::wstring unfinishedOutput_;
    bool stopCleanupPending_ = false;
    bool closing_ = false;
    ConvertButtonState buttonState_ = ConvertButtonState::Idle;
};

}  // namespace convert
