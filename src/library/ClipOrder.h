#pragma once
// Sorting the clip list by a header click: the comparisons, the sort parameter and
// the program-wide sort state with its header arrows. Portable: no Windows header.
#include "library/ClipColumns.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace library {

// The sort kind of a list column; text for a column the list does not have.
SortKind SortKindForColumn(int column);

// The value the list's sort call carries: the kind number, negated when descending.
std::int64_t SortParameter(SortKind kind, bool ascending);

// Reads a date or time text as a point in time (on Windows the system's variant date
// parser in the user's locale); no value when the text does not parse.
using DateTimeParser = std::function<std::optional<double>(std::wstring_view)>;

// One cell as a sort by its column reads it, once per sort: a number for the numeric
// kinds and for a date or time that parses, the text itself for the text kind.
struct SortKey {
    std::wstring_view text;
    std::optional<double> value;
};
SortKey ReadSortKey(SortKind kind, std::wstring_view cell, const DateTimeParser& parseDateTime);

// Whether the row of `a` goes before the row of `b` in the sort of `sortParameter`: text
// case-insensitively, integers by their leading digits, decimals by their leading number
// (" Mb" ignored), dates and times by their parsed value. Ascending keeps that order,
// descending turns it. Rows that sort alike keep their order, and a date that does not
// parse sorts alike with every other that does not, before those that do (ascending).
// A parameter that names no kind sorts every row alike.
bool SortsBefore(std::int64_t sortParameter, const SortKey& a, const SortKey& b);

// Lives as long as the program; a rebuild of the list leaves it as it is.
struct SortState {
    int lastSortColumn = -1;  // none yet
    bool sortAscending = true;
};

// A click on `column`: ascending on a new column, the other way on the same one.
// Returns the sort parameter for the list's sort call.
std::int64_t ClickColumn(SortState& state, int column);

enum class HeaderArrow { None, Up, Down };

// The arrow of each header after a sort: only the sorted column has one, and an
// ascending sort shows the downward arrow.
HeaderArrow SortedHeaderArrow(const SortState& state, int column);

// The arrows at start and after "Show": the upward arrow on the date column only.
HeaderArrow StartupHeaderArrow(int column);

}  // namespace library
