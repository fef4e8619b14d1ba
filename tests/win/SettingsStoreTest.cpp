// The settings store against the real registry, under a scratch key of HKCU.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "settings/SettingsStore.h"
#include "settings/FirstRunValues.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

namespace {

using settings::EnsureOutcome;
using settings::SettingsStore;

std::wstring ScratchRoot() { return L"Software\\ReelkeepTests\\Settings" + std::to_wstring(GetCurrentProcessId()); }

struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::vector<BYTE> StringBytes(const std::wstring& text) {
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {first, first + (text.size() + 1) * sizeof(wchar_t)};
}

class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRoot().c_str());
        subkey_ = ScratchRoot() + L"\\Reelkeep";
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRoot().c_str()); }

    bool KeyExists() const {
        platform::UniqueRegKey key;
        const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_READ, key.put());
        if (status != ERROR_SUCCESS) key.release();
        return status == ERROR_SUCCESS;
    }

    void CreateKey() const {
        platform::UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
    }

    // Stores exactly these bytes. RegSetValueExW quietly adds a terminator to a string
    // whose count stops just short of one, so callers that want a missing terminator keep
    // a non-zero character after the counted bytes.
    void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD byteCount) const {
        platform::UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), byteCount), ERROR_SUCCESS);
    }

    // Every value of the key in enumeration order.
    std::vector<StoredValue> EnumerateValues() const {
        std::vector<StoredValue> values;
        platform::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
            key.release();
            return values;
        }
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameChars = 256;
            BYTE data[2048];
            DWORD byteCount = sizeof(data);
            DWORD type = REG_NONE;
            if (RegEnumValueW(key.get(), index, name, &nameChars, nullptr, &type, data, &byteCount) != ERROR_SUCCESS) {
                break;
            }
            values.push_back({std::wstring(name, nameChars), type, {data, data + byteCount}});
        }
        return values;
    }

    std::wstring subkey_;
};

std::wstring MyVideosFromKnownFolder() {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Videos, 0, nullptr, &path))) result = path;
    CoTaskMemFree(path);
    return result;
}

TEST_F(SettingsStoreTest, FirstRunCreatesTheKeyWithTheTwentyTwoDefaults) {
    SettingsStore store(subkey_);
    std::vector<std::wstring> shownFolders;
    EXPECT_EQ(store.EnsureSettings([&](const std::wstring& path) { shownFolders.push_back(path); }),
              EnsureOutcome::Created);

    const std::wstring myVideos = MyVideosFromKnownFolder();
    ASSERT_FALSE(myVideos.empty());
    ASSERT_EQ(shownFolders, std::vector<std::wstring>{myVideos});

    // The writing order is checked natively (FirstRunValues); Wine's registry enumerates
    // a key's values sorted by name, whatever order they were created in.
    std::map<std::wstring, std::wstring> expected;
    for (const settings::SettingValue& value : settings::FirstRunValues(myVideos)) {
        expected.emplace(value.name, value.text);
    }
    ASSERT_EQ(expected.size(), 22u);
    ASSERT_EQ(expected[L"convertpath"], myVideos);

    std::map<std::wstring, StoredValue> stored;
    for (StoredValue& value : EnumerateValues()) stored.emplace(value.name, std::move(value));
    ASSERT_EQ(stored.size(), expected.size());
    for (const auto& [name, text] : expected) {
        SCOPED_TRACE(name);
        const auto found = stored.find(name);
        ASSERT_NE(found, stored.end());
        EXPECT_EQ(found->second.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(found->second.data, StringBytes(text));
        EXPECT_EQ(store.ReadSetting(name), text);
    }
    EXPECT_EQ(store.ReadSetting(L"browsers"), L"1111");
    EXPECT_EQ(store.ReadSetting(L"view"), L"2");
    EXPECT_EQ(store.ReadSetting(L"volume"), L"70");
    EXPECT_EQ(store.ReadSetting(L"nhidemenu"), L"5");
    EXPECT_EQ(store.ReadSetting(L"iconsize"), L"16");
}

TEST_F(SettingsStoreTest, ExistingKeyIsLeftExactlyAsItIs) {
    // A key that lacks "showicon" and holds an odd "view" stays that way: missing values
    // are not repaired, and the sink is not called.
    SettingsStore store(subkey_);
    const std::wstring view = L"3";
    PutRaw(L"view", REG_SZ, view.c_str(), 4);
    bool sinkCalled = false;
    EXPECT_EQ(store.EnsureSettings([&](const std::wstring&) { sinkCalled = true; }), EnsureOutcome::AlreadyPresent);
    EXPECT_FALSE(sinkCalled);

    const std::vector<StoredValue> stored = EnumerateValues();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, L"view");
    EXPECT_EQ(store.ReadSetting(L"view"), L"3");
    EXPECT_EQ(store.ReadSetting(L"showicon"), L"");
    EXPECT_FALSE(settings::IsSwitchOn(store.ReadSetting(L"showicon")));
}

TEST_F(SettingsStoreTest, EmptyExistingKeyGetsNoDefaults) {
    CreateKey();
    EXPECT_EQ(SettingsStore(subkey_).EnsureSettings(nullptr), EnsureOutcome::AlreadyPresent);
    EXPECT_TRUE(EnumerateValues().empty());
}

TEST_F(SettingsStoreTest, SecondEnsureChangesNothing) {
    SettingsStore store(subkey_);
    ASSERT_EQ(store.EnsureSettings(nullptr), EnsureOutcome::Created);
    ASSERT_TRUE(store.WriteSetting(L"volume", L"12"));
    EXPECT_EQ(store.EnsureSettings(nullptr), EnsureOutcome::AlreadyPresent);
    EXPECT_EQ(store.ReadSetting(L"volume"), L"12");
    EXPECT_EQ(EnumerateValues().size(), settings::kSettings.size());
}

// Raw registry contents and what ReadSetting makes of them.
struct RawCase {
    const char* label;
    DWORD type;
    std::wstring characters;  // the buffer handed to RegSetValueExW
    DWORD byteCount;
    std::wstring expected;
};

TEST_F(SettingsStoreTest, ReadSettingAcceptsOnlyWellFormedStrings) {
    const std::wstring chars259(259, L'x');
    const std::wstring chars260(260, L'y');
    const std::vector<RawCase> cases{
        {"plain string", REG_SZ, std::wstring(L"true\0", 5), 10, L"true"},
        {"switch in capitals", REG_SZ, std::wstring(L"TRUE\0", 5), 10, L"TRUE"},
        {"expand string kept unexpanded", REG_EXPAND_SZ, std::wstring(L"%TEMP%\\out\0", 11), 22, L"%TEMP%\\out"},
        {"only the terminator", REG_SZ, std::wstring(L"\0", 1), 2, L""},
        {"zero bytes", REG_SZ, L"zz", 0, L""},
        {"odd byte count", REG_SZ, std::wstring(L"ab\0z", 4), 7, L""},
        {"missing terminator", REG_SZ, L"abcX", 6, L""},
        {"expand string missing terminator", REG_EXPAND_SZ, L"abcX", 6, L""},
        {"text ends at the first zero", REG_SZ, std::wstring(L"ab\0cd\0", 6), 12, L"ab"},
        {"259 characters fit", REG_SZ, chars259 + L'\0', 520, chars259},
        {"260 characters do not fit", REG_SZ, chars260 + L'\0', 522, L""},
        {"260 characters without terminator", REG_SZ, chars260 + L'z', 520, L""},
        {"multi string", REG_MULTI_SZ, std::wstring(L"a\0\0", 3), 6, L""},
        {"binary holding a string", REG_BINARY, std::wstring(L"on\0", 3), 6, L""},
    };
    SettingsStore store(subkey_);
    for (const RawCase& c : cases) {
        SCOPED_TRACE(c.label);
        PutRaw(L"probe", c.type, c.characters.c_str(), c.byteCount);
        EXPECT_EQ(store.ReadSetting(L"probe"), c.expected);
    }
}

TEST_F(SettingsStoreTest, ReadSettingRejectsNumbersAndMissingValues) {
    SettingsStore store(subkey_);
    EXPECT_EQ(store.ReadSetting(L"volume"), L"") << "no key at all";
    const DWORD seventy = 70;
    PutRaw(L"volume", REG_DWORD, &seventy, sizeof(seventy));
    const ULONGLONG big = 70;
    PutRaw(L"lastpingtime", REG_QWORD, &big, sizeof(big));
    EXPECT_EQ(store.ReadSetting(L"volume"), L"");
    EXPECT_EQ(store.ReadSetting(L"lastpingtime"), L"");
    EXPECT_EQ(store.ReadSetting(L"nhidemenu"), L"") << "key present, value missing";
}

TEST_F(SettingsStoreTest, WriteSettingStoresTerminatedRegSz) {
    CreateKey();
    SettingsStore store(subkey_);
    const std::wstring path = L"C:\\users\\me\\Videos\\\u00e9t\u00e9";
    EXPECT_TRUE(store.WriteSetting(L"convertpath", path));
    EXPECT_TRUE(store.WriteSetting(L"fs_mode", L""));
    EXPECT_TRUE(store.WriteSetting(L"fs_mode", L"best"));  // the last writer wins

    const std::vector<StoredValue> stored = EnumerateValues();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored[0].data, StringBytes(path));
    EXPECT_EQ(stored[1].data, StringBytes(L"best"));
    EXPECT_EQ(store.ReadSetting(L"convertpath"), path);
}

TEST_F(SettingsStoreTest, WritesNeverCreateTheKey) {
    SettingsStore store(subkey_);
    EXPECT_FALSE(store.WriteSetting(L"showicon", L"false"));
    EXPECT_FALSE(store.WriteSettings({{L"showmessage", L"false"}, {L"playsound", L"false"}}));
    EXPECT_FALSE(KeyExists());
}

TEST_F(SettingsStoreTest, BatchWriteEqualsASequenceOfSingleWrites) {
    SettingsStore single(subkey_);
    ASSERT_EQ(single.EnsureSettings(nullptr), EnsureOutcome::Created);
    ASSERT_TRUE(single.WriteSetting(L"showmessage", L"false"));
    ASSERT_TRUE(single.WriteSetting(L"playsound", L"false"));
    ASSERT_TRUE(single.WriteSetting(L"newvalue", L"x"));
    const std::vector<StoredValue> afterSingles = EnumerateValues();

    RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str());
    ASSERT_EQ(single.EnsureSettings(nullptr), EnsureOutcome::Created);
    EXPECT_TRUE(single.WriteSettings({{L"showmessage", L"false"}, {L"playsound", L"false"}, {L"newvalue", L"x"}}));
    const std::vector<StoredValue> afterBatch = EnumerateValues();

    ASSERT_EQ(afterBatch.size(), afterSingles.size());
    for (size_t i = 0; i < afterBatch.size(); ++i) {
        SCOPED_TRACE(afterSingles[i].name);
        EXPECT_EQ(afterBatch[i].name, afterSingles[i].name);
        EXPECT_EQ(afterBatch[i].type, afterSingles[i].type);
        EXPECT_EQ(afterBatch[i].data, afterSingles[i].data);
    }
}

}  // namespace
