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

// Compares the cells a and b of two rows for the list's sort call. Ascending order
// keeps the comparison's sign; descending flips it. Decimal and date-time values that
// are equal still give +1 (or -1 descending), and two date-time cells of which either
// does not parse give 0. A parameter that names no kind gives 0.
int CompareCells(std::int64_t sortParameter, std::wstring_view a, std::wstring_view b,
                 const DateTimeParser& parseDateTime);

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
