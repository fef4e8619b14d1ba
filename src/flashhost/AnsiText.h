#pragma once
// Text between the wide form of our code and the ANSI code page of the system's ANSI
// functions and of the ANSI notification records. A null text converts to an empty one.
#include <windows.h>

#include <string>

namespace flashhost {

inline std::wstring Widened(const char* text) {
    const int length = text != nullptr ? MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0) : 0;
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

inline std::string Narrowed(const wchar_t* text) {
    const int length = text != nullptr ? WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr) : 0;
    if (length <= 1) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(length - 1));
    return narrow;
}

}  // namespace flashhost
