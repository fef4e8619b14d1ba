#pragma once
// The clip list control (1009). Every function here runs on the window thread: the
// workers that build the list hand whole rows to the window with one message each, so
// a header-click sort never meets a row that is only half filled in.
#include "library/ClipRecord.h"
#include "library/ClipSort.h"
#include "library/RowDelivery.h"

#include <windows.h>

#include <chrono>
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

    // Inserts the row at the top; -1 when the control refuses it.
    int InsertAtTop(const ClipRecord& record);
    // Inserts the delivery's rows from its first on, each at the top in turn, until `slice`
    // has passed (one row at least), and records how many it went through. The list is
    // painted again once a delivery is through and no more follow, or when it has waited
    // too long for that. Returns how many rows went in.
    int Deliver(RowDelivery& delivery, std::chrono::milliseconds slice);
    // Repaints a list that deliveries left unpainted.
    void ReleaseRedraw();
    // The path of every row.
    std::unordered_set<std::wstring> Paths() const;
    int RowCount() const;
    std::wstring CellText(int row, int column) const;
    std::wstring RowPath(int row) const { return CellText(row, kPathColumn); }
    void DeleteAllRows();

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    int CheckedCount() const;
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
    void SetArrow(int column, HeaderArrow arrow);
    void HoldRedraw();

    HWND list_ = nullptr;
    bool redrawHeld_ = false;
    std::chrono::steady_clock::time_point heldSince_;
};

// The system's variant date parser in the user's locale, as the date columns sort.
std::optional<double> ParseListDateTime(std::wstring_view text);

}  // namespace library
