#include "app/BrowserCachePrep.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/SpecialFolders.h"
#include "platform/UniqueHandle.h"

namespace app {

namespace {

constexpr REGSAM kCacheKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

bool IsDotEntry(const wchar_t* name) { return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0; }

// CREATE_NEW makes "only when none exists" one atomic step: a user.js that appears between
// a look and a create could otherwise be truncated.
bool CreateUserJs(const std::wstring& profileFolder) {
    const std::wstring path = profileFolder + L"\\user.js";
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const DWORD size = static_cast<DWORD>(kFirefoxCachePref.size());
    DWORD written = 0;
    const BOOL ok = WriteFile(file.get(), kFirefoxCachePref.data(), size, &written, nullptr);
    file.reset();
    if (ok && written == size) return true;
    // A cut-off preference line would be worse than none, and would block the next try.
    DeleteFileW(path.c_str());
    return false;
}

CacheLimitOutcome RaiseCacheLimit(std::wstring_view keyPath) {
    const std::wstring subkey(keyPath);
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, kCacheKeyAccess, key.put()) != ERROR_SUCCESS) {
        key.release();
        return CacheLimitOutcome::KeyNotOpened;
    }
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD byteCount = sizeof(value);
    const LSTATUS status =
        RegQueryValueExW(key.get(), L"CacheLimit", nullptr, &type, reinterpret_cast<BYTE*>(&value), &byteCount);
    if (status == ERROR_FILE_NOT_FOUND) return CacheLimitOutcome::ValueMissing;
    // A string longer than four bytes answers ERROR_MORE_DATA but still names its type.
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return CacheLimitOutcome::QueryFailed;
    if (type != REG_DWORD) return CacheLimitOutcome::NotDword;
    if (status == ERROR_SUCCESS && byteCount == sizeof(value) && value == kInternetExplorerCacheLimit) {
        return CacheLimitOutcome::AlreadySet;
    }
    const DWORD limit = kInternetExplorerCacheLimit;
    if (RegSetValueExW(key.get(), L"CacheLimit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&limit), sizeof(limit)) !=
        ERROR_SUCCESS) {
        return CacheLimitOutcome::WriteFailed;
    }
    return CacheLimitOutcome::Rewritten;
}

}  // namespace

std::wstring DefaultFirefoxProfilesRoot() {
    const std::wstring appData = platform::SpecialFolderPath(CSIDL_APPDATA);
    if (appData.empty()) return {};
    return appData + L"\\Mozilla\\Firefox\\Profiles";
}

FirefoxPrepResult PrepareFirefoxProfiles(const std::wstring& profilesRoot) {
    FirefoxPrepResult result;
    if (profilesRoot.empty() || !PathIsDirectoryW(profilesRoot.c_str())) return result;
    result.profilesRootFound = true;

    WIN32_FIND_DATAW entry{};
    const std::wstring pattern = profilesRoot + L"\\*";
    platform::UniqueFind find(FindFirstFileW(pattern.c_str(), &entry));
    if (!find) return result;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (IsDotEntry(entry.cFileName)) continue;
        if (CreateUserJs(profilesRoot + L"\\" + entry.cFileName)) ++result.userJsCreated;
    } while (FindNextFileW(find.get(), &entry));
    return result;
}

std::vector<CacheLimitOutcome> RaiseInternetExplorerCacheLimits(std::span<const std::wstring_view> keyPaths) {
    std::vector<CacheLimitOutcome> outcomes;
    outcomes.reserve(keyPaths.size());
    for (const std::wstring_view keyPath : keyPaths) outcomes.push_back(RaiseCacheLimit(keyPath));
    return outcomes;
}

void PrepareBrowserCaches() {
    PrepareFirefoxProfiles();
    RaiseInternetExplorerCacheLimits();
}

}  // namespace app
