#include "settings/PlayerSettings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace settings {
namespace {

using Stored = std::map<std::wstring, std::wstring, std::less<>>;

SettingReader ReaderOf(const Stored& stored) {
    return [&stored](std::wstring_view name) {
        const auto found = stored.find(name);
        return found == stored.end() ? std::wstring() : found->second;
    };
}

Stored Written(const PlayerOptions& options) {
    Stored written;
    for (const PlayerSettingText& setting : PlayerSettingTexts(options)) {
        written[std::wstring(setting.name)] = setting.text;
    }
    return written;
}

// Controls as the template creates them, with the icon slider at the start of its range.
PlayerOptions FreshControls() { return PlayerOptions{}; }

// Every box ticked, so a test can see which stored texts clear a box and which leave it.
PlayerOptions AllTicked() {
    PlayerOptions options;
    options.allowFullScreen = options.allowZoom = options.allowTimeline = true;
    options.showHints = options.fitByContent = true;
    options.iconSizePosition = 3;
    return options;
}

TEST(PlayerSettingsRules, SwitchTextsTickClearOrLeaveTheBox) {
    struct Case {
        const wchar_t* text;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {L"true", true},        {L"TRUE", true},     {L"False", false},    {L"false", false},
        {L"yes", std::nullopt}, {L"", std::nullopt}, {L"1", std::nullopt}, {L"true ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(SwitchBoxState(c.text), c.expected) << c.text;
}

TEST(PlayerSettingsRules, QualityWordsAndBack) {
    struct Case {
        const wchar_t* stored;
        FullScreenQuality quality;
        const wchar_t* written;
    };
    const Case cases[] = {
        {L"low", FullScreenQuality::Low, L"low"},
        {L"Normal", FullScreenQuality::Normal, L"normal"},
        {L"BEST", FullScreenQuality::Best, L"best"},
        // "high" is the button's caption, not a stored word.
        {L"high", FullScreenQuality::None, L"normal"},
        {L"", FullScreenQuality::None, L"normal"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QualityFromWord(c.stored), c.quality) << c.stored;
        EXPECT_EQ(std::wstring(QualityWord(c.quality)), c.written) << c.stored;
    }
}

TEST(PlayerSettingsRules, VolumeIsHeldToItsRange) {
    struct Case {
        const wchar_t* text;
        int volume;
    };
    const Case cases[] = {
        {L"70", 70}, {L"0", 0}, {L"100", 100}, {L"150", 100}, {L"-5", 0}, {L"abc", 0}, {L"", 0}, {L"45%", 45},
    };
    for (const Case& c : cases) EXPECT_EQ(VolumeFromText(c.text), c.volume) << c.text;
}

TEST(PlayerSettingsRules, IconSizesAndPositions) {
    struct Case {
        const wchar_t* text;
        std::optional<int> position;
    };
    const Case cases[] = {
        {L"8", 1}, {L"16", 2}, {L"32", 3}, {L"24", std::nullopt}, {L"", std::nullopt}, {L"016", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(IconSizePositionFromText(c.text), c.position) << c.text;

    struct Back {
        int position;
        const wchar_t* text;
    };
    const Back backs[] = {{1, L"8"}, {2, L"16"}, {3, L"32"}, {0, L"8"}, {4, L"32"}};
    for (const Back& b : backs) EXPECT_EQ(std::wstring(IconSizeText(b.position)), b.text) << b.position;
}

TEST(PlayerSettingsRules, StoredTextsApplyOverTheControls) {
    struct Case {
        const char* name;
        Stored stored;
        PlayerOptions start;
        PlayerOptions expected;
    };
    PlayerOptions firstRun = FreshControls();
    firstRun.allowFullScreen = firstRun.allowZoom = firstRun.allowTimeline = firstRun.showHints = true;
    firstRun.quality = FullScreenQuality::Normal;
    firstRun.volume = 70;
    firstRun.hideMenuSeconds = L"5";
    firstRun.iconSizePosition = 2;

    PlayerOptions keptBoxes = AllTicked();
    keptBoxes.hideMenuSeconds = L"12x";

    PlayerOptions cleared = FreshControls();
    cleared.quality = FullScreenQuality::Low;
    cleared.volume = 100;
    cleared.hideMenuSeconds = L"";
    cleared.iconSizePosition = 3;

    const Case cases[] = {
        {"first-run texts",
         {{L"allowfullscreen", L"true"},
          {L"fs_mode", L"normal"},
          {L"allowzoom", L"true"},
          {L"allowtimeline", L"true"},
          {L"hintshow", L"true"},
          {L"zholderfitbycontent", L"false"},
          {L"volume", L"70"},
          {L"nhidemenu", L"5"},
          {L"iconsize", L"16"}},
         FreshControls(),
         firstRun},
        {"unknown texts leave ticked boxes and the icon slider",
         {{L"allowfullscreen", L"yes"},
          {L"allowzoom", L"on"},
          {L"allowtimeline", L""},
          {L"hintshow", L"1"},
          {L"zholderfitbycontent", L"x"},
          {L"iconsize", L"24"},
          {L"nhidemenu", L"12x"}},
         AllTicked(),
         keptBoxes},
        {"false clears ticked boxes",
         {{L"allowfullscreen", L"FALSE"},
          {L"fs_mode", L"LOW"},
          {L"allowzoom", L"false"},
          {L"allowtimeline", L"false"},
          {L"hintshow", L"false"},
          {L"zholderfitbycontent", L"false"},
          {L"volume", L"250"},
          {L"iconsize", L"32"}},
         AllTicked(),
         cleared},
    };
    for (const Case& c : cases) {
        PlayerOptions options = c.start;
        ApplyStoredPlayerSettings(ReaderOf(c.stored), options);
        EXPECT_EQ(options, c.expected) << c.name;
    }
}

TEST(PlayerSettingsRules, DefaultsAreTheFirstRunValues) {
    PlayerOptions expected;
    expected.allowFullScreen = true;
    expected.quality = FullScreenQuality::Normal;
    expected.allowZoom = expected.allowTimeline = expected.showHints = true;
    expected.fitByContent = false;
    expected.volume = 70;
    expected.hideMenuSeconds = L"5";
    expected.iconSizePosition = 2;
    EXPECT_EQ(DefaultPlayerOptions(), expected);
    EXPECT_EQ(std::wstring(DefaultHideMenuSeconds()), L"5");
}

TEST(PlayerSettingsRules, WrittenTexts) {
    PlayerOptions mixed = AllTicked();
    mixed.allowZoom = false;
    mixed.quality = FullScreenQuality::Best;
    mixed.volume = 0;
    mixed.hideMenuSeconds = L"42";
    mixed.iconSizePosition = 1;

    PlayerOptions emptyDelay = FreshControls();
    emptyDelay.hideMenuSeconds = L"";

    struct Case {
        const char* name;
        PlayerOptions options;
        Stored expected;
    };
    const Case cases[] = {
        {"mixed",
         mixed,
         {{L"allowfullscreen", L"true"},
          {L"fs_mode", L"best"},
          {L"allowzoom", L"false"},
          {L"allowtimeline", L"true"},
          {L"hintshow", L"true"},
          {L"zholderfitbycontent", L"true"},
          {L"volume", L"0"},
          {L"nhidemenu", L"42"},
          {L"iconsize", L"8"}}},
        {"empty delay and no quality",
         emptyDelay,
         {{L"allowfullscreen", L"false"},
          {L"fs_mode", L"normal"},
          {L"allowzoom", L"false"},
          {L"allowtimeline", L"false"},
          {L"hintshow", L"false"},
          {L"zholderfitbycontent", L"false"},
          {L"volume", L"0"},
          {L"nhidemenu", L"5"},
          {L"iconsize", L"8"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Written(c.options), c.expected) << c.name;
}

TEST(PlayerSettingsRules, WritingOrderIsFixed) {
    const auto texts = PlayerSettingTexts(DefaultPlayerOptions());
    const wchar_t* order[] = {L"allowfullscreen",     L"fs_mode", L"allowzoom", L"allowtimeline", L"hintshow",
                              L"zholderfitbycontent", L"volume",  L"nhidemenu", L"iconsize"};
    for (std::size_t index = 0; index < texts.size(); ++index) EXPECT_EQ(std::wstring(texts[index].name), order[index]);
}

TEST(PlayerSettingsRules, DefaultsSurviveARoundTrip) {
    PlayerOptions reread = FreshControls();
    const Stored written = Written(DefaultPlayerOptions());
    ApplyStoredPlayerSettings(ReaderOf(written), reread);
    EXPECT_EQ(reread, DefaultPlayerOptions());
}

}  // namespace
}  // namespace settings
