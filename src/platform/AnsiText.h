#pragma once
// Text that enters from outside as bytes (HTTP bodies, clipboard text) becomes wide text
// through the system's ANSI code page, and wide text leaves for ANSI functions and records
// the same way.
#include <string>
#include <string_view>

namespace platform {

std::wstring AnsiToWide(std::string_view bytes);
std::string WideToAnsi(std::wstring_view text);

}  // namespace platform
