#pragma once
// The rows of the clip list: the list control asks for what it paints, and holds none of
// it. The top row is row 0; a build puts each new clip at the top. Every row's path is
// indexed, so a build learns whether a clip is listed without asking the control.
// Portable: no Windows header.
#include "library/ClipRecord.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace library {

class ClipRows {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const ClipRecord& record(std::size_t row) const { return rows_[row].record; }
    bool checked(std::size_t row) const { return rows_[row].checked; }
    std::size_t checkedCount() const { return checkedCount_; }
    bool Lists(const std::wstring& path) const { return paths_.contains(path); }
    // The row showing `path`, or size() when none does.
    std::size_t Find(const std::wstring& path) const;

    // Puts the record at the top; with `skipListed`, a record whose path is listed
    // already stays out. True when it went in.
    bool PushTop(ClipRecord record, bool skipListed);
    // Gives the row showing the record's path the record, its tick kept; false when no
    // row shows it.
    bool Update(ClipRecord record);
    void Remove(std::size_t row);
    // Removes every ticked row at once and returns their records, top first.
    std::vector<ClipRecord> RemoveChecked();
    void Clear();

    void SetChecked(std::size_t row, bool checked);
    void SetAllChecked(bool checked);
    // The ticked rows' records, top first.
    std::vector<ClipRecord> CheckedRecords() const;
    void SetTitle(std::size_t row, std::wstring title);

    // Puts the rows in `order`, which holds every row's position once: the new top row is
    // the one at position order[0].
    void Reorder(const std::vector<std::size_t>& order);

    // The first row from `start` on whose title begins with `text` (is `text`, when
    // `whole`), ignoring case, going round past the bottom when `wrap`; size() when none.
    std::size_t FindTitle(std::wstring_view text, std::size_t start, bool wrap, bool whole = false) const;

private:
    struct Row {
        ClipRecord record;
        bool checked = false;
    };
    void Unindex(const std::wstring& path);

    std::deque<Row> rows_;
    std::size_t checkedCount_ = 0;
    // Paths are unique after every build; a count keeps the index right if one is not.
    std::unordered_map<std::wstring, int> paths_;
};

}  // namespace library
