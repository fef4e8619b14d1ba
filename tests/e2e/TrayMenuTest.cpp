// The tray icon's events as the shell delivers them (WM_TRAYNOTIFY posted to the main
// window): the Quit question with both answers, and a click on the capture balloon.
#include "ProgramTest.h"

namespace e2e {
namespace {

constexpr UINT kTrayNotifyMessage = 0x8001;
constexpr LPARAM kBalloonUserClick = 0x405;
constexpr wchar_t kQuitQuestion[] =
    L"Are you sure you want to quit? If the program is disabled, then you may lose some of the videos, "
    L"viewable through a browser.";

class TrayMenu : public ProgramTest {
protected:
    HWND StartShown(RunningProgram& run) {
        HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
        if (window == nullptr || !WaitUntil([&] { return TrayIconExists(window, kTrayIconId); }, kStartTimeout)) {
            ADD_FAILURE() << "no main window with its tray icon";
            return nullptr;
        }
        return window;
    }

    // Opens the tray menu as a right click on the icon does and picks its last item,
    // "Quit", with the keyboard; returns the question that follows.
    std::optional<MessageBoxView> ChooseQuit(RunningProgram& run, HWND window) {
        PostMessageW(window, kTrayNotifyMessage, kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil(
            [&] {
                for (HWND candidate : TopLevelWindowsOf(run.processId()))
                    if (ClassName(candidate) == L"#32768" && IsWindowVisible(candidate)) menu = candidate;
                return menu != nullptr;
            },
            10s);
        if (menu == nullptr) {
            ADD_FAILURE() << "no popup menu after a right click on the tray icon";
            return std::nullopt;
        }
        // Up from no selection lands on the last item.
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        std::optional<MessageBoxView> question;
        WaitUntil([&] { return (question = FindMessageBox(run.processId())).has_value(); }, 10s);
        if (!question) ADD_FAILURE() << "no question after Quit";
        return question;
    }
};

TEST_F(TrayMenu, QuitAnsweredNoLeavesEverythingRunning) {
    RunningProgram run(program());
    HWND window = StartShown(run);
    ASSERT_NE(window, nullptr);

    const auto question = ChooseQuit(run, window);
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->text, kQuitQuestion);
    EXPECT_TRUE(question->Has(IDYES) && question->Has(IDNO) && question->buttons.size() == 2u);
    ASSERT_TRUE(question->Press(IDNO));

    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question->window); }, 5s)) << "the question stayed";
    EXPECT_FALSE(run.WaitForExit(1500ms)) << "the program ended after No";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(TrayIconExists(window, kTrayIconId));
}

TEST_F(TrayMenu, QuitAnsweredYesRemovesTheIconAndEndsWithCodeZero) {
    RunningProgram run(program());
    HWND window = StartShown(run);
    ASSERT_NE(window, nullptr);

    const auto question = ChooseQuit(run, window);
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->text, kQuitQuestion);
    ASSERT_TRUE(question->Press(IDYES));

    ASSERT_TRUE(run.WaitForExit(kExitTimeout)) << "the program kept running after Yes";
    EXPECT_EQ(run.ExitCode(), std::optional<DWORD>(0));
    EXPECT_FALSE(TrayIconExists(window, kTrayIconId));
}

TEST_F(TrayMenu, BalloonClickTurnsTheCaptureMessageAndSoundOff) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    RunningProgram run(program());
    HWND window = StartShown(run);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"showmessage").value_or(RegistryValue{}).Text(), L"true");

    PostMessageW(window, kTrayNotifyMessage, kTrayIconId, kBalloonUserClick);

    const auto text = [](const wchar_t* name) {
        const auto value = ReadValue(HKEY_CURRENT_USER, kSettingsKey, name);
        return value && value->type == REG_SZ ? value->Text() : std::wstring(L"(not a string)");
    };
    EXPECT_TRUE(WaitUntil([&] { return text(L"showmessage") == L"false" && text(L"playsound") == L"false"; }, 5s))
        << "showmessage=" << testing::PrintToString(text(L"showmessage"))
        << " playsound=" << testing::PrintToString(text(L"playsound"));
    EXPECT_EQ(text(L"showicon"), L"true");
    EXPECT_TRUE(run.IsRunning());
}

}  // namespace
}  // namespace e2e
