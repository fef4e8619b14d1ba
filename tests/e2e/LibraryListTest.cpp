// The library as a user meets it: clips made by the Linux ffmpeg in "Videos\", listed by
// the real program with their columns, and the window in its three layouts.
#include "PreviewPane.h"
#include "ProgramTest.h"

#include "titles/TitleStore.h"
#include "resources/resource.h"

#include <algorithm>

namespace e2e {
namespace {

class LibraryList : public ProgramTest {
protected:
    void AddClip(const wchar_t* source, const wchar_t* name) {
        ASSERT_TRUE(CopyFileW((ClipsFolder() + source).c_str(),
                              program().Path(std::wstring(L"Videos\\") + name).c_str(), FALSE));
    }
    void AddFiveClips() {
        MakeDirectories(program().Path(L"Videos"));
        AddClip(L"flv-320x240-sound.flv", L"1260000001.flv");
        AddClip(L"mp4-320x240-sound.mp4", L"1260000002.flv");
        AddClip(L"flv-1920x1080-sound.flv", L"1260000003.flv");
        AddClip(L"mp4-1920x1080-sound.mp4", L"1260000004.flv");
        AddClip(L"flv-320x240-silent.flv", L"1260000005.flv");
    }
    static HWND ListOf(HWND window) { return GetDlgItem(window, IDC_CLIP_LIST); }
    static int Rows(HWND window) { return static_cast<int>(SendMessageW(ListOf(window), LVM_GETITEMCOUNT, 0, 0)); }
    // The start-up build selects the top row once it has listed every clip.
    static bool TopRowSelected(HWND window) {
        return SendMessageW(ListOf(window), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 0;
    }
    std::wstring View() {
        const auto value = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"view");
        return value ? value->Text() : L"(missing)";
    }
};

TEST_F(LibraryList, FiveClipsAreListedNewestFirstWithTheirColumns) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    AddFiveClips();
    AddClip(L"flv-320x240-sound.flv", L"1260000006.flv");
    titles::WriteTitle(program().Path(L"Videos\\1260000006.flv"), L"InOrderToDelete");
    AddClip(L"text-only.flv", L"1260000007.flv");

    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TopRowSelected(window); }, 30s)) << "rows: " << Rows(window);
    const auto rows = ReadListView(ListOf(window), 11);
    ASSERT_EQ(rows.size(), 5u) << "the marked clip, its file already gone, and the text file are not listed";
    EXPECT_FALSE(FileExists(program().Path(L"Videos\\1260000006.flv"))) << "purged at start";
    const std::vector<std::wstring> titles{L"1260000005", L"1260000004", L"1260000003", L"1260000002", L"1260000001"};
    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_EQ(rows[row][0], titles[row]);
        EXPECT_EQ(rows[row][8], program().Path(L"Videos\\" + titles[row] + L".flv"));
        EXPECT_EQ(rows[row][1].size(), 10u) << "date of view";
        EXPECT_EQ(rows[row][2].size(), 8u) << "time of view";
        EXPECT_TRUE(rows[row][3].ends_with(L" Mb")) << rows[row][3];
    }
    EXPECT_EQ(rows[0][5], L"320x240");
    EXPECT_EQ(rows[0][10], L" n/a") << "the silent clip has no audio stream";
    EXPECT_EQ(rows[1][5], L"1920x1080");
    EXPECT_EQ(rows[1][6], L"23.98 Fps");
    EXPECT_EQ(rows[4][4], L"00:00:02");
    EXPECT_NE(rows[4][9].find(L"flv1"), std::wstring::npos) << rows[4][9];
    EXPECT_NE(rows[4][10].find(L"mp3"), std::wstring::npos) << rows[4][10];
}

TEST_F(LibraryList, TheThreeLayoutsAreShownAndStored) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    AddFiveClips();
    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Rows(window) == 5; }, 30s));
    SetForegroundWindow(window);
    HWND pane = FindPane(window);
    ASSERT_NE(pane, nullptr);
    // Each layout's picture shows the top row selected and its first frame in the preview.
    const auto ready = [&] { return TopRowSelected(window) && IsColourful(PaneColours(pane)); };

    const struct {
        WORD command;
        const wchar_t* view;
        const wchar_t* picture;
    } layouts[] = {{ID_VIEW_SIMPLE, L"1", L"layout-simple"},
                   {ID_VIEW_STANDARD, L"2", L"layout-standard"},
                   {ID_VIEW_ADVANCED, L"3", L"layout-advanced"}};
    for (const auto& layout : layouts) {
        PostMessageW(window, WM_COMMAND, layout.command, 0);
        ASSERT_TRUE(WaitUntil([&] { return View() == layout.view; }, 5s)) << "view " << View();
        EXPECT_TRUE(WaitForSteadyPicture(window, 20s, ready)) << "no first frame in " << layout.picture;
        const std::wstring picture = TakeScreenshot(layout.picture);
        EXPECT_TRUE(FileExists(picture));
    }
    RECT list{};
    GetWindowRect(ListOf(window), &list);
    EXPECT_EQ(list.bottom - list.top, 210) << "Advanced keeps the tall list";

    // Alt+V, typed for real, goes round to Simple.
    SetForegroundWindow(window);
    INPUT keys[4] = {};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_MENU;
    keys[1].ki.wVk = 'V';
    keys[2].ki.wVk = 'V';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_MENU;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(WaitUntil([&] { return View() == L"1"; }, 5s)) << "view " << View();
}

}  // namespace
}  // namespace e2e
