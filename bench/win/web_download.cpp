// The web import's download against a bare WinINet loop with the same 1 KB pieces, both
// fetching 50 MB from a server on 127.0.0.1 and writing it to a file; how quickly the
// dialog answers while it downloads; and what the sleeping update agent costs.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "platform/UniqueHandle.h"
#include "update/UpdateAgent.h"

#include "support/ImportBench.h"

#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using bench::BinFolder;
using bench::Median;
using bench::NowMilliseconds;
using bench::RunImport;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::RequestPath;

constexpr size_t kSize = 50u << 20;
constexpr int kRounds = 3;
constexpr double kDownloadLimit = 1.2;
constexpr double kAnswerLimitMs = 100;

// A real clip padded with zeros after its last tag, which the probe ignores: the import
// keeps only what probes as a video.
const std::string& Stream() {
    static const std::string stream = [] {
        std::ifstream file((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        std::string clip = bytes.str();
        clip.resize(kSize, '\0');
        return clip;
    }();
    return stream;
}

void Serve(const std::string& head, LoopbackConnection& connection) {
    const std::string path = RequestPath(head);
    if (path == "/watch") {
        const std::string page = "'VIDEO_ID': 'abc', \"t\": \"tok\", <meta name=\"title\" content=\"Bench\">";
        connection.Send(HttpHead(200, page.size()) + page);
        return;
    }
    connection.Send(HttpHead(200, kSize, "video/x-flv"));
    // In large writes: the server must not be what is measured.
    for (size_t at = 0; at < kSize; at += 1u << 20)
        if (!connection.Send(Stream().substr(at, 1u << 20))) return;
}

// The yardstick: open, send, read 1 KB pieces into a file, close.
double BareLoop(const std::wstring& url, const std::wstring& file) {
    const double start = NowMilliseconds();
    HINTERNET session = InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET request = InternetOpenUrlW(session, url.c_str(), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0);
    platform::UniqueFile out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    char piece[1024];
    DWORD got = 0;
    size_t total = 0;
    while (InternetReadFile(request, piece, sizeof piece, &got) && got > 0) {
        DWORD written = 0;
        WriteFile(out.get(), piece, got, &written, nullptr);
        total += got;
    }
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    const double elapsed = NowMilliseconds() - start;
    return total == kSize ? elapsed : -1;
}

// CPU time of the agent's thread over two seconds of its minute-long sleep.
double AgentIdleCpuMs() {
    update::AgentContext context;
    context.autoUpdateOn = [] { return true; };
    context.lastContact = [] { return 0; };
    context.recordContact = [](std::int32_t) {};
    context.now = [] { return std::int64_t{0}; };
    HANDLE thread = nullptr;
    std::atomic<bool> started{false};
    std::thread agent([&] {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        started = true;
        update::RunUpdateAgent(context, update::SleepOneMinute);
    });
    agent.detach();
    while (!started) Sleep(1);
    auto cpuMs = [&] {
        FILETIME created, exited, kernel, user;
        GetThreadTimes(thread, &created, &exited, &kernel, &user);
        auto value = [](const FILETIME& time) {
            return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) / 1e4;
        };
        return value(kernel) + value(user);
    };
    // Measured once the thread has settled into its sleep.
    Sleep(500);
    const double before = cpuMs();
    Sleep(2000);
    return cpuMs() - before;
}

}  // namespace

int main() {
    GetDesktopWindow();
    bench::PrintingPrompter prompter("web_download");
    const bench::ScratchLibrary library(L"web");
    Stream();
    LoopbackServer server(Serve);
    const webimport::ImportSettings settings{library.path(), BinFolder() + L"ffmpeg.exe", server.Url(L"")};
    const std::wstring page = server.Url(L"/watch");

    std::vector<double> bare, dialog;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round) {
        bare.push_back(BareLoop(server.Url(L"/stream"), library.path() + L"bare.bin"));
        dialog.push_back(RunImport(settings, page, false).milliseconds);
        failed = bare.back() < 0 || dialog.back() < 0;
        library.Empty();
    }
    const bench::ImportRun answered = RunImport(settings, page, true);
    const double slowestAnswer = answered.slowestAnswerMs;
    failed = failed || answered.milliseconds < 0;
    if (failed) {
        std::printf("web_download: a download did not complete\n");
        return 1;
    }
    const double ratio = Median(dialog) / Median(bare);
    const double idleCpu = AgentIdleCpuMs();
    std::printf("web_download.bare_wininet: %.0f ms, import_dialog: %.0f ms for 50 MB\n", Median(bare), Median(dialog));
    std::printf("web_download.import_vs_bare: %.2fx (limit %.1fx)\n", ratio, kDownloadLimit);
    std::printf("web_download.dialog_answer: slowest %.1f ms (limit %.0f ms)\n", slowestAnswer, kAnswerLimitMs);
    std::printf("update_agent.idle_cpu: %.1f ms over 2 s (limit 0)\n", idleCpu);
    return ratio <= kDownloadLimit && slowestAnswer <= kAnswerLimitMs && idleCpu == 0 ? 0 : 1;
}
