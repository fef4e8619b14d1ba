// The main window's tray icon: its menu, Quit, the balloon click, hiding and the
// capture animation, driven as the shell would drive them.
#include "app/MainWindow.h"
#include "app/MainWindowMessages.h"
#include "app/TrayMenu.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using framework::Answer;
using testing_support::PumpUntil;
using testing_support::ScriptedPrompter;

std::vector<std::wstring> MenuTexts(HMENU menu) {
    std::vector<std::wstring> texts;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        wchar_t text[128] = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        texts.push_back((item.fType & MFT_SEPARATOR) ? L"-" : std::to_wstring(item.wID) + L" " + text);
    }
    return texts;
}

class TestMainWindow : public app::MainWindow {
public:
    UINT scriptedMenuChoice = 0;
    std::vector<std::wstring> trackedMenu;
    int processEnds = 0;
    int aboutBoxes = 0;
    std::atomic<int> framesShown{0};

protected:
    void StartWorkers() override {}
    UINT TrackTrayMenu(HMENU menu, POINT) override {
        trackedMenu = MenuTexts(menu);
        return scriptedMenuChoice;
    }
    void EndProcessNow() override { ++processEnds; }
    void ShowAboutBox() override { ++aboutBoxes; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (message == app::WM_TRAYANIMATION &&
            static_cast<app::TrayAnimationStep>(wParam) == app::TrayAnimationStep::Frame)
            ++framesShown;
        return MainWindow::OnMessage(message, wParam, lParam, handled);
    }
};

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        ASSERT_TRUE(window.CreateModeless());
        ShowWindow(window.hwnd(), SW_SHOW);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep"); }

    // The shell answers NIM_MODIFY only for an icon that is there.
    bool IconIsInTray() {
        NOTIFYICONDATAW probe = window.tray().record();
        return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
    }
    void RightClick() { window.OnTrayNotify(app::kTrayIconId, WM_RBUTTONUP); }

    ScriptedPrompter prompter;
    TestMainWindow window;
};

TEST(TrayMenu, HoldsFiveItemsAndTwoSeparatorsWithExactTexts) {
    const std::vector<std::wstring> visible = MenuTexts(app::BuildTrayMenu(true).get());
    const std::vector<std::wstring> expected{
        L"1 Hide Reelkeep", L"-", L"2 User's guide", L"3 About Reelkeep", L"4 Reelkeep on the Internet", L"-",
        L"5 Quit"};
    EXPECT_EQ(visible, expected);
    EXPECT_EQ(MenuTexts(app::BuildTrayMenu(false).get()).front(), L"1 Show Reelkeep");
}

TEST_F(Tray, IconIsAddedWithTheRecordOfTheMainWindow) {
    const NOTIFYICONDATAW& record = window.tray().record();
    EXPECT_EQ(record.hWnd, window.hwnd());
    EXPECT_EQ(record.uID, 7353u);
    EXPECT_EQ(record.uCallbackMessage, 0x8001u);
    EXPECT_EQ(record.uFlags, 0x17u);
    EXPECT_STREQ(record.szTip, L"Reelkeep");
    EXPECT_NE(record.hIcon, nullptr);
    EXPECT_TRUE(IconIsInTray());
}

TEST_F(Tray, QuitAsksAndNoLeavesEverythingRunning) {
    window.scriptedMenuChoice = app::kTrayQuit;
    prompter.Answer(Answer::No);
    RightClick();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], std::wstring(L"?yn ") + app::kQuitQuestion);
    EXPECT_EQ(window.processEnds, 0);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    EXPECT_TRUE(IconIsInTray());
}

TEST_F(Tray, QuitConfirmedRemovesTheIconAndEndsTheProcess) {
    window.scriptedMenuChoice = app::kTrayQuit;
    prompter.Answer(Answer::Yes);
    RightClick();
    EXPECT_EQ(window.processEnds, 1);
    EXPECT_FALSE(IconIsInTray());
}

TEST_F(Tray, MenuOffersHideOrShowByVisibilityAndTogglesTheWindow) {
    window.scriptedMenuChoice = app::kTrayToggleWindow;
    RightClick();
    EXPECT_EQ(window.trackedMenu.front(), L"1 Hide Reelkeep");
    EXPECT_FALSE(IsWindowVisible(window.hwnd()));
    RightClick();
    EXPECT_EQ(window.trackedMenu.front(), L"1 Show Reelkeep");
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    window.scriptedMenuChoice = app::kTrayAbout;
    RightClick();
    EXPECT_EQ(window.aboutBoxes, 1);
}

TEST_F(Tray, ClosingHidesTheWindowAndALeftClickBringsItBack) {
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    EXPECT_FALSE(IsWindowVisible(window.hwnd()));
    EXPECT_TRUE(IconIsInTray());
    SendMessageW(window.hwnd(), app::WM_TRAYNOTIFY, app::kTrayIconId, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    SendMessageW(window.hwnd(), app::WM_TRAYNOTIFY, app::kTrayIconId + 1, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(window.hwnd())) << "events of another icon id are ignored";
}

TEST_F(Tray, EscapeDoesNotEndTheWindow) {
    SendMessageW(window.hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindow(window.hwnd()));
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
}

TEST_F(Tray, BalloonClickStoresFalseForMessageAndSound) {
    settings::SettingsStore store;
    ASSERT_EQ(store.ReadSetting(L"showmessage"), L"true");
    window.OnTrayNotify(app::kTrayIconId, NIN_BALLOONUSERCLICK);
    EXPECT_EQ(store.ReadSetting(L"showmessage"), L"false");
    EXPECT_EQ(store.ReadSetting(L"playsound"), L"false");
    EXPECT_EQ(store.ReadSetting(L"showicon"), L"true");
    const app::BalloonFields balloon = window.tray().balloon();
    EXPECT_EQ(balloon.text, L"");
    EXPECT_EQ(balloon.flags, app::kBalloonNone);
    EXPECT_TRUE(window.tray().notifyOnCapture());
}

TEST_F(Tray, OverlappingCapturesGiveOneAnimationAndThenTheBalloon) {
    std::atomic<int> finished{0};
    HWND target = window.hwnd();
    std::thread first([&] {
        app::AnimateTrayIcon(target);
        ++finished;
    });
    ASSERT_TRUE(PumpUntil([&] { return window.framesShown > 0; }));
    std::thread second([&] {
        app::AnimateTrayIcon(target);
        ++finished;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished == 2; }));
    first.join();
    second.join();
    EXPECT_EQ(window.framesShown, 12);
    EXPECT_FALSE(window.tray().animating());
    const app::BalloonFields balloon = window.tray().balloon();
    EXPECT_EQ(balloon.title, L"Reelkeep");
    EXPECT_EQ(balloon.text, app::kBalloonText);
    EXPECT_EQ(balloon.flags, app::kBalloonInfo);

    // The next capture animates again from the normal icon.
    std::thread third([&] {
        app::AnimateTrayIcon(target);
        ++finished;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished == 3; }));
    third.join();
    EXPECT_EQ(window.framesShown, 24);
}

}  // namespace
