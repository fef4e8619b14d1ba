#include "library/ClipListView.h"

#include "framework/RedrawPause.h"
#include "library/ClipSorter.h"

#include <commctrl.h>
#include <oleauto.h>

namespace library {

namespace {

// Under Wine a list that is painted again redraws its scroll bars at once, tens of
// milliseconds: a long delivery repaints only at its end, but the rows shown do not lag
// behind for longer than this.
constexpr std::chrono::milliseconds kLongestUnpainted{400};

constexpr DWORD kExtendedStyles =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP;

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

int ClipListView::InsertAtTop(const ClipRecord& record) {
    std::wstring title = record[0];
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = title.data();
    const int row = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return -1;
    for (size_t column = 1; column < record.size(); ++column) {
        std::wstring text = record[column];
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(column);
        cell.pszText = text.data();
        SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

int ClipListView::Deliver(RowDelivery& delivery, std::chrono::milliseconds slice) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + slice;
    const std::vector<ClipRecord>& rows = *delivery.rows;
    std::unordered_set<std::wstring> listed = delivery.skipListed ? Paths() : std::unordered_set<std::wstring>{};
    HoldRedraw();
    int inserted = 0;
    std::size_t next = delivery.first;
    while (next < rows.size()) {
        const ClipRecord& record = rows[next++];
        const bool skip = delivery.skipListed && !listed.insert(record[kPathColumn]).second;
        if (!skip && InsertAtTop(record) >= 0) ++inserted;
        if (Clock::now() >= deadline) break;
    }
    delivery.taken = next - delivery.first;
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
    InvalidateRect(list_, nullptr, TRUE);
}

std::unordered_set<std::wstring> ClipListView::Paths() const {
    std::unordered_set<std::wstring> paths;
    for (int row = 0, count = RowCount(); row < count; ++row) paths.insert(RowPath(row));
    return paths;
}

int ClipListView::RowCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ClipListView::CellText(int row, int column) const {
    // Paths may exceed MAX_PATH; grow until the text fits.
    for (size_t capacity = 512;; capacity *= 4) {
        std::wstring text(capacity, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(capacity);
        const auto length = static_cast<size_t>(
            SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < capacity || capacity >= 32768) {
            text.resize(length);
            return text;
        }
    }
}

void ClipListView::DeleteAllRows() { SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0); }

bool ClipListView::IsChecked(int row) const {
    const auto state = SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void ClipListView::SetChecked(int row, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int ClipListView::CheckedCount() const {
    int checked = 0;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) checked += IsChecked(row) ? 1 : 0;
    return checked;
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
    const framework::RedrawPause pause(list_);
    ClipSorter sorter(list_, column);
    sorter.Sort(parameter);
}

}  // namespace library
