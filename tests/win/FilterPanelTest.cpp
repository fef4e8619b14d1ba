// The filter controls on the main window's template: "All Time" spans the days of the
// library's clips and admits every clip, while the other presets keep their bounds.
#include "library/FilterPanel.h"
#include "resources/resource.h"
#include "support/ScratchFolder.h"
#include "support/TemplateWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

using testing_support::ScratchFolder;
using testing_support::TemplateWindow;

SYSTEMTIME PickerDate(HWND window, int id) {
    SYSTEMTIME time{};
    SendDlgItemMessageW(window, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time;
}

// Under Wine a file's creation time is when it was made, so every clip here is from today.
TEST(FilterPanel, AllTimeSpansTheClipsDaysAndAdmitsEveryClipWhileTodayKeepsItsBounds) {
    ScratchFolder library(L"filter-panel");
    CloseHandle(
        CreateFileW((library.path() + L"1260000001.flv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    TemplateWindow window(IDD_MAIN_WINDOW);
    ASSERT_NE(window.hwnd(), nullptr);
    library::FilterPanel panel;
    panel.Attach(window.hwnd(), library.path());
    panel.Setup();
    ASSERT_EQ(SendDlgItemMessageW(window.hwnd(), IDC_FILTER_DATE_PRESET, CB_GETCURSEL, 0, 0),
              static_cast<LRESULT>(library::DatePreset::AllTime));

    SYSTEMTIME today{};
    GetLocalTime(&today);
    const SYSTEMTIME from = PickerDate(window.hwnd(), IDC_FILTER_DATE_FROM);
    EXPECT_EQ(from.wYear, today.wYear);
    EXPECT_EQ(from.wMonth, today.wMonth);
    EXPECT_EQ(from.wDay, today.wDay) << "From is the oldest clip's day";

    const library::LocalDateTime longAgo{1999, 12, 31, 23, 0, 0};
    const std::optional<library::ClipFilter> allTime = panel.ReadClipFilter();
    ASSERT_TRUE(allTime.has_value());
    EXPECT_TRUE(library::AdmitsCreationTime(*allTime, longAgo));

    SendDlgItemMessageW(window.hwnd(), IDC_FILTER_DATE_PRESET, CB_SETCURSEL,
                        static_cast<WPARAM>(library::DatePreset::Today), 0);
    panel.OnCommand(IDC_FILTER_DATE_PRESET, CBN_SELCHANGE);
    const std::optional<library::ClipFilter> todayOnly = panel.ReadClipFilter();
    ASSERT_TRUE(todayOnly.has_value());
    EXPECT_FALSE(library::AdmitsCreationTime(*todayOnly, longAgo));
}

}  // namespace
