#pragma once
// Text rules that several subsystems read the same way: case folding by the C library's
// locale-aware `towlower`, one code unit at a time, and the C number rule.
// Portable: no Windows header.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

wchar_t FoldCase(wchar_t c);
std::wstring ToLowerCase(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
// Like _wcsicmp: code units compared after folding; a prefix sorts first. -1, 0 or 1.
int CompareIgnoringCase(std::wstring_view a, std::wstring_view b);

// The blanks of the C library's isspace: space, tab, newline, vertical tab, form feed, return.
bool IsBlank(wchar_t c);

// The C rule: optional leading blanks and sign, then leading decimal digits; anything
// else stops the number, and no digits give 0. Clamped to the signed 32-bit range.
std::int32_t ParseNumber(std::wstring_view text);

}  // namespace platform
