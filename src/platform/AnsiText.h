#pragma once
// Text that enters from outside as bytes (HTTP bodies, clipboard text) becomes wide text
// through the system's ANSI code page.
#include <string>
#include <string_view>

namespace platform {

std::wstring AnsiToWide(std::string_view bytes);

}  // namespace platform
