#include "library/ClipSort.h"

#include "platform/Text.h"

#include <charconv>
#include <string>

namespace library {

namespace {

// The kinds are numbered 1 to 4; a parameter beyond them sorts nothing.
constexpr std::int64_t kKindCount = 4;

int Sign(std::int64_t value) { return (value > 0) - (value < 0); }

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

// Equal values still order one way, as the list always has done.
int LessFirst(bool aIsLess, int direction) { return aIsLess ? -direction : direction; }

}  // namespace

SortKind SortKindForColumn(int column) {
    if (column < 0 || column >= static_cast<int>(kClipColumns.size())) return SortKind::Text;
    return kClipColumns[static_cast<size_t>(column)].sortKind;
}

std::int64_t SortParameter(SortKind kind, bool ascending) {
    const auto number = static_cast<std::int64_t>(kind);
    return ascending ? number : -number;
}

int CompareCells(std::int64_t sortParameter, std::wstring_view a, std::wstring_view b,
                 const DateTimeParser& parseDateTime) {
    if (sortParameter < -kKindCount || sortParameter > kKindCount) return 0;
    const int direction = sortParameter < 0 ? -1 : 1;
    switch (sortParameter * direction) {
    case static_cast<std::int64_t>(SortKind::Integer):
        // 64-bit difference: two 32-bit values far apart must not overflow the sign.
        return Sign(std::int64_t{platform::ParseNumber(a)} - platform::ParseNumber(b)) * direction;
    case static_cast<std::int64_t>(SortKind::Text): return platform::CompareIgnoringCase(a, b) * direction;
    case static_cast<std::int64_t>(SortKind::DateTime): {
        const std::optional<double> left = parseDateTime(a);
        const std::optional<double> right = parseDateTime(b);
        if (!left || !right) return 0;
        return LessFirst(*left < *right, direction);
    }
    case static_cast<std::int64_t>(SortKind::Decimal):
        return LessFirst(LeadingDecimal(a) < LeadingDecimal(b), direction);
    default: return 0;
    }
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
