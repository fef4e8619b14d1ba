// Who asks the preview for which clip: the list's timer, the arrow keys past either end,
// Enter, closing the window and the player settings, driven as the system would.
#include "app/MainWindow.h"
#include "library/CatalogueMessages.h"
#include "library/ClipRecord.h"
#include "library/RowDelivery.h"
#include "support/QuietMainWindow.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring PathOf(int number) { return L"C:\\P\\Videos\\clip " + std::to_wstring(number) + L" &=.flv"; }

class PreviewCallers : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        ASSERT_TRUE(window_.CreateModeless());
        ShowWindow(window_.hwnd(), SW_SHOW);
        // Each goes in at the top: row n holds clip 39 - n.
        std::vector<library::ClipRecord> records(40);
        for (int number = 0; number < 40; ++number) {
            records[number].cells[library::kPathColumn] = PathOf(number);
            records[number].cells[0] = L"Movie" + std::to_wstring(number);
        }
        library::RowDelivery delivery{&records};
        while (delivery.first < records.size()) {
            SendMessageW(window_.hwnd(), library::WM_CATALOGUE_INSERT, 0, reinterpret_cast<LPARAM>(&delivery));
            delivery.first += delivery.taken;
        }
    }
    void TearDown() override {
        DestroyWindow(window_.hwnd());
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    }
    HWND List() { return window_.clipList().hwnd(); }
    void Key(WORD key) {
        NMLVKEYDOWN down{};
        down.hdr = {List(), static_cast<UINT_PTR>(GetDlgCtrlID(List())), LVN_KEYDOWN};
        down.wVKey = key;
        SendMessageW(window_.hwnd(), WM_NOTIFY, down.hdr.idFrom, reinterpret_cast<LPARAM>(&down));
    }
    // The FlashVars of the last load and whether it played; empty when nothing loaded.
    std::wstring TakeLoad(bool& playing) {
        auto& calls = window_.previewHost.calls;
        std::wstring vars;
        if (calls.size() >= 3) {
            vars = calls[calls.size() - 2];
            playing = calls.back().find(L"&autoplay=true") != std::wstring::npos;
        }
        calls.clear();
        return vars;
    }

    testing_support::QuietMainWindow window_;
};

TEST_F(PreviewCallers, EachCallerLoadsWhatTheRulesSay) {
    ASSERT_EQ(window_.previewHost.calls, std::vector<std::wstring>{L"placeholder"}) << "the placeholder at start";
    window_.previewHost.calls.clear();

    // kSelectTopRowTimer takes the top visible row, not row 0.
    SendMessageW(List(), LVM_ENSUREVISIBLE, 39, FALSE);
    const int top = static_cast<int>(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 0);
    SendMessageW(window_.hwnd(), WM_TIMER, library::kSelectTopRowTimer, 0);
    bool playing = true;
    EXPECT_EQ(TakeLoad(playing), L"content=" + PathOf(39 - top));
    EXPECT_FALSE(playing);
    EXPECT_EQ(window_.clipList().SelectionMark(), top);

    // Enter restarts it playing; closing the window reloads it paused.
    SendMessageW(window_.hwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(TakeLoad(playing), L"content=" + PathOf(39 - top));
    EXPECT_TRUE(playing);
    SendMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(TakeLoad(playing), L"content=" + PathOf(39 - top));
    EXPECT_FALSE(playing);

    // Up on the top row asks for the row above it: nothing loads, the path is forgotten.
    window_.clipList().SelectAndFocus(0);
    Key(VK_UP);
    EXPECT_EQ(TakeLoad(playing), L"");
    EXPECT_EQ(window_.preview().lastPreviewedPath(), L"");
    Key(VK_DOWN);
    EXPECT_EQ(TakeLoad(playing), L"content=" + PathOf(38));
}

}  // namespace
