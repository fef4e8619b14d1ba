// The picture of the main window in the Standard layout, for people to look at:
// build/screenshots/main-window.png.
#include "PreviewPane.h"
#include "ProgramTest.h"

namespace e2e {
namespace {

class MainWindowScreenshot : public ProgramTest {};

TEST_F(MainWindowScreenshot, StandardLayoutFitsTheDesktopAndIsSaved) {
    // A first start lays the window out as "view" 2, the Standard layout.
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr) << "the main window never showed";
    const auto view = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"view");
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->Text(), L"2");

    RECT desktop{};
    RECT frame{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &frame);
    EXPECT_TRUE(frame.left >= desktop.left && frame.top >= desktop.top && frame.right <= desktop.right &&
                frame.bottom <= desktop.bottom)
        << "window " << frame.left << "," << frame.top << "-" << frame.right << "," << frame.bottom
        << " does not fit the " << desktop.right << "x" << desktop.bottom << " desktop";

    SetForegroundWindow(window);
    // The first paint is over, the empty library's placeholder in the preview included.
    HWND pane = FindPane(window);
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(WaitForSteadyPicture(window, 20s, [&] { return Mostly(PaneColours(pane), IsWhite); }))
        << "the window never settled with its placeholder";
    const std::wstring picture = TakeScreenshot(L"main-window");
    const auto bytes = ReadWholeFile(picture);
    ASSERT_TRUE(bytes.has_value()) << "no picture file";
    ASSERT_GE(bytes->size(), 24u);
    EXPECT_EQ(bytes->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    // The picture is of the whole virtual desktop: IHDR holds its width and height.
    const auto bigEndian = [&](size_t at) {
        return (static_cast<unsigned char>((*bytes)[at]) << 24) | (static_cast<unsigned char>((*bytes)[at + 1]) << 16) |
               (static_cast<unsigned char>((*bytes)[at + 2]) << 8) | static_cast<unsigned char>((*bytes)[at + 3]);
    };
    EXPECT_EQ(bigEndian(16), static_cast<unsigned>(desktop.right - desktop.left));
    EXPECT_EQ(bigEndian(20), static_cast<unsigned>(desktop.bottom - desktop.top));
    // A display of flat colour compresses to a few hundred bytes; the main window with
    // its controls and their text to well over 10 KB.
    EXPECT_GT(bytes->size(), 8000u);
    EXPECT_TRUE(IsWindowVisible(window)) << "the window went away before the picture";
}

}  // namespace
}  // namespace e2e
