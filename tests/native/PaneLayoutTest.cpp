// The picture keeps its aspect in any pane, and clicks on the control bar reach the part
// under the pointer, in the program's pane sizes and in degenerate ones.
#include "flashctl/PaneLayout.h"

#include <gtest/gtest.h>

namespace {

using flashctl::Box;

TEST(PaneLayout, FitsThePictureCentredWithItsAspectKept) {
    struct Case {
        int frameWidth, frameHeight;
        Box area, expected;
    };
    const Case cases[] = {
        {640, 360, {0, 0, 320, 217}, {0, 18, 320, 198}},          // wide frame: bands above and below
        {320, 480, {0, 0, 320, 217}, {88, 0, 232, 217}},          // tall frame: bands left and right
        {714, 320, {0, 0, 714, 320}, {0, 0, 714, 320}},           // exact fit
        {3840, 2160, {10, 10, 1034, 778}, {10, 106, 1034, 682}},  // 4K into a screen, no overflow
        {0, 360, {0, 0, 320, 217}, {}},
        {640, 360, {0, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frameWidth << "x" << c.frameHeight);
        const Box box = flashctl::FitPicture(c.frameWidth, c.frameHeight, c.area);
        EXPECT_EQ(c.expected.left, box.left);
        EXPECT_EQ(c.expected.top, box.top);
        EXPECT_EQ(c.expected.right, box.right);
        EXPECT_EQ(c.expected.bottom, box.bottom);
    }
}

TEST(PaneLayout, TheBarAnswersForThePartUnderThePointer) {
    using flashctl::BarPart;
    const auto full = flashctl::LayOutPane(320, 241, true, true);
    EXPECT_EQ(217, full.picture.bottom);
    EXPECT_EQ(BarPart::PlayPause, full.HitTest(5, 230));
    EXPECT_EQ(BarPart::Timeline, full.HitTest(full.timeline.left + 1, 230));
    EXPECT_EQ(BarPart::Volume, full.HitTest(full.volume.right - 1, 230));
    EXPECT_EQ(BarPart::FullScreen, full.HitTest(319, 230));
    EXPECT_EQ(BarPart::None, full.HitTest(160, 100));
    EXPECT_DOUBLE_EQ(0.0, full.TimelineFraction(-50));
    EXPECT_DOUBLE_EQ(1.0, full.TimelineFraction(full.timeline.right + 50));
    EXPECT_EQ(100, full.VolumeAt(full.volume.right + 10));

    const auto bare = flashctl::LayOutPane(320, 241, false, false);
    EXPECT_TRUE(bare.timeline.empty());
    EXPECT_TRUE(bare.fullScreen.empty());
    EXPECT_EQ(BarPart::None, bare.HitTest(160, 230));

    // A pane too small for its parts keeps the play button only; nothing overlaps it.
    const auto tiny = flashctl::LayOutPane(30, 10, true, true);
    EXPECT_TRUE(tiny.timeline.empty() && tiny.volume.empty() && tiny.fullScreen.empty());
    EXPECT_EQ(BarPart::PlayPause, tiny.HitTest(5, 5));
}

}  // namespace
