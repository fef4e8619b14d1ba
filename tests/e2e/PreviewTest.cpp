// The preview pane of the real program with the real player control: the top clip's
// first frame after start, Enter plays it, the placeholder after the last clip goes and
// after "Show", and the pane's place in the Simple and Standard layouts, also at 144 dpi.
#include "PreviewPane.h"
#include "ProgramTest.h"
#include "titles/TitleStore.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <optional>
#include <vector>

namespace e2e {
namespace {

struct PaneRect {
    int x, y, width, height;
    bool operator==(const PaneRect&) const = default;
};

PaneRect PlaceOf(HWND pane, HWND main) {
    RECT r{};
    GetWindowRect(pane, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class Preview : public ProgramTest {};

TEST_F(Preview, ShowsTheFirstFramePlaysAndFallsBackToThePlaceholder) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    MakeDirectories(program().Path(L"Videos"));
    ASSERT_TRUE(CopyFileW((BuildProgramFolder() + L"preview-clips\\green-then-moving.flv").c_str(),
                          program().Path(L"Videos\\1260000001.flv").c_str(), FALSE));
    RunningProgram run(program());
    HWND main = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    HWND pane = FindPane(main);
    ASSERT_NE(pane, nullptr) << "no player pane: the runtime did not load";

    // Standard layout at first start, then Simple, then Standard again.
    EXPECT_EQ(PlaceOf(pane, main), (PaneRect{30, 360, 320, 241}));
    SendMessageW(main, WM_COMMAND, ID_VIEW_SIMPLE, 0);
    EXPECT_EQ(PlaceOf(pane, main), (PaneRect{30, 258, 714, 344}));
    EXPECT_TRUE(WaitForSteadyPicture(main, 20s, [&] { return Mostly(MiddleColumns(PaneColours(pane)), IsGreen); }))
        << "the first frame never showed in the Simple layout";
    TakeScreenshot(L"preview-simple-layout");
    SendMessageW(main, WM_COMMAND, ID_VIEW_STANDARD, 0);
    EXPECT_EQ(PlaceOf(pane, main), (PaneRect{30, 360, 320, 241}));

    // The top clip shows its first frame, paused: flat green that stays.
    EXPECT_TRUE(WaitForSteadyPicture(main, 20s, [&] { return Mostly(PaneColours(pane), IsGreen); }))
        << "the first frame never showed";
    TakeScreenshot(L"preview-first-frame");
    // Nothing reports that a clip stays paused; playing, it would leave its green second
    // within this window.
    EXPECT_TRUE(HoldsThroughout([&] { return Mostly(PaneColours(pane), IsGreen); }, 1500ms))
        << "a paused clip must not move on";

    // Enter plays: the moving picture follows the green second, and goes on moving.
    PostMessageW(main, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsColourful(PaneColours(pane)); }, 20s)) << "the clip never started";
    const std::vector<COLORREF> before = PaneColours(pane);
    TakeScreenshot(L"preview-playing-1");
    EXPECT_TRUE(WaitUntil([&] { return PaneColours(pane) != before; }, 20s)) << "the playing picture stood still";
    TakeScreenshot(L"preview-playing-2");

    // F2 renames the clip the player has open; the new title must reach the store.
    HWND list = GetDlgItem(main, IDC_CLIP_LIST);
    PressKey(list, VK_F2);
    HWND edit = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (edit = ListView_GetEditControl(list)) != nullptr; }, 5s)) << "no label edit";
    SetWindowTextW(edit, L"Renamed while playing");
    PressKey(edit, VK_RETURN);
    const std::wstring clip = program().Path(L"Videos\\1260000001.flv");
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list, 1).at(0).at(0) == L"Renamed while playing"; }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return titles::ReadTitle(clip) == L"Renamed while playing"; }, 5s))
        << "the title read " << testing::PrintToString(titles::ReadTitle(clip));

    // Deleting the last clip leaves the blank placeholder; so does "Show" on an empty list.
    PostMessageW(main, WM_COMMAND, ID_MOVIE_DELETE, 0);
    std::optional<MessageBoxView> question;
    ASSERT_TRUE(WaitUntil([&] { return (question = FindMessageBox(run.processId())).has_value(); }, 10s));
    ASSERT_TRUE(question->Press(IDYES));
    const auto placeholder = [&] { return Mostly(PaneColours(pane), IsWhite); };
    EXPECT_TRUE(WaitForSteadyPicture(main, 20s, placeholder)) << "no placeholder after deleting";
    TakeScreenshot(L"preview-placeholder-after-delete");
    ASSERT_TRUE(ListAgain(run, main)) << "Show never finished its list";
    EXPECT_EQ(ReadListView(GetDlgItem(main, IDC_CLIP_LIST), 1).size(), 0u) << "the deleted clip came back";
    EXPECT_TRUE(WaitForSteadyPicture(main, 20s, placeholder)) << "no placeholder after Show";
    TakeScreenshot(L"preview-placeholder-after-show");
    EXPECT_TRUE(run.IsRunning());
}

// At 144 dpi the template grows by its font's units; the pane grows with its group box
// instead of staying on the pixels of 96 dpi. The template's units are not a whole
// factor, so the pane is compared with the group box it belongs in.
TEST_F(Preview, FollowsTheLayoutAtALargerDpi) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    const wchar_t kDesktop[] = L"Control Panel\\Desktop";
    const std::optional<RegistryValue> before = ReadValue(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
    WriteDword(HKEY_CURRENT_USER, kDesktop, L"LogPixels", 144);
    struct Restore {
        const wchar_t* key;
        std::optional<DWORD> value;
        ~Restore() {
            if (value)
                WriteDword(HKEY_CURRENT_USER, key, L"LogPixels", *value);
            else
                DeleteValue(HKEY_CURRENT_USER, key, L"LogPixels");
        }
    } restore{kDesktop, before ? before->Dword() : std::nullopt};

    RunningProgram run(program());
    HWND main = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(main, nullptr);
    HWND pane = FindPane(main);
    ASSERT_NE(pane, nullptr);
    struct Layout {
        UINT command;
        PaneRect group, pane;  // at 96 dpi
    };
    const Layout layouts[] = {{ID_VIEW_STANDARD, {14, 340, 351, 278}, {30, 360, 320, 241}},
                              {ID_VIEW_SIMPLE, {14, 236, 746, 382}, {30, 258, 714, 344}}};
    for (const Layout& layout : layouts) {
        SendMessageW(main, WM_COMMAND, layout.command, 0);
        const PaneRect group = PlaceOf(GetDlgItem(main, IDC_PREVIEW_GROUP), main);
        const PaneRect placed = PlaceOf(pane, main);
        const double sx = static_cast<double>(group.width) / layout.group.width;
        const double sy = static_cast<double>(group.height) / layout.group.height;
        SCOPED_TRACE(testing::Message() << "view command " << layout.command << ", scale " << sx << " x " << sy);
        EXPECT_GT(sx, 1.2) << "the template did not grow: the larger DPI never took effect";
        EXPECT_NEAR(placed.x, layout.pane.x * sx, 2);
        EXPECT_NEAR(placed.y, layout.pane.y * sy, 2);
        EXPECT_NEAR(placed.width, layout.pane.width * sx, 2);
        EXPECT_NEAR(placed.height, layout.pane.height * sy, 2);
        EXPECT_TRUE(placed.x > group.x && placed.y > group.y && placed.x + placed.width < group.x + group.width &&
                    placed.y + placed.height < group.y + group.height)
            << "the pane sticks out of its group box";
    }
    EXPECT_TRUE(WaitForSteadyPicture(main, 20s, [&] { return Mostly(PaneColours(pane), IsWhite); }))
        << "the Simple layout never finished painting its placeholder";
    TakeScreenshot(L"preview-simple-layout-144dpi");
}

}  // namespace
}  // namespace e2e
