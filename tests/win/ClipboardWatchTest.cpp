// The import dialog in the clipboard-viewer chain: what it pastes on focus, the switch it
// stores, and a viewer that joined before it keeps getting every notice.
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "support/MessagePump.h"
#include "webimport/WebImportDialog.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

namespace webimport {
namespace {

// Another program's viewer: counts the notices that reach it through the chain.
struct OtherViewer {
    OtherViewer() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ReelkeepTestViewer";
        RegisterClassW(&windowClass);
        window = CreateWindowW(L"ReelkeepTestViewer", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
        current = this;
        next = SetClipboardViewer(window);
    }
    ~OtherViewer() {
        ChangeClipboardChain(window, next);
        DestroyWindow(window);
        current = nullptr;
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (current != nullptr && message == WM_DRAWCLIPBOARD) {
            ++current->notices;
            if (current->next) SendMessageW(current->next, message, wParam, lParam);
            return 0;
        }
        if (current != nullptr && message == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wParam) == current->next)
                current->next = reinterpret_cast<HWND>(lParam);
            else if (current->next)
                SendMessageW(current->next, message, wParam, lParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline OtherViewer* current = nullptr;
    HWND window = nullptr;
    HWND next = nullptr;
    int notices = 0;
};

void CopyText(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

class ClipboardWatch : public testing::Test {
protected:
    void SetUp() override {
        settings::SettingsStore().EnsureSettings([](const std::wstring&) {});
        savedSwitch_ = settings::SettingsStore().ReadSetting(settings::kAutoCopyUrl);
    }
    void TearDown() override { settings::SettingsStore().WriteSetting(settings::kAutoCopyUrl, savedSwitch_); }

    // Focus leaves the address box and comes back, as a click elsewhere and back does.
    static void RefocusAddress(WebImportDialog& dialog) {
        SetFocus(dialog.Item(IDC_IMPORT_AUTOCOPY));
        SetFocus(dialog.Item(IDC_IMPORT_URL));
    }
    // Copies, lets the notice travel the chain, then focuses the address box.
    static std::wstring PastedAfterCopying(WebImportDialog& dialog, const std::string& text) {
        dialog.SetItemText(IDC_IMPORT_URL, L"typed");
        CopyText(text);
        const std::wstring wide(text.begin(), text.end());
        testing_support::PumpUntil([&] { return WebImportDialog::ClipboardText() == wide; }, std::chrono::seconds(5));
        RefocusAddress(dialog);
        return dialog.ItemText(IDC_IMPORT_URL);
    }

    std::wstring savedSwitch_;
};

TEST_F(ClipboardWatch, PastesShortHttpTextsWholeAndForwardsEveryNotice) {
    ASSERT_TRUE(settings::SettingsStore().WriteSetting(settings::kAutoCopyUrl, L"TRUE"));
    OtherViewer other;
    CopyText("look at http://site/watch?v=1 tonight");
    testing_support::PumpUntil([&] { return other.notices > 0; });
    const int before = other.notices;
    {
        WebImportDialog dialog(nullptr, {});
        ASSERT_TRUE(dialog.CreateModeless());
        ShowWindow(dialog.hwnd(), SW_SHOW);
        EXPECT_EQ(dialog.SendItem(IDC_IMPORT_AUTOCOPY, BM_GETCHECK), BST_CHECKED);
        RefocusAddress(dialog);
        EXPECT_EQ(dialog.ItemText(IDC_IMPORT_URL), L"look at http://site/watch?v=1 tonight");

        const std::string longest = "http://" + std::string(1016, 'a');
        struct Case {
            std::string text;
            bool pasted;
        };
        const Case cases[] = {
            {"https://site/watch?v=2", false},
            {longest, true},
            {longest + "a", false},
            {"words http://x/ words", true},
        };
        for (const Case& c : cases) {
            const std::wstring wide(c.text.begin(), c.text.end());
            EXPECT_EQ(PastedAfterCopying(dialog, c.text), c.pasted ? wide : L"typed") << c.text.substr(0, 30);
        }
        EXPECT_GE(other.notices, before + 4) << "the viewer before the dialog missed notices";

        // Unchecked: the text is still taken, and checking the box brings it back.
        SendMessageW(dialog.Item(IDC_IMPORT_AUTOCOPY), BM_CLICK, 0, 0);
        EXPECT_EQ(settings::SettingsStore().ReadSetting(settings::kAutoCopyUrl), L"false");
        EXPECT_EQ(PastedAfterCopying(dialog, "copied http://unchecked/ text"), L"typed");
        SendMessageW(dialog.Item(IDC_IMPORT_AUTOCOPY), BM_CLICK, 0, 0);
        EXPECT_EQ(settings::SettingsStore().ReadSetting(settings::kAutoCopyUrl), L"true");
        RefocusAddress(dialog);
        EXPECT_EQ(dialog.ItemText(IDC_IMPORT_URL), L"copied http://unchecked/ text");
    }
    const int afterClose = other.notices;
    CopyText("after http://closed/");
    EXPECT_TRUE(testing_support::PumpUntil([&] { return other.notices > afterClose; }))
        << "the chain broke when the dialog left it";

    ASSERT_TRUE(settings::SettingsStore().WriteSetting(settings::kAutoCopyUrl, L"no"));
    WebImportDialog unchecked(nullptr, {});
    ASSERT_TRUE(unchecked.CreateModeless());
    EXPECT_EQ(unchecked.SendItem(IDC_IMPORT_AUTOCOPY, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(unchecked.ItemText(IDC_IMPORT_URL), L"");
}

}  // namespace
}  // namespace webimport
