#pragma once
// What the web import benchmarks share: the import dialog run to its end with an optional
// instrument that times the dialog's answers, a Prompter that only prints, and the
// folders of the run.
#include "framework/Prompter.h"
#include "platform/FileValues.h"
#include "resources/resource.h"
#include "webimport/ImportMessages.h"
#include "webimport/WebImportDialog.h"

#include "support/BenchClock.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace bench {

inline std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

// Reports go to the console with the benchmark's name: a report means a round failed.
class PrintingPrompter final : public framework::Prompter {
public:
    explicit PrintingPrompter(const char* bench) : bench_(bench) { framework::SetPrompter(this); }
    framework::Answer AskYesNo(HWND, const std::wstring&) override { return framework::Answer::No; }
    framework::Answer AskYesNoCancel(HWND, const std::wstring&) override { return framework::Answer::Cancel; }
    void Tell(HWND, const std::wstring& text, bool) override {
        std::printf("%s: reported %ls\n", bench_, text.c_str());
    }

private:
    const char* bench_;
};

struct ImportRun {
    double milliseconds = -1;  // -1: the dialog did not end as OK
    double slowestAnswerMs = 0;
};

// The whole import of `address` until the dialog ends as OK. With `timeAnswers` a second
// thread asks the dialog for an answer every 20 ms; that thread is the measuring
// instrument, so rounds that time the import run without it.
inline ImportRun RunImport(const webimport::ImportSettings& settings, const std::wstring& address, bool timeAnswers) {
    webimport::WebImportDialog dialog(nullptr, settings);
    ImportRun run;
    if (!dialog.CreateModeless()) return run;
    ShowWindow(dialog.hwnd(), SW_SHOW);
    dialog.SetItemText(IDC_IMPORT_URL, address);
    std::atomic<bool> done{false};
    std::thread prober([&] {
        while (timeAnswers && !done) {
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
    // The dialog ends 100 ms after the clip is in place; that wait is no part of the import.
    const double elapsed = NowMilliseconds() - start - webimport::kImportEndDelayMs;
    done = true;
    prober.join();
    if (result == IDOK) run.milliseconds = elapsed;
    return run;
}

// A scratch library under %TEMP%, emptied between rounds and removed at the end.
class ScratchLibrary {
public:
    explicit ScratchLibrary(const std::wstring& purpose) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ =
            std::wstring(temp) + L"reelkeep-bench-" + purpose + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchLibrary() {
        Empty();
        RemoveDirectoryW((path_ + L".incoming").c_str());
        RemoveDirectoryW(path_.c_str());
    }
    ScratchLibrary(const ScratchLibrary&) = delete;
    ScratchLibrary& operator=(const ScratchLibrary&) = delete;

    const std::wstring& path() const { return path_; }
    void Empty() const {
        for (const std::wstring& folder : {path_, path_ + L".incoming\\"})
            platform::ForEachFile(
                folder, [&](const WIN32_FIND_DATAW& entry) { DeleteFileW((folder + entry.cFileName).c_str()); });
    }

private:
    std::wstring path_;
};

}  // namespace bench
