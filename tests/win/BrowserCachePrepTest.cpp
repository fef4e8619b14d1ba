// Browser cache preparation against real folders and real registry keys in scratch places.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BrowserCachePrep.h"
#include "platform/UniqueHandle.h"

namespace {

using app::CacheLimitOutcome;

const std::string kPrefLine = "user_pref(\"browser.cache.disk.capacity\", 1024000);";

std::wstring ScratchName() { return L"ReelkeepCachePrep" + std::to_wstring(GetCurrentProcessId()); }

void DeleteTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    platform::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find.get(), &entry));
    }
    find.reset();
    RemoveDirectoryW(path.c_str());
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

// The file's bytes, or nullopt-like "<none>" marker when it cannot be opened as a file.
std::string ReadBytes(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<none>";
    std::string bytes(4096, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return "<unreadable>";
    }
    bytes.resize(read);
    return bytes;
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class BrowserCacheFirefoxTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        scratch_ = std::wstring(temp) + ScratchName();
        DeleteTree(scratch_);
        ASSERT_TRUE(CreateDirectoryW(scratch_.c_str(), nullptr));
        root_ = scratch_ + L"\\Profiles";
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    }
    void TearDown() override { DeleteTree(scratch_); }

    std::wstring MakeProfile(const std::wstring& name) const {
        const std::wstring folder = root_ + L"\\" + name;
        EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        return folder;
    }

    std::wstring scratch_;
    std::wstring root_;
};

TEST_F(BrowserCacheFirefoxTest, OnlyProfilesWithoutUserJsGetThePreference) {
    struct ProfileCase {
        const wchar_t* folder;
        const char* existing;  // nullptr: no user.js before the run
        std::string expectedAfter;
    };
    const std::vector<ProfileCase> cases{
        {L"abc123.default", nullptr, kPrefLine},
        {L"second profile", nullptr, kPrefLine},
        {L"has prefs", "user_pref(\"a\", 1);\r\nuser_pref(\"b\", 2);\n",
         "user_pref(\"a\", 1);\r\nuser_pref(\"b\", 2);\n"},
        {L"empty prefs", "", ""},
        {L"older line", "user_pref(\"browser.cache.disk.capacity\", 50000);",
         "user_pref(\"browser.cache.disk.capacity\", 50000);"},
    };
    for (const ProfileCase& c : cases) {
        const std::wstring folder = MakeProfile(c.folder);
        if (c.existing) WriteBytes(folder + L"\\user.js", c.existing);
    }

    const app::FirefoxPrepResult result = app::PrepareFirefoxProfiles(root_);
    EXPECT_TRUE(result.profilesRootFound);
    EXPECT_EQ(result.userJsCreated, 2);
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "profile " << std::string(c.folder, c.folder + wcslen(c.folder)));
        EXPECT_EQ(ReadBytes(root_ + L"\\" + c.folder + L"\\user.js"), c.expectedAfter);
    }

    // A second start finds every profile provided for and changes nothing.
    EXPECT_EQ(app::PrepareFirefoxProfiles(root_).userJsCreated, 0);
    EXPECT_EQ(ReadBytes(root_ + L"\\abc123.default\\user.js"), kPrefLine);
}

TEST_F(BrowserCacheFirefoxTest, FilesAndOddEntriesInProfilesAreLeftAlone) {
    // A Profiles folder holding files instead of folders, and a profile whose user.js is
    // a folder: nothing is written and nothing breaks.
    WriteBytes(root_ + L"\\profiles.ini", "[General]\r\n");
    WriteBytes(root_ + L"\\stray.js", "x");
    const std::wstring odd = MakeProfile(L"odd");
    ASSERT_TRUE(CreateDirectoryW((odd + L"\\user.js").c_str(), nullptr));

    const app::FirefoxPrepResult result = app::PrepareFirefoxProfiles(root_);
    EXPECT_TRUE(result.profilesRootFound);
    EXPECT_EQ(result.userJsCreated, 0);
    EXPECT_EQ(ReadBytes(root_ + L"\\profiles.ini"), "[General]\r\n");
    EXPECT_EQ(ReadBytes(root_ + L"\\stray.js"), "x");
    EXPECT_TRUE(IsDirectory(odd + L"\\user.js"));
    EXPECT_FALSE(IsDirectory(root_ + L"\\profiles.ini"));
}

TEST_F(BrowserCacheFirefoxTest, MissingOrFileRootIsIgnored) {
    EXPECT_FALSE(app::PrepareFirefoxProfiles(scratch_ + L"\\NoSuchProfiles").profilesRootFound);
    EXPECT_FALSE(IsDirectory(scratch_ + L"\\NoSuchProfiles"));

    const std::wstring fileRoot = scratch_ + L"\\ProfilesFile";
    WriteBytes(fileRoot, "not a folder");
    EXPECT_FALSE(app::PrepareFirefoxProfiles(fileRoot).profilesRootFound);
    EXPECT_EQ(ReadBytes(fileRoot), "not a folder");

    EXPECT_FALSE(app::PrepareFirefoxProfiles(L"").profilesRootFound);
}

TEST(BrowserCacheFirefoxDefault, LivesUnderRoamingAppData) {
    const std::wstring root = app::DefaultFirefoxProfilesRoot();
    const std::wstring tail = L"\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles";
    ASSERT_GT(root.size(), tail.size());
    EXPECT_EQ(root.substr(root.size() - tail.size()), tail) << std::string(root.begin(), root.end());
}

// ---- Internet Explorer ----

std::wstring IeScratchRoot() { return L"Software\\ReelkeepTests\\" + ScratchName(); }

// What a key holds before the run: nothing (key absent), no value, or a value.
struct CacheLimitState {
    bool keyExists = true;
    bool hasValue = true;
    DWORD type = REG_DWORD;
    std::vector<BYTE> data;
};

std::vector<BYTE> DwordBytes(DWORD value) {
    const BYTE* first = reinterpret_cast<const BYTE*>(&value);
    return {first, first + sizeof(value)};
}

std::vector<BYTE> WideBytes(const std::wstring& text) {
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {first, first + (text.size() + 1) * sizeof(wchar_t)};
}

CacheLimitState Dword(DWORD value) { return {true, true, REG_DWORD, DwordBytes(value)}; }
CacheLimitState Sz(const std::wstring& text) { return {true, true, REG_SZ, WideBytes(text)}; }
CacheLimitState NoValue() { return {true, false, REG_NONE, {}}; }
CacheLimitState NoKey() { return {false, false, REG_NONE, {}}; }

class BrowserCacheInternetExplorerTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, IeScratchRoot().c_str());
        keys_ = {IeScratchRoot() + L"\\5.0\\Cache\\Content", IeScratchRoot() + L"\\5.0\\LowCache\\Content"};
        views_ = {keys_[0], keys_[1]};
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, IeScratchRoot().c_str()); }

    void Put(const std::wstring& subkey, const CacheLimitState& state) const {
        if (!state.keyExists) return;
        platform::UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        if (!state.hasValue) return;
        ASSERT_EQ(RegSetValueExW(key.get(), L"CacheLimit", 0, state.type, state.data.data(),
                                 static_cast<DWORD>(state.data.size())),
                  ERROR_SUCCESS);
    }

    CacheLimitState Get(const std::wstring& subkey) const {
        platform::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
            key.release();
            return NoKey();
        }
        BYTE data[256];
        DWORD byteCount = sizeof(data);
        DWORD type = REG_NONE;
        if (RegQueryValueExW(key.get(), L"CacheLimit", nullptr, &type, data, &byteCount) != ERROR_SUCCESS) {
            return NoValue();
        }
        return {true, true, type, {data, data + byteCount}};
    }

    std::vector<std::wstring> keys_;
    std::vector<std::wstring_view> views_;
};

TEST_F(BrowserCacheInternetExplorerTest, OnlyADifferentDwordIsRewritten) {
    struct Case {
        const char* label;
        CacheLimitState cache, lowCache;
        CacheLimitOutcome cacheOutcome, lowCacheOutcome;
        CacheLimitState cacheAfter, lowCacheAfter;
    };
    const std::vector<Case> cases{
        {"both small", Dword(50 * 1024), Dword(0), CacheLimitOutcome::Rewritten, CacheLimitOutcome::Rewritten,
         Dword(0x100000), Dword(0x100000)},
        {"already large, larger", Dword(0x100000), Dword(0x200000), CacheLimitOutcome::AlreadySet,
         CacheLimitOutcome::Rewritten, Dword(0x100000), Dword(0x100000)},
        {"strings stay strings", Sz(L"1048576"), Sz(L"1"), CacheLimitOutcome::NotDword, CacheLimitOutcome::NotDword,
         Sz(L"1048576"), Sz(L"1")},
        {"binary and qword",
         {true, true, REG_BINARY, DwordBytes(5)},
         {true, true, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
         CacheLimitOutcome::NotDword,
         CacheLimitOutcome::NotDword,
         {true, true, REG_BINARY, DwordBytes(5)},
         {true, true, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}},
        {"missing value is not created", NoValue(), Dword(7), CacheLimitOutcome::ValueMissing,
         CacheLimitOutcome::Rewritten, NoValue(), Dword(0x100000)},
        {"first key absent, second still tried", NoKey(), Dword(1), CacheLimitOutcome::KeyNotOpened,
         CacheLimitOutcome::Rewritten, NoKey(), Dword(0x100000)},
        {"second key absent", Dword(1), NoKey(), CacheLimitOutcome::Rewritten, CacheLimitOutcome::KeyNotOpened,
         Dword(0x100000), NoKey()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RegDeleteTreeW(HKEY_CURRENT_USER, IeScratchRoot().c_str());
        Put(keys_[0], c.cache);
        Put(keys_[1], c.lowCache);

        const std::vector<CacheLimitOutcome> outcomes = app::RaiseInternetExplorerCacheLimits(views_);
        EXPECT_EQ(outcomes, (std::vector<CacheLimitOutcome>{c.cacheOutcome, c.lowCacheOutcome}));

        const CacheLimitState cacheAfter = Get(keys_[0]);
        const CacheLimitState lowCacheAfter = Get(keys_[1]);
        EXPECT_EQ(cacheAfter.keyExists, c.cacheAfter.keyExists);
        EXPECT_EQ(cacheAfter.type, c.cacheAfter.type);
        EXPECT_EQ(cacheAfter.data, c.cacheAfter.data);
        EXPECT_EQ(lowCacheAfter.keyExists, c.lowCacheAfter.keyExists);
        EXPECT_EQ(lowCacheAfter.type, c.lowCacheAfter.type);
        EXPECT_EQ(lowCacheAfter.data, c.lowCacheAfter.data);
    }
}

}  // namespace
