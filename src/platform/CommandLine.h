#pragma once
// Building command lines for CreateProcessW without a command interpreter. Portable.
#include <string>
#include <string_view>

namespace platform {

// One argument quoted so that the C runtime's and CommandLineToArgvW's splitting give it
// back unchanged: always in double quotes, backslashes doubled where they precede a quote.
std::wstring QuoteArgument(std::wstring_view argument);

// The program path as the first token: in double quotes, taken as it is (CreateProcessW
// reads that token without backslash escapes). Empty when the path holds a double
// quote, which no Windows path can.
std::wstring QuoteProgram(std::wstring_view program);

}  // namespace platform
