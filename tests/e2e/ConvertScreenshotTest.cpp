// Converting in the real program: the panel in the Standard and Advanced layouts and the
// single-clip dialog, each during a run (pictures under build/screenshots/), then stopped
// or closed, with the unfinished output gone afterwards.
#include "ProgramTest.h"

#include "resources/resource.h"

namespace e2e {
namespace {

class ConvertScreenshots : public ProgramTest {
protected:
    static void Click(HWND surface, int id) {
        PostMessageW(surface, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(surface, id)));
    }
    // Starts a run and waits until ffmpeg has reported some progress.
    static bool ConvertUntilUnderWay(HWND surface) {
        Click(surface, IDC_CONVERT);
        return WaitUntil([&] { return ItemText(surface, IDC_CONVERT) == L"Sto&p"; }, 10s) &&
               WaitUntil(
                   [&] {
                       const std::wstring percent = ItemText(surface, IDC_FILE_PERCENT);
                       return !percent.empty() && percent != L"0%";
                   },
                   30s);
    }
};

TEST_F(ConvertScreenshots, PanelAndDialogDuringARunThenStopRemovesTheOutput) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    MakeDirectories(program().Path(L"Videos"));
    MakeDirectories(program().Path(L"out"));
    ASSERT_TRUE(CopyFileW((ClipsFolder() + L"convert-60s.flv").c_str(),
                          program().Path(L"Videos\\1260000001.flv").c_str(), FALSE));
    const std::wstring folder = program().Path(L"out");
    const std::wstring output = folder + L"\\1260000001.mov";

    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(window, IDC_OUTPUT_NAME) == L"1260000001"; }, 30s))
        << "the top row fills the panel: " << ItemText(window, IDC_OUTPUT_NAME);
    SendMessageW(GetDlgItem(window, IDC_OUTPUT_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    SetForegroundWindow(window);

    const struct {
        WORD command;
        const wchar_t* picture;
    } layouts[] = {{ID_VIEW_STANDARD, L"convert-panel-standard"}, {ID_VIEW_ADVANCED, L"convert-panel-advanced"}};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.picture);
        // Sent, not posted: the new layout is in place when the call returns.
        SendMessageW(window, WM_COMMAND, layout.command, 0);
        ASSERT_TRUE(ConvertUntilUnderWay(window))
            << ItemText(window, IDC_CONVERT) << " " << ItemText(window, IDC_FILE_PERCENT);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_FORMAT)));
        EXPECT_TRUE(FileExists(TakeScreenshot(layout.picture)));
        Click(window, IDC_CONVERT);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(window, IDC_CONVERT) == L"&Convert"; }, 10s));
        EXPECT_TRUE(WaitUntil([&] { return !FileExists(output); }, 5s)) << "the unfinished output is removed";
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_FORMAT)));
    }

    SendMessageW(window, WM_COMMAND, ID_VIEW_SIMPLE, 0);
    PostMessageW(window, WM_COMMAND, ID_MOVIE_CONVERT, 0);
    HWND dialog = WaitForWindowTitled(run.processId(), L"Converting selected video clip", 10s);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_FOLDER), folder) << "copied from the hidden panel";
    EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_NAME), L"1260000001");
    ASSERT_TRUE(ConvertUntilUnderWay(dialog));
    EXPECT_TRUE(FileExists(TakeScreenshot(L"convert-dialog")));
    // Closing during the run stops it, removes the output and closes the dialog.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s));
    EXPECT_FALSE(FileExists(output));
    EXPECT_TRUE(run.IsRunning());
}

}  // namespace
}  // namespace e2e
