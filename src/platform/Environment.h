#pragma once
// Reading the process environment.
#include <string>
#include <string_view>

namespace platform {

// The variable's text; `fallback` when it is unset or empty.
std::wstring EnvironmentOr(const wchar_t* name, std::wstring_view fallback);

}  // namespace platform
