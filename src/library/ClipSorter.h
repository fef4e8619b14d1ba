#pragma once
// Sorts the clip list by one column for the length of one sort: while it lives, every
// row's item data points at a pair of (its previous item data, its text in the sorted
// column), which the comparison reads; its destructor puts the previous data back.
#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace library {

class ClipSorter {
public:
    ClipSorter(HWND list, int column);
    virtual ~ClipSorter();
    ClipSorter(const ClipSorter&) = delete;
    ClipSorter& operator=(const ClipSorter&) = delete;

    // Sorts with the parameter of `SortParameter` (kind number, negated descending).
    void Sort(std::int64_t sortParameter);

private:
    struct RowKey {
        LPARAM previousData;
        std::wstring text;
        const ClipSorter* sorter;
    };
    static int CALLBACK Compare(LPARAM first, LPARAM second, LPARAM sortParameter);

    HWND list_;
    std::vector<RowKey> keys_;
    // A date column's texts parsed once each: the system's parser is slow, and a sort of
    // thousands of rows would otherwise call it twice for every comparison.
    std::unordered_map<std::wstring, std::optional<double>> dates_;
};

}  // namespace library
