#include "settings/SettingsStore.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/SpecialFolders.h"
#include "platform/UniqueHandle.h"

namespace settings {

namespace {

// KEY_READ | KEY_WRITE: every operation asks for the same access.
constexpr REGSAM kSettingsAccess = 0x2001F;

// The read buffer: 259 characters and the terminating zero. Longer values do not fit and
// read as empty.
constexpr DWORD kReadBufferChars = 260;

platform::UniqueRegKey OpenSettingsKey(const std::wstring& subkey) {
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, kSettingsAccess, key.put()) != ERROR_SUCCESS) {
        key.release();  // a failed open may leave garbage in the out-parameter
    }
    return key;
}

LSTATUS SetStringValue(HKEY key, std::wstring_view name, std::wstring_view text) {
    const std::wstring valueName(name);
    const std::wstring data(text);
    const DWORD byteCount = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), byteCount);
}

// The byte count must be even and end in a terminating zero; the text is what comes
// before the first zero, as any reader of a C string would take it.
std::wstring TextFromQuery(const wchar_t* buffer, DWORD byteCount) {
    if (byteCount == 0) return {};
    if (byteCount % sizeof(wchar_t) != 0) return {};
    const DWORD charCount = byteCount / sizeof(wchar_t);
    if (buffer[charCount - 1] != L'\0') return {};
    return std::wstring(buffer);
}

}  // namespace

SettingsStore::SettingsStore(std::wstring subkey) : subkey_(std::move(subkey)) {}

std::wstring SettingsStore::ReadSetting(std::wstring_view name) const {
    const platform::UniqueRegKey key = OpenSettingsKey(subkey_);
    if (!key) return {};
    const std::wstring valueName(name);
    wchar_t buffer[kReadBufferChars] = {};
    DWORD type = REG_NONE;
    DWORD byteCount = sizeof(buffer);
    const LSTATUS status =
        RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &byteCount);
    if (status != ERROR_SUCCESS) return {};
    // REG_EXPAND_SZ is taken as stored: nothing here expands environment references.
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    return TextFromQuery(buffer, byteCount);
}

bool SettingsStore::WriteSetting(std::wstring_view name, std::wstring_view text) const {
    const platform::UniqueRegKey key = OpenSettingsKey(subkey_);
    if (!key) return false;
    return SetStringValue(key.get(), name, text) == ERROR_SUCCESS;
}

bool SettingsStore::WriteSettings(std::span<const SettingValue> values) const {
    const platform::UniqueRegKey key = OpenSettingsKey(subkey_);
    if (!key) return false;
    bool allWritten = true;
    for (const SettingValue& value : values) {
        if (SetStringValue(key.get(), value.name, value.text) != ERROR_SUCCESS) {
            allWritten = false;
        }
    }
    return allWritten;
}

EnsureOutcome SettingsStore::EnsureSettings(const OutputFolderSink& showOutputFolder) const {
    if (OpenSettingsKey(subkey_)) return EnsureOutcome::AlreadyPresent;

    platform::UniqueRegKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, kSettingsAccess, nullptr, key.put(),
                        &disposition) != ERROR_SUCCESS) {
        key.release();
        return EnsureOutcome::CreateFailed;
    }
    // Someone created the key between our open and create: its values are theirs.
    if (disposition == REG_OPENED_EXISTING_KEY) return EnsureOutcome::AlreadyPresent;

    const std::wstring myVideos = platform::SpecialFolderPath(CSIDL_MYVIDEO);
    if (showOutputFolder) showOutputFolder(myVideos);

    // Write errors are absorbed: a value that failed to land reads as empty later.
    for (const SettingValue& value : FirstRunValues(myVideos)) {
        SetStringValue(key.get(), value.name, value.text);
    }
    return EnsureOutcome::Created;
}

}  // namespace settings
