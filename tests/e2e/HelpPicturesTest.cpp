// The pictures of the user's guide, taken from the real program with its keyboard cues
// shown (underlined mnemonics, the focus rectangle): build/screenshots/help-<name>.png,
// copied into docs/help/images/ by `make help-pictures`. On the way, F1 in a dialog and
// the Help menu open the guide.
#include "PreviewPane.h"
#include "ProgramTest.h"

#include "resources/resource.h"

namespace e2e {
namespace {

constexpr wchar_t kGuideTitle[] = L"Reelkeep User's Guide";

class HelpPictures : public ProgramTest {
protected:
    // Mnemonics and focus rectangles show from the start, as after a first key press.
    static void ShowKeyboardCues(HWND window) {
        SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    // Taken once the window has finished painting and `shows` holds.
    static void Picture(const wchar_t* name, HWND window, const std::function<bool()>& shows = {}) {
        SetForegroundWindow(window);
        ShowKeyboardCues(window);
        EXPECT_TRUE(WaitForSteadyPicture(window, 20s, shows)) << "never ready for its picture: " << Narrowed(name);
        EXPECT_TRUE(FileExists(TakeWindowScreenshot(std::wstring(L"help-") + name, window))) << Narrowed(name);
    }
    static std::string Narrowed(const wchar_t* text) { return testing::PrintToString(std::wstring(text)); }

    // The HTML Help viewer's window, whichever process shows it; closed again at once.
    static bool GuideOpens() {
        HWND guide = nullptr;
        const bool opened = WaitUntil([&] { return (guide = FindWindowW(nullptr, kGuideTitle)) != nullptr; }, 20s);
        if (opened) PostMessageW(guide, WM_CLOSE, 0, 0);
        WaitUntil([] { return FindWindowW(nullptr, kGuideTitle) == nullptr; }, 10s);
        return opened;
    }
};

TEST_F(HelpPictures, MainWindowLayoutsAndEveryDialogWithKeyboardCues) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    const std::wstring build = BuildProgramFolder();
    ASSERT_TRUE(CopyFileW((build + L"Help.chm").c_str(), program().Path(L"Help.chm").c_str(), FALSE));
    MakeDirectories(program().Path(L"Videos"));
    ASSERT_TRUE(CopyFileW((build + L"probe-clips\\convert-60s.flv").c_str(),
                          program().Path(L"Videos\\1260000001.flv").c_str(), FALSE));

    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(window, IDC_OUTPUT_NAME) == L"1260000001"; }, 30s));

    // The main window's pictures show the clip's first frame in the preview. The layout
    // commands are sent, not posted: the new layout is in place when the call returns.
    HWND pane = FindPane(window);
    ASSERT_NE(pane, nullptr);
    const auto firstFrame = [&] { return IsColourful(PaneColours(pane)); };
    Picture(L"main-window", window, firstFrame);
    SendMessageW(window, WM_COMMAND, ID_VIEW_ADVANCED, 0);
    Picture(L"convert-panel", window, firstFrame);
    SendMessageW(window, WM_COMMAND, ID_VIEW_SIMPLE, 0);
    Picture(L"main-window-simple", window, firstFrame);

    const struct {
        WORD command;
        const wchar_t* caption;
        const wchar_t* picture;
    } dialogs[] = {
        {ID_MOVIE_CONVERT, L"Converting selected video clip", L"convert-dialog"},
        {ID_CHECKED_CONVERT, L"Convert multiple videos at once", L"batch-dialog"},
        {ID_IMPORT_YOUTUBE, L"Import video from YouTube", L"import-dialog"},
        {ID_SETTINGS_GENERAL, L"General program settings", L"general-settings"},
        {ID_SETTINGS_PLAYER, L"Player Settings", L"player-settings"},
    };
    for (const auto& dialog : dialogs) {
        SCOPED_TRACE(Narrowed(dialog.caption));
        PostMessageW(window, WM_COMMAND, dialog.command, 0);
        HWND shown = WaitForWindowTitled(run.processId(), dialog.caption, 10s);
        ASSERT_NE(shown, nullptr);
        Picture(dialog.picture, shown);
        PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(shown); }, 10s)) << "Cancel closes it";
    }

    // F1 in a dialog reaches the guide through the dialog's own loop.
    PostMessageW(window, WM_COMMAND, ID_SETTINGS_PLAYER, 0);
    HWND settings = WaitForWindowTitled(run.processId(), L"Player Settings", 10s);
    ASSERT_NE(settings, nullptr);
    PostMessageW(GetDlgItem(settings, IDC_ALLOW_ZOOM), WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(GuideOpens()) << "F1 in the player settings";
    PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 10s));
    PostMessageW(window, WM_COMMAND, ID_HELP_USERS_GUIDE, 0);
    EXPECT_TRUE(GuideOpens()) << "Help, User's guide";
    EXPECT_TRUE(run.IsRunning());
}

}  // namespace
}  // namespace e2e
