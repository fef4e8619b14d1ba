#include "library/ClipSorter.h"

#include "library/ClipListView.h"
#include "library/ClipSort.h"

#include <commctrl.h>

namespace library {

namespace {

std::wstring ItemText(HWND list, int row, int column) {
    std::wstring text(512, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<size_t>(length));
    return text;
}

LPARAM ItemData(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void SetItemData(HWND list, int row, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

ClipSorter::ClipSorter(HWND list, int column) : list_(list) {
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    // Reserved up front: the rows point into this vector while the sort runs.
    keys_.reserve(static_cast<size_t>(count));
    const bool dates = SortKindForColumn(column) == SortKind::DateTime;
    for (int row = 0; row < count; ++row) {
        keys_.push_back(RowKey{ItemData(list_, row), ItemText(list_, row, column), this});
        if (dates && !dates_.contains(keys_.back().text))
            dates_.emplace(keys_.back().text, ParseListDateTime(keys_.back().text));
        SetItemData(list_, row, reinterpret_cast<LPARAM>(&keys_.back()));
    }
}

ClipSorter::~ClipSorter() {
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const auto* key = reinterpret_cast<const RowKey*>(ItemData(list_, row));
        if (key != nullptr) SetItemData(list_, row, key->previousData);
    }
}

void ClipSorter::Sort(std::int64_t sortParameter) {
    SendMessageW(list_, LVM_SORTITEMS, static_cast<WPARAM>(sortParameter), reinterpret_cast<LPARAM>(&Compare));
}

int CALLBACK ClipSorter::Compare(LPARAM first, LPARAM second, LPARAM sortParameter) {
    const auto* a = reinterpret_cast<const RowKey*>(first);
    const auto* b = reinterpret_cast<const RowKey*>(second);
    const auto& dates = a->sorter->dates_;
    return CompareCells(static_cast<std::int64_t>(sortParameter), a->text, b->text, [&dates](std::wstring_view text) {
        const auto found = dates.find(std::wstring(text));
        return found == dates.end() ? ParseListDateTime(text) : found->second;
    });
}

}  // namespace library
