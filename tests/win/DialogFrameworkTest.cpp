// The dialog framework: its own modal loop with the pre-translation step, the end
// result, exception safety at the callback boundary, and edit balloons.
#include "framework/BalloonTip.h"
#include "framework/Dialog.h"
#include "framework/HelpViewer.h"
#include "resources/resource.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

constexpr WORD kAcceleratedCommand = 4242;
constexpr WORD kThrowingCommand = 4243;

// A dialog on the about box's template, which has no controls of its own to get in the way.
class ProbeDialog : public framework::Dialog {
public:
    explicit ProbeDialog(HWND parent = nullptr) : Dialog(IDD_ABOUT, parent) {
        ACCEL f5{FVIRTKEY, VK_F5, kAcceleratedCommand};
        accelerators_ = CreateAcceleratorTableW(&f5, 1);
    }
    ~ProbeDialog() override { DestroyAcceleratorTable(accelerators_); }

    int acceleratedCommands = 0;
    bool postF5OnInit = false;
    bool throwThenEnd = false;
    HWND ownerToWatch = nullptr;
    bool ownerEnabledAtCommand = true;

protected:
    BOOL OnInitDialog() override {
        if (postF5OnInit) PostMessageW(hwnd(), WM_KEYDOWN, VK_F5, 0);
        if (throwThenEnd) {
            PostMessageW(hwnd(), WM_COMMAND, kThrowingCommand, 0);
            PostMessageW(hwnd(), WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }
    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (id == kAcceleratedCommand) {
            ++acceleratedCommands;
            if (ownerToWatch != nullptr) ownerEnabledAtCommand = IsWindowEnabled(ownerToWatch) != FALSE;
            EndDialog(77);
            return true;
        }
        if (id == kThrowingCommand) throw std::runtime_error("handler failure");
        return Dialog::OnCommand(id, code, control);
    }
    bool PreTranslateMessage(MSG& message) override {
        return TranslateAcceleratorW(hwnd(), accelerators_, &message) != 0;
    }

private:
    HACCEL accelerators_ = nullptr;
};

TEST(DialogFramework, ModalLoopTranslatesAcceleratorsAndReturnsTheEndResult) {
    ProbeDialog dialog;
    dialog.postF5OnInit = true;
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(dialog.acceleratedCommands, 1);
    EXPECT_EQ(dialog.hwnd(), nullptr) << "the window goes when its loop ends";
}

TEST(DialogFramework, AnExceptionInAHandlerStaysInsideTheDialog) {
    ProbeDialog dialog;
    dialog.throwThenEnd = true;
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(DialogFramework, ModalChildDisablesItsOwnerOnlyWhileItRuns) {
    ProbeDialog owner;
    ASSERT_TRUE(owner.CreateModeless());
    ProbeDialog child(owner.hwnd());
    child.postF5OnInit = true;
    child.ownerToWatch = owner.hwnd();
    EXPECT_EQ(child.DoModal(), 77);
    EXPECT_FALSE(child.ownerEnabledAtCommand) << "the owner takes no input while the child runs";
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
}

TEST(DialogFramework, ModalLoopOnAMissingTemplateFailsCleanly) {
    class Missing : public framework::Dialog {
    public:
        Missing() : Dialog(9999) {}
    } missing;
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(BalloonTip, EveryBalloonReachesTheObserverAndIsVisibleSomehow) {
    ProbeDialog host;
    ASSERT_TRUE(host.CreateModeless());
    ShowWindow(host.hwnd(), SW_SHOW);
    HWND edit = CreateWindowExW(0, L"EDIT", L"a", WS_CHILD | WS_VISIBLE, 10, 10, 120, 22, host.hwnd(), nullptr, nullptr,
                                nullptr);
    ASSERT_NE(edit, nullptr);
    std::wstring seenTitle, seenText;
    framework::SetBalloonObserver([&](HWND, const std::wstring& title, const std::wstring& text) {
        seenTitle = title;
        seenText = text;
    });
    framework::ShowEditBalloon(edit, L"Unacceptable character", L"A file name can't contain < > : \" / \\ | ? *");
    framework::SetBalloonObserver(nullptr);
    EXPECT_EQ(seenTitle, L"Unacceptable character");
    EXPECT_EQ(seenText, L"A file name can't contain < > : \" / \\ | ? *");

    EDITBALLOONTIP probe{sizeof probe, L"t", L"x", TTI_NONE};
    const bool editShowsBalloons = SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&probe)) != 0;
    HWND fallback = static_cast<HWND>(GetPropW(edit, L"Reelkeep.BalloonFallback"));
    if (editShowsBalloons) {
        EXPECT_EQ(fallback, nullptr);
    } else {
        ASSERT_NE(fallback, nullptr) << "where the edit cannot, a tracking tooltip shows the text";
        EXPECT_TRUE(IsWindowVisible(fallback));
    }
    DestroyWindow(edit);
}

}  // namespace

// Records which dialog asked for its page, as the guide's viewer would be asked.
class RecordingHelpViewer : public framework::HelpViewer {
public:
    RecordingHelpViewer() { previous_ = framework::SetHelpViewer(this); }
    ~RecordingHelpViewer() override { framework::SetHelpViewer(previous_); }
    void ShowDialogHelp(HWND, UINT templateId) override { templates.push_back(templateId); }
    std::vector<UINT> templates;

private:
    framework::HelpViewer* previous_ = nullptr;
};

// F1 on any control of a dialog asks for that dialog's page once;
// a dialog whose own accelerators take F1 (the main window's user's guide) keeps it.
class F1Dialog : public framework::Dialog {
public:
    F1Dialog(UINT templateId, bool acceleratorTakesF1) : Dialog(templateId), acceleratorTakesF1_(acceleratorTakesF1) {}
    bool acceleratorSawF1 = false;

protected:
    BOOL OnInitDialog() override {
        HWND target = GetNextDlgTabItem(hwnd(), nullptr, FALSE);
        PostMessageW(target != nullptr ? target : hwnd(), WM_KEYDOWN, VK_F1, 0);
        PostMessageW(hwnd(), WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    bool PreTranslateMessage(MSG& message) override {
        if (!acceleratorTakesF1_ || message.message != WM_KEYDOWN || message.wParam != VK_F1) return false;
        acceleratorSawF1 = true;
        return true;
    }

private:
    bool acceleratorTakesF1_;
};

TEST(DialogFramework, F1AsksForTheDialogsOwnPageUnlessItsAcceleratorsTakeIt) {
    RecordingHelpViewer viewer;
    for (UINT templateId :
         {IDD_WEB_IMPORT, IDD_PLAYER_SETTINGS, IDD_CONVERT, IDD_GENERAL_SETTINGS, IDD_BATCH_CONVERT, IDD_ABOUT}) {
        SCOPED_TRACE(templateId);
        viewer.templates.clear();
        F1Dialog dialog(templateId, false);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(viewer.templates, std::vector<UINT>{templateId});
    }
    viewer.templates.clear();
    F1Dialog main(IDD_MAIN_WINDOW, true);
    EXPECT_EQ(main.DoModal(), IDCANCEL);
    EXPECT_TRUE(main.acceleratorSawF1);
    EXPECT_TRUE(viewer.templates.empty());
}
