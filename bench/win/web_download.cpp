// The web import's download against a bare WinINet loop with the same 1 KB pieces, both
// fetching 50 MB from a server on 127.0.0.1 and writing it to a file; how quickly the
// dialog answers while it downloads; and what the sleeping update agent costs.
// Winsock wants to come before windows.h.
#include "../../tests/win/support/LoopbackServer.h"

#include "BenchClock.h"
#include "framework/WindowMessages.h"
#include "framework/Prompter.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"
#include "update/UpdateAgent.h"
#include "webimport/WebImportDialog.h"

#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using bench::Median;
using bench::NowMilliseconds;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::RequestPath;

constexpr size_t kSize = 50u << 20;
constexpr int kRounds = 3;
constexpr double kDownloadLimit = 1.2;
constexpr double kAnswerLimitMs = 100;

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

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

class SilentPrompter final : public framework::Prompter {
public:
    framework::Answer AskYesNo(HWND, const std::wstring&) override { return framework::Answer::No; }
    framework::Answer AskYesNoCancel(HWND, const std::wstring&) override { return framework::Answer::Cancel; }
    void Tell(HWND, const std::wstring& text, bool) override {
        std::printf("web_download: reported %ls\n", text.c_str());
    }
};

struct DialogRun {
    double milliseconds = -1;
    double slowestAnswerMs = 0;
};

// The whole import: page, stream, file, progress in the dialog, until it ends as OK. With
// `probeAnswers` a second thread asks the dialog for an answer every 20 ms; that thread is
// the measuring instrument, so rounds that time the transfer run without it.
DialogRun ImportDialog(const std::wstring& site, const std::wstring& library, bool probeAnswers) {
    webimport::WebImportDialog dialog(nullptr, {library, BinFolder() + L"ffmpeg.exe", site});
    DialogRun run;
    if (!dialog.CreateModeless()) return run;
    ShowWindow(dialog.hwnd(), SW_SHOW);
    dialog.SetItemText(IDC_IMPORT_URL, site + L"/watch");
    std::atomic<bool> done{false};
    std::thread prober([&] {
        while (probeAnswers && !done) {
            const double asked = NowMilliseconds();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(dialog.hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            run.slowestAnswerMs = std::max(run.slowestAnswerMs, NowMilliseconds() - asked);
            Sleep(20);
        }
    });
    const double start = NowMilliseconds();
    SendMessageW(dialog.Item(IDC_IMPORT_DOWNLOAD), BM_CLICK, 0, 0);
    const INT_PTR result = dialog.RunModalLoop();
    // The dialog ends 100 ms after the file is whole; that wait is no part of the transfer.
    const double elapsed = NowMilliseconds() - start - framework::kImportEndDelayMs;
    done = true;
    prober.join();
    if (result == IDOK) run.milliseconds = elapsed;
    return run;
}

void EmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + entry.cFileName).c_str());
    } while (FindNextFileW(search.get(), &entry));
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
    SilentPrompter prompter;
    framework::SetPrompter(&prompter);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"reelkeep-bench-web-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    Stream();
    LoopbackServer server(Serve);

    std::vector<double> bare, dialog;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round) {
        bare.push_back(BareLoop(server.Url(L"/stream"), folder + L"bare.bin"));
        dialog.push_back(ImportDialog(server.Url(L""), folder, false).milliseconds);
        failed = bare.back() < 0 || dialog.back() < 0;
        EmptyFolder(folder);
    }
    const DialogRun answered = ImportDialog(server.Url(L""), folder, true);
    const double slowestAnswer = answered.slowestAnswerMs;
    failed = failed || answered.milliseconds < 0;
    EmptyFolder(folder);
    EmptyFolder(folder + L".incoming\\");
    RemoveDirectoryW((folder + L".incoming").c_str());
    RemoveDirectoryW(folder.c_str());
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
