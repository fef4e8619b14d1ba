#include "library/ClipListView.h"

#include "framework/RedrawPause.h"
#include "library/ClipSorter.h"

#include <commctrl.h>
#include <oleauto.h>

#include <algorithm>

namespace library {

namespace {

// Under Wine a list that is painted again redraws its scroll bars at once, tens of
// milliseconds: a long delivery repaints only at its end, but the rows shown do not lag
// behind for longer than this.
constexpr std::chrono::milliseconds kLongestUnpainted{400};

constexpr DWORD kExtendedStyles =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP;

constexpr UINT kUnticked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kTicked = INDEXTOSTATEIMAGEMASK(2);

int HeaderFormat(HeaderArrow arrow) {
    switch (arrow) {
    case HeaderArrow::Up: return HDF_STRING | HDF_SORTUP;
    case HeaderArrow::Down: return HDF_STRING | HDF_SORTDOWN;
    case HeaderArrow::None: break;
    }
    return HDF_STRING;
}

}  // namespace

SortState& ClipListView::sortState() {
    static SortState state;
    return state;
}

std::optional<double> ParseListDateTime(std::wstring_view text) {
    std::wstring copy(text);
    DATE value = 0;
    if (FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
    return value;
}

void ClipListView::Initialize() {
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, kExtendedStyles, kExtendedStyles);
    // The boxes are asked for with each row's texts: the control keeps no state image.
    SendMessageW(list_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    SendMessageW(list_, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
    // Each new column would lay out the scroll bars again.
    const framework::RedrawPause pause(list_);
    for (size_t index = 0; index < kClipColumns.size(); ++index) {
        std::wstring header(kClipColumns[index].header);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kClipColumns[index].initialWidth;
        column.pszText = header.data();
        column.iSubItem = static_cast<int>(index);
        SendMessageW(list_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    }
    ResetHeaderArrows();
}

void ClipListView::SetWatermark(HINSTANCE resources, int bitmapId) {
    LVBKIMAGEW background{};
    background.ulFlags = LVBKIF_TYPE_WATERMARK;
    background.hbm = static_cast<HBITMAP>(
        LoadImageW(resources, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    background.xOffsetPercent = 100;
    background.yOffsetPercent = 100;
    // The list owns the watermark bitmap once it accepted it.
    if (background.hbm != nullptr && !SendMessageW(list_, LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&background)))
        DeleteObject(background.hbm);
}

// ---- What the control asks for --------------------------------------------------------

bool ClipListView::OnNotify(const NMHDR& header, LRESULT& result) {
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        // The control hands its own structure to fill in.
        FillDisplayInfo(const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)));
        return true;
    case LVN_ODFINDITEMW: result = FindTitle(reinterpret_cast<const NMLVFINDITEMW&>(header)); return true;
    case LVN_ODCACHEHINT: return true;
    case NM_CLICK:
    case NM_DBLCLK: ToggleAt(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction); return false;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE)
            ToggleChecked(
                static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
        return false;
    case LVN_ITEMCHANGED: TakeStateOfEveryRow(reinterpret_cast<const NMLISTVIEW&>(header)); return true;
    default: return false;
    }
}

void ClipListView::FillDisplayInfo(NMLVDISPINFOW& info) const {
    const ClipRecord* record = RecordAt(info.item.iItem);
    if (record == nullptr) return;
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0 && item.iSubItem >= 0 &&
        item.iSubItem < static_cast<int>(kClipColumns.size()))
        lstrcpynW(item.pszText, record->cells[static_cast<std::size_t>(item.iSubItem)].c_str(), item.cchTextMax);
    if (item.mask & LVIF_STATE)
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | (IsChecked(item.iItem) ? kTicked : kUnticked);
}

// Typing in the list moves to the next row whose title begins with what was typed.
int ClipListView::FindTitle(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || what.psz == nullptr || rows_.empty()) return -1;
    const std::size_t start = find.iStart < 0 ? 0 : std::min(static_cast<std::size_t>(find.iStart), rows_.size() - 1);
    const std::size_t found =
        rows_.FindTitle(what.psz, start, (what.flags & LVFI_WRAP) != 0, !(what.flags & LVFI_PARTIAL));
    return found < rows_.size() ? static_cast<int>(found) : -1;
}

// The control keeps no box of its own to tick: a click on one is taken here.
void ClipListView::ToggleAt(POINT point) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) ToggleChecked(hit.iItem);
}

void ClipListView::ToggleChecked(int row) {
    if (RecordAt(row) != nullptr) SetChecked(row, !IsChecked(row));
}

// Wine's control passes a state given to every row at once (LVM_SETITEMSTATE for row -1)
// on as one change of row -1.
void ClipListView::TakeStateOfEveryRow(const NMLISTVIEW& change) {
    if (change.iItem != -1 || !(change.uChanged & LVIF_STATE)) return;
    const UINT image = change.uNewState & LVIS_STATEIMAGEMASK;
    if (image != kTicked && image != kUnticked) return;
    rows_.SetAllChecked(image == kTicked);
    InvalidateRows();
    if (checksChanged_) checksChanged_();
}

// ---- Rows -----------------------------------------------------------------------------

const ClipRecord* ClipListView::RecordAt(int row) const {
    if (row < 0 || row >= RowCount()) return nullptr;
    return &rows_.record(static_cast<std::size_t>(row));
}

std::wstring ClipListView::CellText(int row, int column) const {
    const ClipRecord* record = RecordAt(row);
    if (record == nullptr || column < 0 || column >= static_cast<int>(kClipColumns.size())) return {};
    return record->cells[static_cast<std::size_t>(column)];
}

std::unordered_set<std::wstring> ClipListView::Paths() const {
    std::unordered_set<std::wstring> paths;
    for (std::size_t row = 0; row < rows_.size(); ++row) paths.insert(rows_.record(row).path());
    return paths;
}

ClipListView::RowMarks ClipListView::ReadMarks() const {
    return {FirstSelected(),
            static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)),
            SelectionMark()};
}

// The rows' area without the header above it: painting the header again costs more under
// Wine than painting the rows, and rows that move leave it as it is.
void ClipListView::InvalidateRows() {
    RECT rows{};
    GetClientRect(list_, &rows);
    RECT header{};
    if (GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0)), &header))
        rows.top = std::min(rows.bottom, rows.top + static_cast<LONG>(header.bottom - header.top));
    InvalidateRect(list_, &rows, TRUE);
}

void ClipListView::ShowRows(const RowMarks& before, const std::function<int(int)>& moved, int markWhenGone) {
    SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL);
    InvalidateRows();
    const auto carried = [&](int row) { return row < 0 ? -1 : moved(row); };
    const int selected = carried(before.selected);
    const int focused = carried(before.focused);
    int mark = carried(before.mark);
    if (before.mark >= 0 && mark < 0) mark = std::min(markWhenGone, RowCount() - 1);
    const auto setState = [&](int row, UINT mask, UINT state) {
        LVITEMW item{};
        item.stateMask = mask;
        item.state = state;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    };
    if (selected != before.selected || focused != before.focused) {
        // Row by row: a change given to every row at once costs the control a call per row.
        for (const int row : {before.selected, before.focused})
            if (row >= 0) setState(row < RowCount() ? row : -1, LVIS_SELECTED | LVIS_FOCUSED, 0);
        if (selected >= 0) setState(selected, LVIS_SELECTED, LVIS_SELECTED);
        if (focused >= 0) setState(focused, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    SendMessageW(list_, LVM_SETSELECTIONMARK, 0, mark);
}

int ClipListView::InsertAtTop(const ClipRecord& record) {
    const RowMarks before = ReadMarks();
    if (!rows_.PushTop(record, false)) return -1;
    ShowRows(
        before, [](int row) { return row + 1; }, 0);
    return 0;
}

int ClipListView::Deliver(RowDelivery& delivery, std::chrono::milliseconds slice) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + slice;
    std::vector<ClipRecord>& rows = *delivery.rows;
    // Between the batches of a build the list waits unpainted; a lone delivery (a capture)
    // is painted at once, without holding and releasing the list's painting, which under
    // Wine lays out its scroll bars again.
    if (delivery.moreFollow || redrawHeld_) HoldRedraw();
    const RowMarks before = ReadMarks();
    int inserted = 0;
    bool updated = false;
    std::size_t next = delivery.first;
    while (next < rows.size()) {
        ClipRecord& record = rows[next++];
        if (delivery.updateListed && rows_.Update(record))
            updated = true;
        else if (rows_.PushTop(std::move(record), delivery.skipListed))
            ++inserted;
        if (Clock::now() >= deadline) break;
    }
    delivery.taken = next - delivery.first;
    if (inserted > 0)
        ShowRows(
            before, [inserted](int row) { return row + inserted; }, 0);
    else if (updated)
        InvalidateRows();
    const bool through = next == rows.size() && !delivery.moreFollow;
    if (through || Clock::now() - heldSince_ >= kLongestUnpainted) ReleaseRedraw();
    return inserted;
}

// Sent every time: a sort or a layout change in between may have let the list paint again.
void ClipListView::HoldRedraw() {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    if (redrawHeld_) return;
    redrawHeld_ = true;
    heldSince_ = std::chrono::steady_clock::now();
}

void ClipListView::ReleaseRedraw() {
    if (!redrawHeld_) return;
    redrawHeld_ = false;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRows();
}

void ClipListView::DeleteRow(int row) {
    if (RecordAt(row) == nullptr) return;
    const RowMarks before = ReadMarks();
    const bool wasChecked = IsChecked(row);
    rows_.Remove(static_cast<std::size_t>(row));
    ShowRows(
        before, [row](int old) { return old == row  ? -1
                                        : old > row ? old - 1
                                                    : old; }, row);
    if (wasChecked && checksChanged_) checksChanged_();
}

std::vector<ClipRecord> ClipListView::DeleteCheckedRows() {
    if (rows_.checkedCount() == 0) return {};
    const RowMarks before = ReadMarks();
    // Which rows go, and how many of those lie above each row.
    std::vector<bool> gone(rows_.size());
    std::vector<int> goneAbove(rows_.size() + 1, 0);
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        gone[row] = rows_.checked(row);
        goneAbove[row + 1] = goneAbove[row] + (gone[row] ? 1 : 0);
    }
    std::vector<ClipRecord> removed = rows_.RemoveChecked();
    const auto moved = [&](int row) {
        const auto at = static_cast<std::size_t>(row);
        return gone[at] ? -1 : row - goneAbove[at];
    };
    const int markPlace = before.mark >= 0 ? before.mark - goneAbove[static_cast<std::size_t>(before.mark)] : 0;
    ShowRows(before, moved, markPlace);
    if (checksChanged_) checksChanged_();
    return removed;
}

void ClipListView::DeleteAllRows() {
    const bool hadChecks = CheckedCount() > 0;
    rows_.Clear();
    SendMessageW(list_, LVM_SETITEMCOUNT, 0, LVSICF_NOINVALIDATEALL);
    InvalidateRows();
    if (hadChecks && checksChanged_) checksChanged_();
}

void ClipListView::SetTitle(int row, std::wstring title) {
    if (RecordAt(row) == nullptr) return;
    rows_.SetTitle(static_cast<std::size_t>(row), std::move(title));
    SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

// ---- Check boxes and selection --------------------------------------------------------

bool ClipListView::IsChecked(int row) const {
    return RecordAt(row) != nullptr && rows_.checked(static_cast<std::size_t>(row));
}

void ClipListView::SetChecked(int row, bool checked) {
    if (RecordAt(row) == nullptr || IsChecked(row) == checked) return;
    rows_.SetChecked(static_cast<std::size_t>(row), checked);
    SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
    if (checksChanged_) checksChanged_();
}

int ClipListView::SelectionMark() const { return static_cast<int>(SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0)); }

int ClipListView::FirstSelected() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ClipListView::SelectAndFocus(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(list_, LVM_SETSELECTIONMARK, 0, row);
}

void ClipListView::ClearSelection(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void ClipListView::SetColumnWidth(int column, int width) {
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
}

int ClipListView::ColumnWidth(int column) const {
    return static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// ---- Sorting --------------------------------------------------------------------------

void ClipListView::SetArrow(int column, HeaderArrow arrow) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    item.fmt = HeaderFormat(arrow);
    SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
}

HeaderArrow ClipListView::ArrowOf(int column) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    if (item.fmt & HDF_SORTUP) return HeaderArrow::Up;
    if (item.fmt & HDF_SORTDOWN) return HeaderArrow::Down;
    return HeaderArrow::None;
}

void ClipListView::ResetHeaderArrows() {
    for (size_t column = 0; column < kClipColumns.size(); ++column)
        SetArrow(static_cast<int>(column), StartupHeaderArrow(static_cast<int>(column)));
}

void ClipListView::SortByColumn(int column) {
    SortState& state = sortState();
    const std::int64_t parameter = ClickColumn(state, column);
    for (size_t index = 0; index < kClipColumns.size(); ++index)
        SetArrow(static_cast<int>(index), SortedHeaderArrow(state, static_cast<int>(index)));
    const std::vector<std::size_t> order = ClipSorter(column, parameter, ParseListDateTime).Order(rows_);
    std::vector<int> placeOf(order.size());
    for (std::size_t place = 0; place < order.size(); ++place) placeOf[order[place]] = static_cast<int>(place);
    const RowMarks before = ReadMarks();
    rows_.Reorder(order);
    ShowRows(
        before, [&](int row) { return placeOf[static_cast<std::size_t>(row)]; }, 0);
}

}  // namespace library
