#pragma once
// Sorts the clip list by one column for one header click. Each cell of the column is read
// once, and a date column's distinct texts are parsed once each: the system's parser is
// slow, and a sort of thousands of rows would otherwise call it for every comparison.
// Portable: no Windows header.
#include "library/ClipOrder.h"
#include "library/ClipRows.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace library {

class ClipSorter {
public:
    // `sortParameter` as SortParameter gives it for the column's kind.
    ClipSorter(int column, std::int64_t sortParameter, DateTimeParser parseDateTime);

    // The rows in their sorted order, as positions before the sort; rows that sort alike
    // keep the order they had.
    std::vector<std::size_t> Order(const ClipRows& rows) const;

private:
    int column_;
    std::int64_t sortParameter_;
    DateTimeParser parseDateTime_;
};

}  // namespace library
