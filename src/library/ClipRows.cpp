#include "library/ClipRows.h"

#include "platform/Text.h"

#include <algorithm>
#include <utility>

namespace library {

std::size_t ClipRows::Find(const std::wstring& path) const {
    if (!Lists(path)) return rows_.size();
    const auto found = std::ranges::find_if(rows_, [&](const Row& row) { return row.record.path() == path; });
    return static_cast<std::size_t>(found - rows_.begin());
}

bool ClipRows::PushTop(ClipRecord record, bool skipListed) {
    if (skipListed && Lists(record.path())) return false;
    ++paths_[record.path()];
    rows_.push_front(Row{std::move(record), false});
    return true;
}

bool ClipRows::Update(ClipRecord record) {
    const std::size_t row = Find(record.path());
    if (row == rows_.size()) return false;
    rows_[row].record = std::move(record);
    return true;
}

void ClipRows::Unindex(const std::wstring& path) {
    const auto found = paths_.find(path);
    if (found != paths_.end() && --found->second == 0) paths_.erase(found);
}

void ClipRows::Remove(std::size_t row) {
    if (row >= rows_.size()) return;
    if (rows_[row].checked) --checkedCount_;
    Unindex(rows_[row].record.path());
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
}

std::vector<ClipRecord> ClipRows::RemoveChecked() {
    std::vector<ClipRecord> removed;
    std::deque<Row> kept;
    for (Row& row : rows_) {
        if (!row.checked) {
            kept.push_back(std::move(row));
            continue;
        }
        Unindex(row.record.path());
        removed.push_back(std::move(row.record));
    }
    rows_ = std::move(kept);
    checkedCount_ = 0;
    return removed;
}

void ClipRows::Clear() {
    rows_.clear();
    paths_.clear();
    checkedCount_ = 0;
}

void ClipRows::SetChecked(std::size_t row, bool checked) {
    if (row >= rows_.size() || rows_[row].checked == checked) return;
    rows_[row].checked = checked;
    checked ? ++checkedCount_ : --checkedCount_;
}

void ClipRows::SetAllChecked(bool checked) {
    for (Row& row : rows_) row.checked = checked;
    checkedCount_ = checked ? rows_.size() : 0;
}

std::vector<ClipRecord> ClipRows::CheckedRecords() const {
    std::vector<ClipRecord> records;
    for (const Row& row : rows_)
        if (row.checked) records.push_back(row.record);
    return records;
}

void ClipRows::SetTitle(std::size_t row, std::wstring title) {
    if (row < rows_.size()) rows_[row].record.cells[kTitleColumn] = std::move(title);
}

void ClipRows::Reorder(const std::vector<std::size_t>& order) {
    std::deque<Row> sorted;
    for (std::size_t from : order) sorted.push_back(std::move(rows_[from]));
    rows_ = std::move(sorted);
}

std::size_t ClipRows::FindTitle(std::wstring_view text, std::size_t start, bool wrap, bool whole) const {
    const std::size_t count = rows_.size();
    const std::size_t steps = start >= count ? 0 : wrap ? count : count - start;
    for (std::size_t step = 0; step < steps; ++step) {
        const std::size_t row = (start + step) % count;
        const std::wstring_view title = rows_[row].record.title();
        if (title.size() < text.size() || (whole && title.size() != text.size())) continue;
        if (platform::EqualsIgnoringCase(title.substr(0, text.size()), text)) return row;
    }
    return count;
}

}  // namespace library
