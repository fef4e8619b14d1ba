#pragma once
// Text that enters from outside as bytes (HTTP bodies, clipboard text) becomes wide text
// through the system's ANSI code page, and wide text leaves for ANSI functions and records
// the same way.
#include <string>
#include <string_view>

namespace platform {

std::wstring AnsiToWide(std::string_view bytes);
// The same from a code page of the system's tables (0 is the ANSI code page); bytes the
// code page lacks become U+FFFD.
std::wstring CodePageToWide(std::string_view bytes, unsigned codePage);
std::string WideToAnsi(std::wstring_view text);

}  // namespace platform
