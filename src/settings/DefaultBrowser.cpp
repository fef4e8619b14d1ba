#include "settings/DefaultBrowser.h"

#include "platform/UniqueHandle.h"

namespace settings {

namespace {

// A string value, read up to 259 characters as every setting is.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, const wchar_t* name) {
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    wchar_t text[260] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    return std::wstring(text, bytes / sizeof(wchar_t)).c_str();
}

std::optional<std::wstring> UserChoiceProgId(const wchar_t* scheme) {
    return ReadString(HKEY_CURRENT_USER, std::wstring(kUrlAssociationsKey) + scheme + L"\\UserChoice", L"ProgId");
}

}  // namespace

Browser DetectDefaultBrowser() {
    for (const wchar_t* scheme : {L"https", L"http"}) {
        if (const auto progId = UserChoiceProgId(scheme))
            if (const auto browser = BrowserOfProgId(*progId)) return *browser;
    }
    // The open command is read only, so a user without write access to the classes key
    // still gets the browser it names.
    const auto command = ReadString(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command", nullptr);
    if (!command) return DefaultBrowserFromCommand(std::nullopt);
    return DefaultBrowserFromCommand(std::wstring_view(*command));
}

}  // namespace settings
