// The list build against the probes it is made of, and how quickly the main window
// answers while a rebuild runs on its worker.
#include "app/Page2.h"
#include "library/Catalogue.h"
#include "library/MediaProbe.h"
#include "platform/ProcessRunner.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClips = 50;

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

class BenchWindow : public app::Page2 {
protected:
    void StartWorkers() override {}
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring ffmpeg = BinFolder() + L"ffmpeg.exe";
    const std::wstring source = BinFolder() + L"probe-clips\\flv-320x240-sound.flv";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"reelkeep-bench-catalogue\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kClips; ++i) {
        const std::wstring clip = folder + std::to_wstring(1260000000 + i) + L".flv";
        if (!CopyFileW(source.c_str(), clip.c_str(), FALSE)) {
            std::fprintf(stderr, "catalogue: cannot copy the test clip (%lu)\n", GetLastError());
            return 1;
        }
    }

    BenchWindow window;
    if (!window.CreateModeless()) return 1;
    const library::CatalogueSource where{folder, ffmpeg};

    // Warm both paths once so that neither pays for the first start of ffmpeg.exe.
    platform::RunAndCapture(library::ProbeCommandLine(ffmpeg, folder + L"1260000000.flv"), std::chrono::seconds(30));

    const auto bareStart = Clock::now();
    for (int i = 0; i < kClips; ++i)
        platform::RunAndCapture(library::ProbeCommandLine(ffmpeg, folder + std::to_wstring(1260000000 + i) + L".flv"),
                                std::chrono::seconds(30));
    const double bare = Seconds(Clock::now() - bareStart);

    library::ClipFilter all;
    all.mode = library::FilterMode::ByDate;
    all.dateFrom = 0;
    all.dateTo = 4102444800;  // 2100-01-01
    const auto buildStart = Clock::now();
    const int listed = library::BuildClipList(window.hwnd(), false, all, where);
    const double build = Seconds(Clock::now() - buildStart);
    if (listed != kClips) {
        std::fprintf(stderr, "catalogue: listed %d of %d clips\n", listed, kClips);
        return 1;
    }
    const double ratio = build / bare;
    std::printf("catalogue.build_50_vs_50_bare_probes: %.2fx (limit 1.1x)  build %.2f s, probes %.2f s\n", ratio,
                build, bare);

    // A rebuild on its worker while another thread times the window's answers.
    std::atomic<bool> done{false};
    std::atomic<long long> worstMicros{0};
    HWND target = window.hwnd();
    std::thread probe([&] {
        while (!done) {
            const auto sent = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count();
            worstMicros = std::max(worstMicros.load(), micros);
            Sleep(20);
        }
    });
    std::thread rebuild([&] {
        library::RebuildClipList(target, where);
        done = true;
        PostMessageW(target, WM_NULL, 0, 0);
    });
    MSG message;
    while (!done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    rebuild.join();
    probe.join();
    const double worstMs = static_cast<double>(worstMicros) / 1000.0;
    std::printf("catalogue.window_answer_during_rebuild_ms: %.1f (limit 100)\n", worstMs);

    for (int i = 0; i < kClips; ++i) DeleteFileW((folder + std::to_wstring(1260000000 + i) + L".flv").c_str());
    RemoveDirectoryW(folder.c_str());
    return (ratio <= 1.1 && worstMs <= 100.0) ? 0 : 1;
}
