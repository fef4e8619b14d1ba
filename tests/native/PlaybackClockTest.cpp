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
        double frameTime, position;
        int droppedInARow;
        FrameAction action;
    };
    const Case cases[] = {
        {1.0, 0.99, 0, FrameAction::Wait},
        {1.0, 1.0, 0, FrameAction::Show},
        {1.0, 1.0 + kFrame * 0.9, 0, FrameAction::Show},
        {1.0, 1.0 + kFrame * 2, 0, FrameAction::Drop},
        {1.0, 1.0 + kFrame * 2, flashctl::kMaxDroppedInARow, FrameAction::Show},
        {1.0, 1.3, 0, FrameAction::ShowAndResync},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frameTime << " at " << c.position << " after " << c.droppedInARow);
        EXPECT_EQ(c.action, flashctl::DecideFrame(c.frameTime, c.position, kFrame, c.droppedInARow));
    }
}

}  // namespace
