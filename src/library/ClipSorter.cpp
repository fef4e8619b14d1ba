#include "library/ClipSorter.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <utility>

namespace library {

ClipSorter::ClipSorter(int column, std::int64_t sortParameter, DateTimeParser parseDateTime)
    : column_(column), sortParameter_(sortParameter), parseDateTime_(std::move(parseDateTime)) {}

std::vector<std::size_t> ClipSorter::Order(const ClipRows& rows) const {
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (column_ < 0 || column_ >= static_cast<int>(kClipColumns.size())) return order;
    const auto cell = static_cast<std::size_t>(column_);
    std::map<std::wstring_view, std::optional<double>> parsed;
    const DateTimeParser parseOnce = [&](std::wstring_view text) {
        const auto found = parsed.find(text);
        if (found != parsed.end()) return found->second;
        return parsed.emplace(text, parseDateTime_(text)).first->second;
    };
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    const SortKind kind = SortKindForColumn(column_);
    for (std::size_t row = 0; row < rows.size(); ++row)
        keys.push_back(ReadSortKey(kind, rows.record(row).cells[cell], parseOnce));
    std::ranges::stable_sort(
        order, [&](std::size_t a, std::size_t b) { return SortsBefore(sortParameter_, keys[a], keys[b]); });
    return order;
}

}  // namespace library
