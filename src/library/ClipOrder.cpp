#include "library/ClipOrder.h"

#include "platform/Text.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace library {

namespace {

// The kinds are numbered 1 to 4; a parameter beyond them sorts nothing.
constexpr std::int64_t kKindCount = 4;

// Like _wtof: blanks, a sign, then as much of a number as there is (" Mb" and
// anything else after it is ignored); no number reads 0.
double LeadingDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && platform::IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    std::string digits;
    for (; i < text.size() && digits.size() < 64; ++i) {
        const wchar_t c = text[i];
        const bool numeric = (c >= L'0' && c <= L'9') || c == L'.' || c == L'e' || c == L'E' || c == L'+' || c == L'-';
        if (!numeric) break;
        digits.push_back(static_cast<char>(c));
    }
    double value = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    return negative ? -value : value;
}

}  // namespace

SortKind SortKindForColumn(int column) {
    if (column < 0 || column >= static_cast<int>(kClipColumns.size())) return SortKind::Text;
    return kClipColumns[static_cast<size_t>(column)].sortKind;
}

std::int64_t SortParameter(SortKind kind, bool ascending) {
    const auto number = static_cast<std::int64_t>(kind);
    return ascending ? number : -number;
}

SortKey ReadSortKey(SortKind kind, std::wstring_view cell, const DateTimeParser& parseDateTime) {
    switch (kind) {
    case SortKind::Integer: return {cell, static_cast<double>(platform::ParseNumber(cell))};
    case SortKind::Decimal: return {cell, LeadingDecimal(cell)};
    case SortKind::DateTime: return {cell, parseDateTime(cell)};
    case SortKind::Text: break;
    }
    return {cell, std::nullopt};
}

bool SortsBefore(std::int64_t sortParameter, const SortKey& a, const SortKey& b) {
    if (sortParameter < -kKindCount || sortParameter > kKindCount || sortParameter == 0) return false;
    const bool ascending = sortParameter > 0;
    const SortKey& first = ascending ? a : b;
    const SortKey& second = ascending ? b : a;
    if (std::abs(sortParameter) == static_cast<std::int64_t>(SortKind::Text))
        return platform::CompareIgnoringCase(first.text, second.text) < 0;
    // No value (a date that does not parse) sorts before every value.
    if (!first.value || !second.value) return !first.value && second.value;
    return *first.value < *second.value;
}

std::int64_t ClickColumn(SortState& state, int column) {
    state.sortAscending = column == state.lastSortColumn ? !state.sortAscending : true;
    state.lastSortColumn = column;
    return SortParameter(SortKindForColumn(column), state.sortAscending);
}

HeaderArrow SortedHeaderArrow(const SortState& state, int column) {
    if (column != state.lastSortColumn) return HeaderArrow::None;
    return state.sortAscending ? HeaderArrow::Down : HeaderArrow::Up;
}

HeaderArrow StartupHeaderArrow(int column) { return column == kDateColumn ? HeaderArrow::Up : HeaderArrow::None; }

}  // namespace library
