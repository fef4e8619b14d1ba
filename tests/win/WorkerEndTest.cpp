// A worker's last word reaches its window however the worker ends: its work done, an early
// return, a throw, or a Stop that the window already acted on (then nothing more is said,
// and nothing the worker was writing is left).
#include "convert/ConvertMessages.h"
#include "framework/LastMessage.h"
#include "framework/Worker.h"
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "library/CatalogueWindow.h"
#include "webimport/DownloadWorker.h"
#include "webimport/ImportChannel.h"
#include "webimport/ImportMessages.h"
#include "webimport/ImportTexts.h"

#include "support/MessagePump.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using testing_support::PumpUntil;

// A window that records the messages of the workers' blocks, and a failure's words. It
// answers "no filter" to a build, which ends the build early.
class Listener {
public:
    Listener() {
        static const ATOM kind = [] {
            WNDCLASSW type{};
            type.lpfnWndProc = Procedure;
            type.hInstance = GetModuleHandleW(nullptr);
            type.lpszClassName = L"ReelkeepWorkerEndListener";
            return RegisterClassW(&type);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(kind), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Listener() { DestroyWindow(window_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    HWND window() const { return window_; }
    std::vector<UINT> heard;
    std::wstring failure;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Listener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const bool ours = framework::InBlock(framework::kCatalogueMessages, message) ||
                          framework::InBlock(framework::kImportMessages, message) ||
                          framework::InBlock(framework::kConvertMessages, message);
        if (self == nullptr || !ours) return DefWindowProcW(window, message, wParam, lParam);
        self->heard.push_back(message);
        if (message == webimport::WM_IMPORT_FAILED) self->failure = *reinterpret_cast<const std::wstring*>(lParam);
        return 0;
    }

    HWND window_ = nullptr;
};

// An unfinished download that the import's job holds open.
std::wstring OpenUnfinished(webimport::DownloadJob& job, const std::wstring& folder) {
    std::lock_guard lock(job.mutex);
    job.path = folder + L"unfinished.part";
    job.file.reset(CreateFileW(job.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return job.path;
}

TEST(WorkerEnd, EveryWorkerSaysItsLastWordHoweverItEnds) {
    testing_support::ScriptedPrompter prompter;
    testing_support::ScratchFolder scratch(L"worker-end");
    const library::CatalogueSource source{scratch.path(), L""};
    struct Case {
        const char* name;
        std::function<void(HWND, const std::shared_ptr<webimport::DownloadJob>&)> worker;
        std::vector<UINT> heard;
        std::wstring_view failure = {};
    };
    const Case cases[] = {
        {"a refresh that finds no filter",
         [&](HWND window, const auto&) { library::RefreshClipList(window, source); },
         {library::WM_CATALOGUE_READ_FILTER, library::WM_CATALOGUE_BUILD_DONE}},
        {"a rebuild that finds no filter",
         [&](HWND window, const auto&) { library::RebuildClipList(window, source); },
         {library::WM_CATALOGUE_REBUILD_BEGIN, library::WM_CATALOGUE_READ_FILTER, library::WM_CATALOGUE_BUILD_DONE,
          library::WM_CATALOGUE_REBUILD_END}},
        {"a build that throws",
         [](HWND window, const auto&) {
             const library::BuildDone done(window);
             throw std::runtime_error("broken build");
         },
         {library::WM_CATALOGUE_BUILD_DONE}},
        {"an import of an address it refuses",
         [](HWND window, const auto& job) { webimport::RunDownload(job, window, L"ftp://host/clip.flv", {}); },
         {webimport::WM_IMPORT_FAILED},
         webimport::kNotWebAddress},
        {"an import that returns without a word",
         [&](HWND window, const auto& job) {
             OpenUnfinished(*job, scratch.path());
             webimport::ImportChannel channel(job, window);
             channel.Caption(L"reading");
         },
         {webimport::WM_IMPORT_CAPTION, webimport::WM_IMPORT_FAILED},
         webimport::kDownloadBrokeOff},
        {"an import that throws while it writes",
         [&](HWND window, const auto& job) {
             OpenUnfinished(*job, scratch.path());
             webimport::ImportChannel channel(job, window);
             throw std::bad_alloc();
         },
         {webimport::WM_IMPORT_FAILED},
         webimport::kDownloadBrokeOff},
        {"a conversion that throws",
         [](HWND window, const auto&) {
             const framework::LastMessage finished(window, convert::WM_CONVERT_FINISHED, 7);
             throw std::runtime_error("broken conversion");
         },
         {convert::WM_CONVERT_FINISHED}},
        {"an import that is done",
         [](HWND window, const auto& job) { webimport::ImportChannel(job, window).Done(); },
         {webimport::WM_IMPORT_DONE}},
        {"an import stopped by the dialog",
         [&](HWND window, const auto& job) {
             OpenUnfinished(*job, scratch.path());
             webimport::ImportChannel channel(job, window);
             job->Stop();
             channel.Progress({}, true);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Listener listener;
        auto job = std::make_shared<webimport::DownloadJob>();
        std::atomic<bool> ended{false};
        std::thread worker([&] {
            framework::RunCatching([&] { c.worker(listener.window(), job); });
            ended = true;
        });
        // Posted words arrive after the worker ends; sent ones while it runs.
        const bool done = PumpUntil([&] { return ended && listener.heard.size() >= c.heard.size(); });
        worker.join();
        PumpUntil([] { return false; }, std::chrono::milliseconds(20));
        EXPECT_TRUE(done);
        EXPECT_EQ(listener.heard, c.heard);
        EXPECT_EQ(listener.failure, c.failure);
        EXPECT_EQ(GetFileAttributesW((scratch.path() + L"unfinished.part").c_str()), INVALID_FILE_ATTRIBUTES)
            << "no unfinished download is left behind";
    }
}

}  // namespace
