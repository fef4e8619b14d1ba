// Living in the tray: a start with "/min" stays hidden with its tray icon, and a second
// start hands over to the running program.
#include "ProgramTest.h"

namespace e2e {
namespace {

class TrayStart : public ProgramTest {
protected:
    // Starts hidden and waits until the main window has finished its initialisation,
    // which is when its tray icon exists.
    HWND StartHidden(RunningProgram& run) {
        HWND window = run.WaitForMainWindow(kStartTimeout);
        if (window == nullptr) {
            ADD_FAILURE() << "the main window was never created";
            return nullptr;
        }
        if (!WaitUntil([&] { return TrayIconExists(window, kTrayIconId); }, kStartTimeout)) {
            ADD_FAILURE() << "no tray icon " << kTrayIconId << " for the main window";
            return nullptr;
        }
        return window;
    }
};

TEST_F(TrayStart, MinStartShowsNoWindowButTheTrayIcon) {
    RunningProgram run(program(), L"/min");
    HWND window = StartHidden(run);
    ASSERT_NE(window, nullptr);
    // The probe answers for this icon only: it can tell an icon that is not there.
    EXPECT_FALSE(TrayIconExists(window, kTrayIconId + 1));

    // Watch for a while: the window must not show up later either.
    const bool shown = WaitUntil([&] { return IsWindowVisible(window) != FALSE || TaskbarButtonVisible(window); }, 2s);
    EXPECT_FALSE(shown) << "the window or its taskbar button became visible";
    EXPECT_TRUE(run.IsRunning());
    EXPECT_TRUE(TrayIconExists(window, kTrayIconId));
}

TEST_F(TrayStart, NormalStartShowsTheWindowAndTheTrayIcon) {
    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr) << "the main window never showed";
    EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(window, kTrayIconId); }, 5s));
}

TEST_F(TrayStart, SecondStartShowsTheHiddenWindowAndEnds) {
    RunningProgram first(program(), L"/min");
    HWND window = StartHidden(first);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(IsWindowVisible(window));

    RunningProgram second(program());
    const auto transcript = WatchUntilExit(second, AcknowledgeAnything, kExitTimeout);

    EXPECT_TRUE(transcript.exited) << "the second process kept running";
    EXPECT_TRUE(transcript.messages.empty()) << testing::PrintToString(transcript.messages);
    EXPECT_FALSE(transcript.mainWindowSeen) << "the second process made a main window of its own";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5s)) << "the first window stayed hidden";
    EXPECT_FALSE(IsIconic(window)) << "the first window was shown but not restored";
    EXPECT_TRUE(first.IsRunning());
}

TEST_F(TrayStart, TwoStartsAtOnceLeaveExactlyOneAndAPlainStartEndsShown) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        SCOPED_TRACE(attempt);
        const bool plainFirst = attempt % 2 == 0;
        std::optional<RunningProgram> first, second;
        first.emplace(program(), plainFirst ? L"" : L"/min");
        second.emplace(program(), plainFirst ? L"/min" : L"");
        // The one that loses hands over and ends; the other stays.
        ASSERT_TRUE(WaitUntil([&] { return !first->IsRunning() || !second->IsRunning(); }, kExitTimeout))
            << "both kept running";
        RunningProgram& survivor = first->IsRunning() ? *first : *second;
        EXPECT_TRUE(survivor.IsRunning()) << "both ended";
        HWND window = survivor.WaitForMainWindow(kStartTimeout);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 10s))
            << "a plain start must end with the window shown";
        first.reset();
        second.reset();
        EXPECT_EQ(EndLeftoverPrograms(), 0);
    }
}

}  // namespace
}  // namespace e2e
