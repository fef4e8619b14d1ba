#include "platform/CommandLine.h"

namespace platform {

std::wstring QuoteArgument(std::wstring_view argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only in front of a quote.
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted.push_back(c);
    }
    // The closing quote follows, so trailing backslashes must be doubled too.
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring QuoteProgram(std::wstring_view program) {
    if (program.find(L'"') != std::wstring_view::npos) return {};
    return L"\"" + std::wstring(program) + L"\"";
}

}  // namespace platform
