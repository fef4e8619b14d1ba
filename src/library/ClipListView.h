#pragma once
// The clip list control (IDC_CLIP_LIST). The control holds no rows of its own (owner data): it asks
// for the texts and check boxes of the rows it paints, so thousands of clips cost it
// nothing, and every row lives here, in ClipRows. Every function runs on the window
// thread: the workers that build the list hand whole rows over with one message each, so
// a header-click sort never meets a row that is only half filled in.
#include "library/ClipOrder.h"
#include "library/ClipRecord.h"
#include "library/ClipRows.h"
#include "library/RowDelivery.h"

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace library {

class ClipListView {
public:
    void Attach(HWND list) { list_ = list; }
    HWND hwnd() const { return list_; }

    // Extended styles, transparent text background and the columns.
    void Initialize();
    void SetWatermark(HINSTANCE resources, int bitmapId);
    // Called after any box was ticked or cleared, whoever did it.
    void OnChecksChanged(std::function<void()> changed) { checksChanged_ = std::move(changed); }

    // The list's notifications about its rows: what to paint, the type-ahead search, a
    // click or double click on a row's box, the space bar on the focused row, and a state
    // given to every row at once. True when the notification needs nothing more; the
    // window still goes on with its own handling of clicks and keys.
    bool OnNotify(const NMHDR& header, LRESULT& result);

    const ClipRows& rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The clip of `row`, or none outside the list.
    const ClipRecord* RecordAt(int row) const;
    std::wstring CellText(int row, int column) const;
    std::wstring RowPath(int row) const { return CellText(row, kPathColumn); }
    // The path of every row.
    std::unordered_set<std::wstring> Paths() const;

    // Inserts the row at the top; -1 when it cannot be listed.
    int InsertAtTop(const ClipRecord& record);
    // Inserts the delivery's rows from its first on, each at the top in turn, until `slice`
    // has passed (one row at least), and records how many it went through. The list is
    // painted again once a delivery is through and no more follow, or when it has waited
    // too long for that. Returns how many rows went in.
    int Deliver(RowDelivery& delivery, std::chrono::milliseconds slice);
    // Repaints a list that deliveries left unpainted.
    void ReleaseRedraw();
    void DeleteRow(int row);
    // Removes every ticked row and returns their clips, top first.
    std::vector<ClipRecord> DeleteCheckedRows();
    void DeleteAllRows();
    void SetTitle(int row, std::wstring title);

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    int CheckedCount() const { return static_cast<int>(rows_.checkedCount()); }
    std::vector<ClipRecord> CheckedRecords() const { return rows_.CheckedRecords(); }

    // The row with the selection mark, or -1.
    int SelectionMark() const;
    int FirstSelected() const;
    void SelectAndFocus(int row);
    void ClearSelection(int row);

    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;

    // Header click: sorts by the column and moves the arrows. The sort state is the
    // program's, shared by every list.
    void SortByColumn(int column);
    // The arrows as at start: the upward arrow on "Date of view" only.
    void ResetHeaderArrows();
    HeaderArrow ArrowOf(int column) const;

    static SortState& sortState();

private:
    // The control keeps the selection, the focus and the selection mark by row number and
    // knows nothing of rows that move; they are carried over by `moved` (old row to new
    // row, -1 when the row went), the mark to the row that took the place of its own.
    struct RowMarks {
        int selected = -1;
        int focused = -1;
        int mark = -1;
    };
    RowMarks ReadMarks() const;
    void ShowRows(const RowMarks& before, const std::function<int(int)>& moved, int markWhenGone);
    void InvalidateRows();
    void FillDisplayInfo(NMLVDISPINFOW& info) const;
    int FindTitle(const NMLVFINDITEMW& find) const;
    void ToggleAt(POINT point);
    void ToggleChecked(int row);
    void TakeStateOfEveryRow(const NMLISTVIEW& change);
    void SetArrow(int column, HeaderArrow arrow);
    void HoldRedraw();

    HWND list_ = nullptr;
    ClipRows rows_;
    std::function<void()> checksChanged_;
    bool redrawHeld_ = false;
    std::chrono::steady_clock::time_point heldSince_;
};

// The system's variant date parser in the user's locale, as the date columns sort.
std::optional<double> ParseListDateTime(std::wstring_view text);

}  // namespace library
