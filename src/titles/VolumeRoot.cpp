#include "titles/VolumeRoot.h"

namespace titles {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
    }
    return true;
}

// "\\SERVER\SHARE\" from "server\share\rest" (the leading separators already taken off).
std::wstring UncRoot(std::wstring_view rest) {
    const std::size_t serverEnd = rest.find_first_of(L"\\/");
    if (serverEnd == 0 || serverEnd == std::wstring_view::npos) return {};
    const std::size_t shareEnd = rest.find_first_of(L"\\/", serverEnd + 1);
    const std::size_t shareLength = (shareEnd == std::wstring_view::npos ? rest.size() : shareEnd) - serverEnd - 1;
    if (shareLength == 0) return {};
    std::wstring root = L"\\\\";
    for (wchar_t c : rest.substr(0, serverEnd)) root += UpperAscii(c);
    root += L'\\';
    for (wchar_t c : rest.substr(serverEnd + 1, shareLength)) root += UpperAscii(c);
    root += L'\\';
    return root;
}

std::wstring DriveRoot(std::wstring_view path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || !IsSeparator(path[2])) {
        return {};
    }
    return {UpperAscii(path[0]), L':', L'\\'};
}

}  // namespace

std::wstring VolumeRootOf(std::wstring_view fullPath) {
    if (StartsWithNoCase(fullPath, L"\\\\?\\UNC\\")) return UncRoot(fullPath.substr(8));
    if (StartsWithNoCase(fullPath, L"\\\\?\\")) return DriveRoot(fullPath.substr(4));
    if (fullPath.size() >= 2 && IsSeparator(fullPath[0]) && IsSeparator(fullPath[1])) {
        // "\\.\" names devices and pipes, not a share.
        if (fullPath.size() >= 3 && (fullPath[2] == L'.' || fullPath[2] == L'?')) return {};
        return UncRoot(fullPath.substr(2));
    }
    return DriveRoot(fullPath);
}

}  // namespace titles
