// The player control as the program carries it, loaded and driven the way a host drives
// it: its exports and interfaces, movies opened through CreateFileW, and our player movie
// playing a clip whose path holds blanks, "&" and "=".
#include "flashctl/PaneLayout.h"
#include "support/FlashControlImage.h"
#include "support/MessagePump.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <windowsx.h>

#include <fstream>
#include <vector>

namespace {

using testing_support::BinFolder;
using testing_support::FlashControlImage;
using testing_support::PlayerWindow;
using testing_support::PumpUntil;
using testing_support::ScratchFolder;
using namespace std::chrono_literals;

// An event sink that records the dispatch ids it is called with.
class RecordingSink final : public IDispatch {
public:
    std::vector<std::pair<DISPID, long>> events;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, flashhost::kDiidShockwaveFlashEvents)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        const bool oneLong = parameters && parameters->cArgs == 1 && parameters->rgvarg[0].vt == VT_I4;
        events.emplace_back(id, oneLong ? parameters->rgvarg[0].lVal : -1);
        return S_OK;
    }
};

void WriteFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool IsRed(COLORREF color) { return GetRValue(color) > 200 && GetGValue(color) < 60 && GetBValue(color) < 60; }

long Number(const std::wstring& text) { return text.empty() ? -1 : std::stol(text); }

// The control image loaded from a scratch folder of the test's own.
class FlashControl : public testing::Test {
protected:
    ScratchFolder folder_{L"flashctl"};
    FlashControlImage image_{folder_.path()};
};

TEST_F(FlashControl, OffersTheHostsInterfacesAndUnloadsWhenReleased) {
    ASSERT_TRUE(image_.loaded());
    platform::ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, image_.GetClassObject(IID_IDispatch, IID_IClassFactory, factory.putVoid()));

    platform::ComPtr<IShockwaveFlash> flash = image_.Create();
    ASSERT_TRUE(flash);
    long version = 0;
    ASSERT_EQ(S_OK, flash->FlashVersion(&version));
    EXPECT_EQ(9, flashhost::FlashVersionMajor(version));
    EXPECT_GE(version, flashhost::PackFlashVersion(9, 0, 28));
    for (const IID& iid : {IID_IOleObject, IID_IOleInPlaceObject, IID_IOleInPlaceActiveObject, IID_IOleWindow,
                           IID_IViewObject, IID_IViewObject2, IID_IObjectWithSite, IID_IConnectionPointContainer}) {
        platform::ComPtr<IUnknown> part;
        EXPECT_EQ(S_OK, flash->QueryInterface(iid, part.putVoid()));
    }
    // Offering the windowless interface would make a host drive us windowless.
    platform::ComPtr<IUnknown> windowless;
    EXPECT_EQ(E_NOINTERFACE, flash->QueryInterface(IID_IOleInPlaceObjectWindowless, windowless.putVoid()));
    EXPECT_EQ(E_NOTIMPL, flash->Zoom(50));

    EXPECT_EQ(S_FALSE, image_.CanUnloadNow());
    flash.reset();
    EXPECT_EQ(S_OK, image_.CanUnloadNow());
}

TEST_F(FlashControl, ShowsAMoviesBackgroundAndReportsItLoadedOrWhyNot) {
    PlayerWindow player(image_, 320, 240);
    ASSERT_TRUE(player.active());
    // Version 6, 320 x 240, 12 fps, 3 frames, background #336699.
    WriteFile(folder_.path() + L"blue.swf",
              {0x46, 0x57, 0x53, 0x06, 0x1e, 0x00, 0x00, 0x00, 0x78, 0x00, 0x03, 0x20, 0x00, 0x00, 0x09,
               0x60, 0x00, 0x00, 0x0c, 0x03, 0x00, 0x43, 0x02, 0x33, 0x66, 0x99, 0x40, 0x00, 0x00, 0x00});
    WriteFile(folder_.path() + L"picture.swf", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0});

    RecordingSink sink;
    platform::ComPtr<IConnectionPointContainer> container;
    platform::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, player.flash()->QueryInterface(IID_IConnectionPointContainer, container.putVoid()));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(flashhost::kDiidShockwaveFlashEvents, point.put()));
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));

    // The first name is replaced before the control gets to it, as the host's unload does.
    player.Load(L"file://NOSUCHMOVIE.swf", L"");
    player.Load(folder_.path() + L"blue.swf", L"");
    long state = 0;
    ASSERT_TRUE(PumpUntil([&] { return player.flash()->get_ReadyState(&state) == S_OK && state == 4; }, 20s));
    EXPECT_EQ(RGB(0x33, 0x66, 0x99), player.PixelAt(160, 120));
    long frames = 0, color = 0;
    EXPECT_EQ(S_OK, player.flash()->get_TotalFrames(&frames));
    EXPECT_EQ(3, frames);
    EXPECT_EQ(S_OK, player.flash()->get_BackgroundColor(&color));
    EXPECT_EQ(0x336699, color);
    const std::vector<std::pair<DISPID, long>> loaded = {{flashhost::kDispidOnProgress, 100},
                                                         {flashhost::kDispidOnReadyStateChange, 4}};
    EXPECT_EQ(loaded, sink.events);

    player.Load(folder_.path() + L"picture.swf", L"");
    ASSERT_TRUE(PumpUntil([&] { return !player.Variable(L"message").empty(); }, 20s));
    EXPECT_EQ(L"Cannot show picture.swf: it is not a movie.", player.Variable(L"message"));
    player.Load(folder_.path() + L"gone.swf", L"");
    ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"message").find(L"gone.swf") != std::wstring::npos; }, 20s));
    EXPECT_EQ(L"Cannot show gone.swf: the file is missing or cannot be read.", player.Variable(L"message"));
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
}

TEST_F(FlashControl, PlaysTheClipNamedByFlashVarsPausedOrAtOnce) {
    const int width = 320, height = 241;
    PlayerWindow player(image_, width, height);
    ASSERT_TRUE(player.active());
    const std::wstring movie = BinFolder() + L"player.swf?allowembed=false&showlogo=false";
    const std::wstring clip = BinFolder() + L"flash-clips\\flash clips\\red & blue=purple 2s.flv";

    // Without autoplay the first frame shows and stays.
    player.Load(movie + L"&allowfullscreen=true&allowtimeline=true&volume=70", L"content=" + clip);
    ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"state") == L"paused"; }, 30s)) << player.Variable(L"message");
    EXPECT_EQ(clip, player.Variable(L"content"));
    EXPECT_EQ(L"70", player.Variable(L"volume"));
    ASSERT_TRUE(PumpUntil([&] { return IsRed(player.PixelAt(width / 2, 100)); }, 10s));
    PumpUntil([] { return false; }, 500ms);
    long frame = -1;
    player.flash()->CurrentFrame(&frame);
    EXPECT_EQ(0, frame);
    EXPECT_EQ(L"1", player.Variable(L"presentedFrames"));

    // A click three quarters along the timeline shows that place, still paused.
    const flashctl::Box timeline = flashctl::LayOutPane(width, height, true, false).timeline;
    const int x = timeline.left + timeline.width() * 3 / 4, y = (timeline.top + timeline.bottom) / 2;
    SendMessageW(player.pane(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ASSERT_TRUE(PumpUntil([&] { return player.flash()->CurrentFrame(&frame) == S_OK && frame >= 40; }, 30s));
    EXPECT_EQ(L"paused", player.Variable(L"state"));
    EXPECT_TRUE(IsRed(player.PixelAt(width / 2, 100)));

    // The bar's play button plays on from there to the end.
    const long seekFrame = frame;
    const HWND pane = player.pane();
    SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, height - 10));
    SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(8, height - 10));
    ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"state") == L"ended"; }, 60s)) << player.Variable(L"state");
    EXPECT_NEAR(60 - seekFrame, Number(player.Variable(L"decodedFrames")), 1);
    // How many frames a loaded machine drops is the benchmark's business; here they advance.
    EXPECT_GE(Number(player.Variable(L"presentedFrames")), 3);
    player.flash()->CurrentFrame(&frame);
    EXPECT_GE(frame, 55);

    // With autoplay the frames advance without a request.
    player.Load(movie + L"&autoplay=true", L"content=" + clip);
    ASSERT_TRUE(PumpUntil([&] { return player.flash()->CurrentFrame(&frame) == S_OK && frame > 10; }, 30s))
        << player.Variable(L"state");
    EXPECT_EQ(L"playing", player.Variable(L"state"));
}

// The top-most pop-up windows of this thread other than `besides`.
std::vector<HWND> FullScreenWindows(HWND besides) {
    struct Search {
        HWND besides;
        std::vector<HWND> found;
    } search{besides, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            if (window != search->besides && IsWindowVisible(window) &&
                (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST))
                search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(FlashControl, GoesFullScreenOnlyWhenTheMovieAndTheHostBothAllowIt) {
    const int width = 320, height = 241;
    PlayerWindow player(image_, width, height);
    ASSERT_TRUE(player.active());
    const HWND parent = GetParent(player.pane());
    const std::wstring clip = BinFolder() + L"flash-clips\\flash clips\\red & blue=purple 2s.flv";
    const flashctl::Box button = flashctl::LayOutPane(width, height, false, true).fullScreen;
    const LPARAM click = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);

    for (const bool hostAllows : {false, true}) {
        SCOPED_TRACE(hostAllows ? "host allows" : "host refuses");
        BSTR allow = SysAllocString(hostAllows ? L"true" : L"false");
        player.flash()->put_AllowFullScreen(allow);
        SysFreeString(allow);
        player.Load(BinFolder() + L"player.swf?allowfullscreen=true", L"content=" + clip);
        ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"state") == L"paused"; }, 30s));
        SendMessageW(player.pane(), WM_LBUTTONDOWN, MK_LBUTTON, click);
        PumpUntil([] { return false; }, 200ms);
        const std::vector<HWND> shown = FullScreenWindows(parent);
        ASSERT_EQ(hostAllows ? 1u : 0u, shown.size());
        if (!hostAllows) continue;
        RECT area;
        GetWindowRect(shown[0], &area);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), area.right - area.left);
        const HDC dc = GetDC(shown[0]);
        UpdateWindow(shown[0]);
        EXPECT_TRUE(IsRed(GetPixel(dc, (area.right - area.left) / 2, (area.bottom - area.top) / 2)));
        ReleaseDC(shown[0], dc);
        SendMessageW(shown[0], WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_FALSE(IsWindow(shown[0]));
    }
}

TEST_F(FlashControl, AClipThatCannotBeDecodedSaysSoInThePane) {
    PlayerWindow player(image_, 320, 241);
    ASSERT_TRUE(player.active());
    const std::wstring movie = BinFolder() + L"player.swf?autoplay=true";
    struct Case {
        const wchar_t* clip;
        const wchar_t* reason;
    };
    for (const Case& c :
         {Case{L"flash-clips\\flash clips\\not a video.mp4", L"Invalid data found when processing input"},
          Case{L"flash-clips\\no such clip.flv", L"No such file or directory"}}) {
        SCOPED_TRACE(c.clip);
        player.Load(movie, L"content=" + BinFolder() + c.clip);
        ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"state") == L"error"; }, 30s)) << player.Variable(L"state");
        EXPECT_EQ(std::wstring(L"This clip cannot be played.\n") + c.reason, player.Variable(L"message"));
    }
}

// A clip cut short plays what it holds; a 4K one is scaled down on the way. Both show
// their first frame and come to an end instead of leaving the pane waiting.
TEST_F(FlashControl, ACutShortOr4KClipShowsItsFirstFrameAndEnds) {
    PlayerWindow player(image_, 320, 241);
    ASSERT_TRUE(player.active());
    for (const wchar_t* clip : {L"red cut short.flv", L"red 4k.mp4"}) {
        SCOPED_TRACE(clip);
        const std::wstring path = BinFolder() + L"flash-clips\\flash clips\\" + clip;
        player.Load(BinFolder() + L"player.swf?autoplay=true", L"content=" + path);
        EXPECT_TRUE(PumpUntil([&] { return IsRed(player.PixelAt(160, 100)); }, 30s)) << player.Variable(L"message");
        ASSERT_TRUE(PumpUntil([&] { return player.Variable(L"state") == L"ended"; }, 60s))
            << player.Variable(L"state") << ": " << player.Variable(L"message");
        EXPECT_GE(Number(player.Variable(L"decodedFrames")), 5);
    }
}

}  // namespace
