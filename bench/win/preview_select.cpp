// Selecting a clip to its first frame in the preview pane, against one bare probe of the
// same clip by ffmpeg.exe, timed alternately in one run under Wine. The pane is the real
// host window with the program's own player control; the clip's first frame is flat
// green, so the frame has arrived when the pane's centre turns green.
#include "flashhost/FlashRuntime.h"
#include "library/ViewLayout.h"
#include "platform/ProcessRunner.h"
#include "platform/ProgramFolder.h"
#include "preview/PreviewHostWindow.h"
#include "preview/PreviewPlayer.h"
#include "probe/MediaProbe.h"

#include "support/BenchClock.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::NowMilliseconds;

constexpr double kLimit = 1.5;
constexpr int kRuns = 7;
constexpr double kFrameTimeoutMs = 20000;

bool CentreIsGreen(HWND pane) {
    RECT r{};
    GetClientRect(pane, &r);
    HDC dc = GetDC(pane);
    const COLORREF c = GetPixel(dc, r.right / 2, r.bottom / 3);
    ReleaseDC(pane, dc);
    return c != CLR_INVALID && GetGValue(c) > 150 && GetRValue(c) < 80 && GetBValue(c) < 80;
}

// Pumps messages until the pane shows the first frame; -1 on time-out.
double WaitForFirstFrame(HWND pane, double start) {
    while (NowMilliseconds() - start < kFrameTimeoutMs) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (CentreIsGreen(pane)) return NowMilliseconds() - start;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
    return -1;
}

}  // namespace

int main() {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring& folder = platform::ProgramFolder();
    HRSRC resource = FindResourceW(nullptr, L"FLASH_OCX_CODE", L"BIN");
    flashhost::FlashRuntime* runtime =
        resource == nullptr ? nullptr
                            : flashhost::FlashRuntime::Create(LockResource(LoadResource(nullptr, resource)),
                                                              SizeofResource(nullptr, resource));
    if (runtime == nullptr) {
        std::fprintf(stderr, "preview_select: the player runtime does not load\n");
        return 2;
    }
    HWND parent = CreateWindowExW(0, L"STATIC", L"preview", WS_POPUP | WS_VISIBLE, 0, 0, 800, 650, nullptr, nullptr,
                                  nullptr, nullptr);
    int status = 2;
    {
        preview::PreviewHostWindow pane(parent, runtime->hostClassAtom());
        const library::PixelRect place = library::LayoutForViewMode(library::kViewStandard)->previewPlayer;
        pane.Place({place.left, place.top, place.left + place.width, place.top + place.height});
        preview::PreviewPlayer preview(&pane, folder);
        // Two names for the one clip, so that every selection is a new clip to the preview.
        const std::wstring clips[2] = {folder + L"preview-clips\\green-then-moving.flv",
                                       folder + L"preview-clips\\green copy.flv"};
        CopyFileW(clips[0].c_str(), clips[1].c_str(), FALSE);
        const std::wstring probe = probe::ProbeCommandLine(folder + L"ffmpeg.exe", clips[0]);
        std::vector<double> selectTimes, probeTimes;
        for (int run = -1; run < kRuns; ++run) {
            double start = NowMilliseconds();
            platform::RunAndCapture(probe, std::chrono::seconds(30));
            const double probeTime = NowMilliseconds() - start;
            start = NowMilliseconds();
            preview.PreviewClip(clips[(run + 2) % 2], preview::PreviewStart::Paused, preview::PreviewReload::IfChanged);
            const double selectTime = WaitForFirstFrame(pane.hwnd(), start);
            if (selectTime < 0) {
                std::fprintf(stderr, "preview_select: the first frame never showed\n");
                probeTimes.clear();
                break;
            }
            // The first round warms the caches and is not counted.
            if (run < 0) continue;
            probeTimes.push_back(probeTime);
            selectTimes.push_back(selectTime);
        }
        if (!probeTimes.empty()) {
            const double ratio = Median(selectTimes) / Median(probeTimes);
            std::printf("preview.select_to_first_frame_vs_probe: %.2fx (limit %.1fx)\n", ratio, kLimit);
            std::printf("  medians of %d runs: first frame %.0f ms, bare probe %.0f ms\n", kRuns, Median(selectTimes),
                        Median(probeTimes));
            status = ratio <= kLimit ? 0 : 1;
        }
    }
    DestroyWindow(parent);
    flashhost::FlashRuntime::Release(runtime);
    return status;
}
