#pragma once
// Texts of the HTTP exchange that need no Windows call. Portable.
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// A Content-Length header as sent: leading decimal digits after optional blanks.
// Missing, empty, signed or non-numeric text gives nullopt.
std::optional<std::uint64_t> ParseContentLength(std::wstring_view text);

}  // namespace platform
