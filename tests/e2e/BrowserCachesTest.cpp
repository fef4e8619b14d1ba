// What a normal start does to the browsers' cache settings: a user.js line for Firefox
// profiles that have none, and the Internet Explorer cache limits.
#include "ProgramTest.h"

namespace e2e {
namespace {

class BrowserCaches : public ProgramTest {
protected:
    void StartAndWaitForTheMainWindow() {
        RunningProgram run(program());
        // Both browsers are prepared before the main window is created.
        ASSERT_NE(run.WaitForMainWindow(kStartTimeout), nullptr) << "the main window never appeared";
    }
};

TEST_F(BrowserCaches, FirefoxProfilesWithoutUserJsGetTheCacheLine) {
    MakeFirefoxProfiles({L"fresh.default", L"kept.default", L"second fresh"});
    const std::string ownUserJs = "user_pref(\"browser.startup.page\", 3);\r\n// the user's own\r\n";
    WriteWholeFile(FirefoxProfiles() + L"\\kept.default\\user.js", ownUserJs);
    // Files beside the profile folders are not profiles.
    WriteWholeFile(FirefoxProfiles() + L"\\stray.txt", "not a profile");

    StartAndWaitForTheMainWindow();

    EXPECT_EQ(ReadWholeFile(FirefoxProfiles() + L"\\fresh.default\\user.js"), std::string(kFirefoxCacheLine));
    EXPECT_EQ(ReadWholeFile(FirefoxProfiles() + L"\\second fresh\\user.js"), std::string(kFirefoxCacheLine));
    EXPECT_EQ(std::string(kFirefoxCacheLine).size(), 50u);
    EXPECT_EQ(ReadWholeFile(FirefoxProfiles() + L"\\kept.default\\user.js"), ownUserJs);
    EXPECT_EQ(ReadWholeFile(FirefoxProfiles() + L"\\stray.txt"), std::string("not a profile"));
    EXPECT_FALSE(DirectoryExists(FirefoxProfiles() + L"\\stray.txt"));
}

TEST_F(BrowserCaches, StartsWithoutAFirefoxProfilesFolder) {
    RemoveTree(SpecialFolder(CSIDL_APPDATA) + L"\\Mozilla");

    StartAndWaitForTheMainWindow();

    EXPECT_FALSE(DirectoryExists(FirefoxProfiles())) << "the Profiles folder was created";
}

// One Internet Explorer cache key as a test sets it up and as it should be afterwards.
struct CacheKeyState {
    enum class Kind { NoKey, NoValue, Dword, String } kind;
    DWORD number = 0;
    const wchar_t* text = L"";
};

struct CacheLimitCase {
    const char* name;
    CacheKeyState content;
    CacheKeyState lowCache;
};

void Arrange(const wchar_t* key, const CacheKeyState& state) {
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    switch (state.kind) {
    case CacheKeyState::Kind::NoKey: break;
    case CacheKeyState::Kind::NoValue: WriteString(HKEY_CURRENT_USER, key, L"Other", L"x"); break;
    case CacheKeyState::Kind::Dword: WriteDword(HKEY_CURRENT_USER, key, L"CacheLimit", state.number); break;
    case CacheKeyState::Kind::String: WriteString(HKEY_CURRENT_USER, key, L"CacheLimit", state.text); break;
    }
}

// Only a REG_DWORD other than 0x100000 is rewritten, to 0x100000; everything else stays.
void ExpectAfterStart(const wchar_t* key, const CacheKeyState& before) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(key)));
    const auto limit = ReadValue(HKEY_CURRENT_USER, key, L"CacheLimit");
    switch (before.kind) {
    case CacheKeyState::Kind::NoKey: EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << "the key was created"; break;
    case CacheKeyState::Kind::NoValue: EXPECT_FALSE(limit.has_value()) << "CacheLimit was added"; break;
    case CacheKeyState::Kind::Dword:
        ASSERT_TRUE(limit.has_value());
        EXPECT_EQ(limit->Dword(), std::optional<DWORD>(kWantedCacheLimit));
        break;
    case CacheKeyState::Kind::String:
        ASSERT_TRUE(limit.has_value());
        EXPECT_EQ(limit->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(limit->Text(), before.text);
        break;
    }
}

class CacheLimits : public BrowserCaches, public testing::WithParamInterface<CacheLimitCase> {};

TEST_P(CacheLimits, OnlyADwordOtherThanTheWantedLimitIsRewritten) {
    Arrange(kCacheContentKey, GetParam().content);
    Arrange(kLowCacheContentKey, GetParam().lowCache);

    StartAndWaitForTheMainWindow();

    ExpectAfterStart(kCacheContentKey, GetParam().content);
    ExpectAfterStart(kLowCacheContentKey, GetParam().lowCache);
}

using Kind = CacheKeyState::Kind;
INSTANTIATE_TEST_SUITE_P(
    Startup, CacheLimits,
    testing::Values(
        CacheLimitCase{"SmallDwordRaisedWantedDwordKept", {Kind::Dword, 12345}, {Kind::Dword, kWantedCacheLimit}},
        CacheLimitCase{"LargerDwordLoweredStringKept", {Kind::String, 0, L"12345"}, {Kind::Dword, 0x7FFFFFFF}},
        CacheLimitCase{"MissingKeyNotCreatedSecondKeyStillTried", {Kind::NoKey}, {Kind::Dword, 0}},
        CacheLimitCase{"MissingValueNotAdded", {Kind::NoValue}, {Kind::NoKey}}),
    [](const testing::TestParamInfo<CacheLimitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
