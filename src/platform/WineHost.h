#pragma once
// Facts about the system the program runs on that Windows itself never needs to ask.
#include <string>

namespace platform {

// True under Wine: its ntdll exports wine_get_version, which no Windows ntdll has.
bool RunningUnderWine();

// An environment variable's value; empty when it is unset.
std::wstring EnvironmentValue(const wchar_t* name);

}  // namespace platform
