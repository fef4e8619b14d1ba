// The host window against our probe control (helpers/control_probe.cpp): the message
// family reaches the control, FlashVars waits for version 7, full screen for 9.0.28, the
// context-menu switch holds right clicks back, memory movies arrive through the virtual
// files, and the control's events come back as notifications.
#include <windows.h>

#include <gtest/gtest.h>

#include "flashhost/FlashHostApi.h"
#include "flashhost/ShockwaveFlashInterfaces.h"
#include "platform/ComPtr.h"
#include "support/ProbeRuntime.h"

#include <string>
#include <vector>

namespace {

using testing_support::Export;

struct Notification {
    UINT code;
    std::wstring first;
    std::string firstAnsi;
};
std::vector<Notification> notifications;

LRESULT CALLBACK RecordingParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY) return DefWindowProcW(window, message, wParam, lParam);
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    Notification seen{header.code, {}, {}};
    if (header.code == flashhost::FHN_FSCOMMAND)
        seen.first = reinterpret_cast<const flashhost::FsCommandNotification<wchar_t>&>(header).command;
    if (header.code == flashhost::FHN_FSCOMMAND_A)
        seen.firstAnsi = reinterpret_cast<const flashhost::FsCommandNotification<char>&>(header).arguments;
    if (header.code == flashhost::FHN_FLASHCALL)
        seen.first = reinterpret_cast<const flashhost::FlashCallNotification<wchar_t>&>(header).request;
    if (header.code == flashhost::FHN_FLASHCALL_A)
        seen.firstAnsi = reinterpret_cast<const flashhost::FlashCallNotification<char>&>(header).request;
    notifications.push_back(seen);
    return 0;
}

class HostFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(runtime_, nullptr);
        WNDCLASSEXW record{};
        record.cbSize = sizeof record;
        record.lpfnWndProc = RecordingParentProc;
        record.hInstance = GetModuleHandleW(nullptr);
        record.lpszClassName = L"FlashHostTestParent";
        RegisterClassExW(&record);
        parent_ = CreateWindowExW(0, L"FlashHostTestParent", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        host_ = CreateWindowExW(0, MAKEINTATOM(runtime_->hostClassAtom()), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 320,
                                240, parent_, reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        setVersion_ = Export<void (*)(long)>(*runtime_, "ControlSetVersion");
        text_ = Export<const wchar_t* (*)(int)>(*runtime_, "ControlText");
        notifications.clear();
    }
    void TearDown() override {
        DestroyWindow(parent_);
        if (runtime_) {
            EXPECT_EQ(Export<LONG (*)()>(*runtime_, "ControlObjects")(), 0) << "the host must free its control";
        }
    }

    testing_support::RuntimePtr runtime_ = testing_support::LoadRuntime();
    HWND parent_ = nullptr;
    HWND host_ = nullptr;
    void (*setVersion_)(long) = nullptr;
    const wchar_t* (*text_)(int) = nullptr;
};

TEST_F(HostFixture, PropertiesReachTheControlOnlyWhereItsVersionHasThem) {
    const std::wstring vars = L"content=C:\\P x\\a&b=c d.flv";
    EXPECT_EQ(flashhost::PutMovie(host_, L"C:\\P\\player.swf?autoplay=true"), S_OK);
    EXPECT_STREQ(text_(0), L"C:\\P\\player.swf?autoplay=true");
    EXPECT_EQ(flashhost::PutFlashVars(host_, vars), S_OK);
    EXPECT_EQ(flashhost::GetText(host_, flashhost::FHM_GET_FLASHVARS_W), vars);
    flashhost::PutTextRecord<char> ansi{"content=ansi", E_FAIL};
    SendMessageW(host_, flashhost::FHM_PUT_FLASHVARS_A, 0, reinterpret_cast<LPARAM>(&ansi));
    EXPECT_EQ(ansi.result, S_OK);
    EXPECT_STREQ(text_(1), L"content=ansi");

    setVersion_(flashhost::PackFlashVersion(6, 0, 79));
    EXPECT_EQ(flashhost::PutFlashVars(host_, L"content=six"), E_FAIL);
    EXPECT_STREQ(text_(1), L"content=ansi");
    EXPECT_EQ(flashhost::SetAllowFullScreen(host_, true), 0);
    setVersion_(flashhost::PackFlashVersion(9, 0, 27));
    EXPECT_EQ(flashhost::SetAllowFullScreen(host_, true), 0);
    EXPECT_STREQ(text_(3), L"");
    setVersion_(flashhost::PackFlashVersion(9, 0, 28));
    EXPECT_EQ(flashhost::SetAllowFullScreen(host_, false), 1);
    EXPECT_STREQ(text_(3), L"false");
}

TEST_F(HostFixture, MemoryMoviesReachTheControlThroughVirtualFiles) {
    HRSRC resource = FindResourceW(nullptr, L"EMPTY", L"SWF");
    ASSERT_NE(resource, nullptr);
    std::wstring paths[2];
    for (std::wstring& path : paths) {
        EXPECT_EQ(flashhost::LoadMovieFromResource(host_, nullptr, L"EMPTY", L"SWF"), 1);
        path = text_(0);
        EXPECT_EQ(Export<LONG (*)()>(*runtime_, "ControlMovieBytes")(),
                  static_cast<LONG>(SizeofResource(nullptr, resource)));
    }
    EXPECT_NE(paths[0], paths[1]) << "a second load must be a new movie";
    EXPECT_EQ(flashhost::LoadMovieFromResource(host_, nullptr, L"NOSUCHMOVIE", L"SWF"), 0);
    EXPECT_EQ(flashhost::LoadMovieFromResource(nullptr, nullptr, L"EMPTY", L"SWF"), 0);
    EXPECT_EQ(paths[1], text_(0)) << "a failed load changes nothing";
}

TEST_F(HostFixture, ContextMenuSwitchHoldsRightClicksBack) {
    flashhost::QueryInterfaceRecord query{IID_IOleWindow, nullptr, E_FAIL};
    SendMessageW(host_, flashhost::FHM_QUERY_INTERFACE, 0, reinterpret_cast<LPARAM>(&query));
    ASSERT_EQ(query.result, S_OK);
    platform::ComPtr<IOleWindow> oleWindow;
    *oleWindow.put() = static_cast<IOleWindow*>(query.object);
    HWND control = nullptr;
    ASSERT_EQ(oleWindow->GetWindow(&control), S_OK);
    auto menuRequests = Export<LONG (*)()>(*runtime_, "ControlMenuRequests");
    const LONG before = menuRequests();

    VARIANT_BOOL state = VARIANT_TRUE;
    SendMessageW(host_, flashhost::FHM_GET_CONTEXT_MENU, 0, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(state, VARIANT_FALSE) << "off after creation";
    const LPARAM at = MAKELPARAM(10, 10);
    for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}) SendMessageW(control, message, 0, at);
    SendMessageW(control, WM_KEYDOWN, VK_APPS, 0);
    EXPECT_EQ(menuRequests(), before);

    flashhost::SetContextMenu(host_, true);
    SendMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), at);
    EXPECT_EQ(menuRequests(), before + 1);
}

TEST_F(HostFixture, EventsComeBackAsNotificationsAndTheHandshakeIsAnswered) {
    auto fire = Export<HRESULT (*)(const wchar_t*, const wchar_t*)>(*runtime_, "ControlFire");
    ASSERT_EQ(fire(L"quit", L"now please"), S_OK);
    ASSERT_EQ(fire(L"<invoke name=\"{8533542B-B75B-417a-A972-3AD945F14852}\"/>", nullptr), S_OK);
    EXPECT_STREQ(text_(2), L"<string>{242DF42C-A9ED-4209-B1E2-FD3633BAEEE7}</string>");
    ASSERT_EQ(fire(L"<invoke name=\"size\"/>", nullptr), S_OK);
    ASSERT_EQ(notifications.size(), 4u);
    EXPECT_EQ(notifications[0].code, flashhost::FHN_FSCOMMAND);
    EXPECT_EQ(notifications[0].first, L"quit");
    EXPECT_EQ(notifications[1].code, flashhost::FHN_FSCOMMAND_A);
    EXPECT_EQ(notifications[1].firstAnsi, "now please");
    EXPECT_EQ(notifications[2].code, flashhost::FHN_FLASHCALL);
    EXPECT_EQ(notifications[2].first, L"<invoke name=\"size\"/>");
    EXPECT_EQ(notifications[3].firstAnsi, "<invoke name=\"size\"/>");
}

}  // namespace

namespace {

// The control the program carries, mapped from the program's own resource.
TEST(ProgramControl, LoadsFromItsResourceAndTakesWhatThePreviewSends) {
    HRSRC resource = FindResourceW(nullptr, L"FLASH_OCX_CODE", L"BIN");
    ASSERT_NE(resource, nullptr);
    testing_support::RuntimePtr runtime(flashhost::FlashRuntime::Create(LockResource(LoadResource(nullptr, resource)),
                                                                        SizeofResource(nullptr, resource)));
    ASSERT_NE(runtime, nullptr);
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND host = CreateWindowExW(0, MAKEINTATOM(runtime->hostClassAtom()), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 320,
                                240, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(flashhost::SetAllowFullScreen(host, true), 1) << "the control reports 9.0.28 or later";
    EXPECT_EQ(flashhost::LoadMovieFromResource(host, nullptr, L"EMPTY", L"SWF"), 1);
    const std::wstring vars = L"content=C:\\no such\\clip & more=1.flv";
    EXPECT_EQ(flashhost::PutFlashVars(host, vars), S_OK);
    EXPECT_EQ(flashhost::GetText(host, flashhost::FHM_GET_FLASHVARS_W), vars);
    DestroyWindow(parent);
}

}  // namespace
