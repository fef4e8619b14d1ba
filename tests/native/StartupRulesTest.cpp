#include "app/NotifySettings.h"
#include "app/StartupRules.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(StartupRules, MinimizedSwitchIsACaseSensitiveSubstring) {
    EXPECT_TRUE(HasMinimizedSwitch(L"\"C:\\Program Files\\Reelkeep\\Reelkeep.exe\" /min"));
    EXPECT_TRUE(HasMinimizedSwitch(L"Reelkeep.exe/minimal"));
    EXPECT_FALSE(HasMinimizedSwitch(L"Reelkeep.exe /MIN"));
    EXPECT_FALSE(HasMinimizedSwitch(L"Reelkeep.exe -min"));
    EXPECT_FALSE(HasMinimizedSwitch(L""));
}

TEST(NotifySwitches, EachCombinationGivesItsBalloon) {
    struct Case {
        NotifySwitches switches;
        bool animates;
        const wchar_t* title;
        const wchar_t* text;
        unsigned flags;
    };
    const Case cases[] = {
        {{true, false, false}, true, L"", L"", kBalloonNone},
        {{true, true, false}, true, kBalloonTitle, kBalloonText, kBalloonInfoSilent},
        {{true, true, true}, true, kBalloonTitle, kBalloonText, kBalloonInfo},
        {{true, false, true}, true, L"", L"", kBalloonInfo},
        {{false, true, true}, false, kBalloonTitle, kBalloonText, kBalloonInfo},
    };
    for (const Case& c : cases) {
        BalloonFields balloon{L"old title", L"old text", 0x4};
        EXPECT_EQ(ApplyNotifySwitches(c.switches, balloon), c.animates);
        EXPECT_EQ(balloon.title, c.title);
        EXPECT_EQ(balloon.text, c.text);
        EXPECT_EQ(balloon.flags, c.flags);
    }
}

TEST(NotifySwitches, AllOffLeavesTheBalloonAsItWas) {
    BalloonFields balloon{kBalloonTitle, kBalloonText, kBalloonInfo};
    EXPECT_FALSE(ApplyNotifySwitches({}, balloon));
    EXPECT_EQ(balloon.title, kBalloonTitle);
    EXPECT_EQ(balloon.flags, kBalloonInfo);
}

}  // namespace
}  // namespace app
