#pragma once
// UTF-8 in and out of program text, for the places where bytes from outside are known to
// be UTF-8 (tool output, web pages, escaped addresses). Portable: no Windows header.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Length of the well-formed UTF-8 sequence of two to four bytes at `at`, with its value
// in `value`; 0 when there is none (a plain ASCII byte, a stray byte, an overlong form, a
// surrogate, a value above U+10FFFF, or a sequence cut by the end of `bytes`).
std::size_t DecodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& value);

// True when every byte above 0x7F belongs to a well-formed sequence.
bool IsWellFormedUtf8(std::string_view bytes);

// Appends one code point to wide text: a surrogate pair where wchar_t is 16 bits.
void AppendCodePoint(std::wstring& text, char32_t value);

// The code point that starts at `at` in wide text, and how many code units it takes: a
// well-formed surrogate pair is read as one, anything else as one unit.
char32_t CodePointAt(std::wstring_view text, std::size_t at, std::size_t& units);

// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& bytes, char32_t value);

}  // namespace platform
