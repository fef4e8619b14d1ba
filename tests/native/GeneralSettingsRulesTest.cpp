#include "settings/GeneralSettingsRules.h"

#include <gtest/gtest.h>

namespace settings {
namespace {

constexpr bool X = true;
constexpr bool o = false;

TEST(GeneralSettingsRules, DefaultBrowserIsTheFirstWordFoundInTheCommand) {
    struct Case {
        std::optional<std::wstring_view> command;
        Browser expected;
    };
    const Case cases[] = {
        {std::nullopt, Browser::InternetExplorer},
        {L"", Browser::InternetExplorer},
        {L"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"", Browser::Firefox},
        {L"\"C:\\Google\\Chrome\\Application\\chrome.exe\" -- \"%1\"", Browser::Chrome},
        {L"C:\\Opera\\opera.exe \"%1\"", Browser::Opera},
        {L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" %1", Browser::InternetExplorer},
        // Case matters: an upper-case name is no match.
        {L"C:\\FIREFOX\\FIREFOX.EXE", Browser::InternetExplorer},
        // The list order decides, not the position in the command.
        {L"opera.exe --from chrome", Browser::Chrome},
        {L"chrome --via firefox", Browser::Firefox},
        {L"C:\\Windows\\system32\\winebrowser.exe -nohome", Browser::InternetExplorer},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultBrowserFromCommand(c.command), c.expected) << std::wstring(c.command ? *c.command : L"(none)");
    }
}

TEST(GeneralSettingsRules, TodaysBrowsersByTheirProgramsAndProgIds) {
    for (const wchar_t* command :
         {L"\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe\" --single-argument %1",
          L"\"C:\\Users\\ann\\AppData\\Local\\Vivaldi\\Application\\vivaldi.exe\" -- \"%1\"",
          L"\"C:\\Users\\ann\\AppData\\Local\\Chromium\\Application\\chromium.exe\" \"%1\""})
        EXPECT_EQ(DefaultBrowserFromCommand(std::wstring_view(command)), Browser::Chrome) << command;
    const std::pair<const wchar_t*, std::optional<Browser>> progIds[] = {
        {L"chromehtml", Browser::Chrome},
        {L"ChromeHTML.QWERTY123", Browser::Chrome},
        {L"ChromeHTMLX", std::nullopt},
        {L"FirefoxHTML-308046B0AF4A39CB", Browser::Firefox},
        {L"Opera GXStable", Browser::Opera},
        {L"IE.HTTP", Browser::InternetExplorer},
        {L"AppXq0fevzme2pys62n3e0fbqa7peapykr8v", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& [progId, browser] : progIds) EXPECT_EQ(BrowserOfProgId(progId), browser) << progId;
}

TEST(GeneralSettingsRules, EachModeTicksItsBoxes) {
    struct Case {
        BrowserMode mode;
        Browser defaultBrowser;
        BrowserChecks expected;
    };
    const Case cases[] = {
        {BrowserMode::All, Browser::Chrome, {X, X, X, X}},
        {BrowserMode::Default, Browser::InternetExplorer, {X, o, o, o}},
        {BrowserMode::Default, Browser::Firefox, {o, X, o, o}},
        {BrowserMode::Default, Browser::Opera, {o, o, o, X}},
        {BrowserMode::Custom, Browser::Firefox, {o, o, o, o}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChecksForMode(c.mode, c.defaultBrowser), c.expected) << static_cast<int>(c.mode);
    }
}

TEST(GeneralSettingsRules, TheLastTickedBoxStaysTickedAfterItsClick) {
    struct Case {
        BrowserChecks afterClick;
        Browser clicked;
        BrowserChecks expected;
    };
    const Case cases[] = {
        {{o, o, o, o}, Browser::Chrome, {o, o, X, o}},
        {{o, o, o, o}, Browser::InternetExplorer, {X, o, o, o}},
        {{X, o, o, o}, Browser::Firefox, {X, o, o, o}},
        {{o, X, X, o}, Browser::Opera, {o, X, X, o}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeepOneBrowser(c.afterClick, c.clicked), c.expected);
}

TEST(GeneralSettingsRules, BoxesReadAsAMode) {
    struct Case {
        BrowserChecks checks;
        Browser defaultBrowser;
        BrowserMode expected;
    };
    const Case cases[] = {
        {{X, X, X, X}, Browser::Firefox, BrowserMode::All},
        {{o, X, o, o}, Browser::Firefox, BrowserMode::Default},
        {{o, X, X, o}, Browser::Firefox, BrowserMode::Custom},
        {{X, X, X, o}, Browser::Firefox, BrowserMode::Custom},
        {{X, o, o, o}, Browser::InternetExplorer, BrowserMode::Default},
        // A single box that is not the default browser's is a custom choice.
        {{o, o, X, o}, Browser::Firefox, BrowserMode::Custom},
        {{o, o, o, o}, Browser::Firefox, BrowserMode::Custom},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModeForChecks(c.checks, c.defaultBrowser), c.expected) << BrowsersSetting(c.checks);
    }
}

TEST(GeneralSettingsRules, ModeSettingRoundTripsAndOutOfRangeShowsAllBrowsers) {
    struct Case {
        std::wstring_view text;
        BrowserMode expected;
    };
    const Case cases[] = {
        {L"0", BrowserMode::All}, {L"1", BrowserMode::Default}, {L"2", BrowserMode::Custom},  {L"", BrowserMode::All},
        {L"3", BrowserMode::All}, {L"-1", BrowserMode::All},    {L"2x", BrowserMode::Custom},
    };
    for (const Case& c : cases) EXPECT_EQ(ModeFromSetting(c.text), c.expected) << std::wstring(c.text);
    EXPECT_EQ(ModeSetting(BrowserMode::All), L"0");
    EXPECT_EQ(ModeSetting(BrowserMode::Default), L"1");
    EXPECT_EQ(ModeSetting(BrowserMode::Custom), L"2");
}

TEST(GeneralSettingsRules, BrowsersTextWritesOneDigitPerBoxInBrowserOrder) {
    EXPECT_EQ(BrowsersSetting({X, X, X, X}), L"1111");
    EXPECT_EQ(BrowsersSetting({o, o, o, o}), L"0000");
    EXPECT_EQ(BrowsersSetting({X, o, X, o}), L"1010");
    EXPECT_EQ(BrowsersSetting({o, X, o, X}), L"0101");
}

TEST(GeneralSettingsRules, BrowsersTextAppliesToBoxes) {
    struct Case {
        std::wstring_view text;
        BrowserChecks before;
        BrowserChecks expected;
    };
    const Case cases[] = {
        {L"1010", {o, o, o, o}, {X, o, X, o}},  {L"0000", {X, X, X, X}, {o, o, o, o}},
        {L"", {X, o, X, o}, {X, o, X, o}},      {L"1x0", {o, X, X, X}, {X, X, o, o}},
        {L"11111", {o, o, o, o}, {X, X, X, X}},
    };
    for (const Case& c : cases) EXPECT_EQ(ApplyBrowsersSetting(c.text, c.before), c.expected) << std::wstring(c.text);
}

TEST(GeneralSettingsRules, DialogSwitchesAreStrict) {
    struct Case {
        std::wstring_view text;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {L"true", true},     {L"false", false},    {L"TRUE", std::nullopt},
        {L"", std::nullopt}, {L"1", std::nullopt}, {L"false ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(StrictSwitch(c.text), c.expected) << std::wstring(c.text);
}

}  // namespace
}  // namespace settings
