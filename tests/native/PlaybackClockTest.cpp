// Pacing decides which decoded frames reach the pane: a wrong answer either stutters,
// drifts out of step with the clock, or drops every frame of a slow decoder.
#include "flashctl/PlaybackClock.h"

#include <gtest/gtest.h>

namespace {

using flashctl::FrameAction;

TEST(PlaybackClock, RunsPausesAndResumesAgainstItsTimeSource) {
    flashctl::PlaybackClock clock;
    clock.Start(5.0, 100.0, false);
    EXPECT_DOUBLE_EQ(5.0, clock.Position(107.0));
    clock.Resume(110.0);
    EXPECT_DOUBLE_EQ(7.5, clock.Position(112.5));
    clock.Pause(113.0);
    clock.Pause(120.0);
    EXPECT_DOUBLE_EQ(8.0, clock.Position(130.0));
}

TEST(PlaybackClock, EachFrameIsWaitedForShownDroppedOrResynced) {
    constexpr double kFrame = 1.0 / 30;
    struct Case {
        double lateness;
        int droppedInARow;
        bool sound;
        FrameAction action;
    };
    const Case cases[] = {
        {-0.01, 0, true, FrameAction::Wait},
        {-0.01, 0, false, FrameAction::Wait},
        {0, 0, true, FrameAction::Show},
        {kFrame * 0.9, 0, true, FrameAction::Show},
        {kFrame * 1.5, 0, true, FrameAction::Drop},
        {kFrame * 1.5, flashctl::kMaxDroppedInARow, true, FrameAction::Show},
        {1.0, 0, true, FrameAction::Drop},
        {kFrame * 1.5, 0, false, FrameAction::Show},
        {kFrame * 2.5, 0, false, FrameAction::ShowAndResync},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lateness << " late after " << c.droppedInARow << " sound " << c.sound);
        EXPECT_EQ(c.action, flashctl::DecideFrame(10.0, 10.0 + c.lateness, kFrame, c.droppedInARow, c.sound));
    }
}

}  // namespace
