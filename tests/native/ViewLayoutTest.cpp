#include "library/ViewLayout.h"

#include "library/ClipColumns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace library {
namespace {

const ControlPlacement* Find(const ViewLayout& layout, int id) {
    for (const ControlPlacement& placement : layout.placements)
        if (placement.controlId == id) return &placement;
    return nullptr;
}

int Width(const ViewLayout& layout, int column) {
    for (const ColumnWidth& width : layout.columnWidths)
        if (width.column == column) return width.width;
    return -1;  // left as it was
}

TEST(ViewLayout, OnlyModesOneToThreeHaveALayout) {
    for (int mode : {-1, 0, 4, 100}) EXPECT_FALSE(LayoutForViewMode(mode).has_value()) << mode;
    std::set<int> commands;
    for (int mode : {kViewSimple, kViewStandard, kViewAdvanced}) {
        const std::optional<ViewLayout> layout = LayoutForViewMode(mode);
        ASSERT_TRUE(layout.has_value()) << mode;
        commands.insert(layout->viewMenuCommand);
        const auto all = ViewMenuCommands();
        EXPECT_NE(std::find(all.begin(), all.end(), layout->viewMenuCommand), all.end());
    }
    EXPECT_EQ(commands.size(), 3u);
}

TEST(ViewLayout, ListAndPreviewTradeHeight) {
    const ViewLayout simple = *LayoutForViewMode(kViewSimple);
    const ViewLayout standard = *LayoutForViewMode(kViewStandard);
    const ViewLayout advanced = *LayoutForViewMode(kViewAdvanced);
    ASSERT_NE(Find(simple, 1009), nullptr);
    ASSERT_NE(Find(standard, 1009), nullptr);
    EXPECT_EQ(Find(simple, 1009)->rect, (PixelRect{30, 33, 714, 109}));
    EXPECT_EQ(Find(standard, 1009)->rect, (PixelRect{30, 33, 714, 210}));
    EXPECT_EQ(simple.previewPlayer, (PixelRect{30, 258, 714, 344}));
    EXPECT_EQ(standard.previewPlayer, (PixelRect{30, 360, 320, 241}));
    ASSERT_EQ(standard.placements.size(), advanced.placements.size());
    for (size_t i = 0; i < standard.placements.size(); ++i) {
        EXPECT_EQ(standard.placements[i].controlId, advanced.placements[i].controlId);
        EXPECT_EQ(standard.placements[i].rect, advanced.placements[i].rect);
    }
    EXPECT_EQ(standard.previewPlayer, advanced.previewPlayer);
}

TEST(ViewLayout, ControlsThatShareAPlaceGetTheSameOne) {
    const int sharing[][3] = {{1006, 1017, 1039}, {1012, 1014, 1014}, {1013, 1015, 1015}};
    for (int mode : {kViewSimple, kViewStandard}) {
        const ViewLayout layout = *LayoutForViewMode(mode);
        std::set<int> ids;
        for (const ControlPlacement& placement : layout.placements) ids.insert(placement.controlId);
        EXPECT_EQ(ids.size(), layout.placements.size()) << "a control placed twice in " << mode;
        for (const auto& group : sharing) {
            for (int id : group) ASSERT_NE(Find(layout, id), nullptr) << id;
            EXPECT_EQ(Find(layout, group[0])->rect, Find(layout, group[1])->rect) << group[1];
            EXPECT_EQ(Find(layout, group[0])->rect, Find(layout, group[2])->rect) << group[2];
        }
    }
}

TEST(ViewLayout, ShownControlsBelongToTheConvertPanel) {
    const auto panel = ConvertPanelControls();
    EXPECT_EQ(std::set<int>(panel.begin(), panel.end()).size(), 26u);
    const auto shows = [](int mode, int id) {
        const auto shown = LayoutForViewMode(mode)->shownControls;
        return std::find(shown.begin(), shown.end(), id) != shown.end();
    };
    for (int mode : {kViewSimple, kViewStandard, kViewAdvanced}) {
        const ViewLayout layout = *LayoutForViewMode(mode);
        for (int id : layout.shownControls) EXPECT_NE(std::find(panel.begin(), panel.end(), id), panel.end()) << id;
    }
    EXPECT_TRUE(LayoutForViewMode(kViewSimple)->shownControls.empty());
    EXPECT_EQ(LayoutForViewMode(kViewStandard)->shownControls.size(), 17u);
    EXPECT_EQ(LayoutForViewMode(kViewAdvanced)->shownControls.size(), 21u);
    // The slider belongs to Standard, the combos and cut pickers to Advanced.
    EXPECT_TRUE(shows(kViewStandard, 1053));
    EXPECT_FALSE(shows(kViewAdvanced, 1053));
    EXPECT_FALSE(shows(kViewStandard, 1065));
    EXPECT_TRUE(shows(kViewAdvanced, 1065));
    EXPECT_TRUE(shows(kViewAdvanced, 1056));
    EXPECT_TRUE(shows(kViewStandard, 1005) && shows(kViewAdvanced, 1005)) << "the Convert button";
}

TEST(ViewLayout, ColumnWidthsNeverWidenThePath) {
    struct Case {
        int mode;
        int widths[11];
    };
    const Case cases[] = {
        {kViewSimple, {243, 90, 90, 90, 90, 90, 0, 0, -1, 0, 0}},
        {kViewStandard, {213, 80, 80, 80, 80, 80, 80, 0, -1, 0, 0}},
        {kViewAdvanced, {213, 80, 80, 80, 80, 80, 80, 80, -1, 330, 240}},
    };
    for (const Case& c : cases) {
        const ViewLayout layout = *LayoutForViewMode(c.mode);
        for (int column = 0; column < 11; ++column)
            EXPECT_EQ(Width(layout, column), c.widths[column]) << "mode " << c.mode << " column " << column;
    }
    EXPECT_EQ(kClipColumns[kPathColumn].initialWidth, 0);
}

TEST(ViewLayout, StoredViewOutsideOneToThreeReadsAsStandard) {
    for (int stored : {kViewSimple, kViewStandard, kViewAdvanced}) EXPECT_EQ(ViewModeFromNumber(stored), stored);
    for (int stored : {0, 4, -1, 2147483647}) EXPECT_EQ(ViewModeFromNumber(stored), kViewStandard) << stored;
}

TEST(ViewLayout, AltVCyclesThroughTheThreeLayouts) {
    EXPECT_EQ(NextViewMode(kViewSimple), kViewStandard);
    EXPECT_EQ(NextViewMode(kViewStandard), kViewAdvanced);
    EXPECT_EQ(NextViewMode(kViewAdvanced), kViewSimple);
    EXPECT_EQ(NextViewMode(0), kViewSimple);
    EXPECT_EQ(NextViewMode(7), kViewSimple);
    // Stored "1", then Alt+V twice: the stream columns show and the path stays hidden.
    const ViewLayout twice = *LayoutForViewMode(NextViewMode(NextViewMode(1)));
    EXPECT_EQ(Width(twice, 9), 330);
    EXPECT_EQ(Width(twice, 10), 240);
    EXPECT_EQ(Width(twice, kPathColumn), -1);
}

}  // namespace
}  // namespace library
