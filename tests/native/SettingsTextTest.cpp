#include "settings/SettingsText.h"
#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

namespace settings {
namespace {

TEST(SettingsText, SwitchIsOnOnlyForTrueInAnyCase) {
    EXPECT_TRUE(IsSwitchOn(L"true"));
    EXPECT_TRUE(IsSwitchOn(L"TRUE"));
    EXPECT_TRUE(IsSwitchOn(L"tRuE"));
    EXPECT_FALSE(IsSwitchOn(L"yes"));
    EXPECT_FALSE(IsSwitchOn(L"true "));
    EXPECT_FALSE(IsSwitchOn(L""));
    EXPECT_FALSE(IsSwitchOn(L"1"));
}

TEST(SettingsText, BrowsersTakesFirstSecondThirdAndLastCharacter) {
    BrowserSwitches switches{false, true, true, true};
    ApplyBrowsersText(L"10", switches);
    EXPECT_TRUE(switches.internetExplorer);
    EXPECT_FALSE(switches.firefox);
    EXPECT_TRUE(switches.chrome) << "a missing third character leaves Chrome as it was";
    EXPECT_FALSE(switches.opera) << "Opera takes the last character";

    BrowserSwitches fromOne{false, true, false, false};
    ApplyBrowsersText(L"1", fromOne);
    EXPECT_TRUE(fromOne.internetExplorer);
    EXPECT_TRUE(fromOne.firefox);
    EXPECT_FALSE(fromOne.chrome);
    EXPECT_TRUE(fromOne.opera);

    BrowserSwitches mixed{};
    ApplyBrowsersText(L"1001", mixed);
    EXPECT_TRUE(mixed.internetExplorer);
    EXPECT_FALSE(mixed.firefox);
    EXPECT_FALSE(mixed.chrome);
    EXPECT_TRUE(mixed.opera);

    BrowserSwitches untouched{true, false, true, false};
    ApplyBrowsersText(L"x?y", untouched);
    EXPECT_TRUE(untouched.internetExplorer);
    EXPECT_FALSE(untouched.firefox);
    EXPECT_TRUE(untouched.chrome);
    EXPECT_FALSE(untouched.opera);
    ApplyBrowsersText(L"", untouched);
    EXPECT_TRUE(untouched.internetExplorer);
}

TEST(SettingsTable, HoldsTheTwentyTwoValuesInFirstRunOrder) {
    ASSERT_EQ(kSettings.size(), 22u);
    EXPECT_EQ(kSettings.front().name, L"lastpingtime");
    EXPECT_EQ(kSettings[2].name, kConvertPath.name);
    EXPECT_EQ(kSettings.back().name, L"iconsize");
    for (size_t i = 0; i < kSettings.size(); ++i)
        for (size_t j = i + 1; j < kSettings.size(); ++j) EXPECT_NE(kSettings[i].name, kSettings[j].name);
}

// A default that its own kind cannot read would reach a new user as a broken setting.
TEST(SettingsTable, EveryDefaultReadsAsItsKind) {
    for (const SettingDefinition& setting : kSettings) {
        const std::wstring_view text = setting.firstRunDefault;
        switch (setting.kind) {
        case SettingKind::Switch: EXPECT_TRUE(text == L"true" || text == L"false") << std::wstring(setting.name); break;
        case SettingKind::Number:
            EXPECT_TRUE(!text.empty() && text.find_first_not_of(L"0123456789") == std::wstring_view::npos)
                << std::wstring(setting.name);
            break;
        case SettingKind::Word: break;
        }
    }
}

}  // namespace
}  // namespace settings
