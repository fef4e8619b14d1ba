#pragma once
// The import dialog for real against a server on 127.0.0.1 inside the test: each test file
// answers its own addresses, and /s/<path> serves the streams that the build made with the
// Linux ffmpeg (tests/data/webimport/make-clips.sh) as a web server would.
// Winsock wants to come before windows.h.
#include "LoopbackServer.h"

#include "library/ClipPlacement.h"
#include "platform/FileValues.h"
#include "resources/resource.h"
#include "FileBytes.h"
#include "MessagePump.h"
#include "ScratchFolder.h"
#include "ScratchTitleStore.h"
#include "ScriptedPrompter.h"
#include "webimport/ImportTexts.h"
#include "webimport/WebImportDialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline constexpr INT_PTR kStillOpen = -2;

// The type a web server gives each kind of file of the made streams.
inline std::string TypeOfStreamFile(const std::string& path) {
    if (path.ends_with(".m3u8")) return "application/vnd.apple.mpegurl";
    if (path.ends_with(".mpd")) return "application/dash+xml";
    if (path.ends_with(".ts")) return "video/mp2t";
    if (path.ends_with(".mp4")) return "video/mp4";
    return "application/octet-stream";
}

// A made stream's file by its path under /s/, or nullopt when there is none.
inline std::optional<std::string> StreamFile(std::string path) {
    path = path.substr(0, path.find('?'));
    if (!path.starts_with("/s/") || path.find("..") != std::string::npos) return std::nullopt;
    std::wstring local = BinFolder() + L"web-streams";
    for (const char c : path.substr(2)) local.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    if (GetFileAttributesW(local.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return ReadFileBytes(local);
}

class WebImportFixture : public testing::Test {
protected:
    WebImportFixture() : server_([this](const std::string& head, LoopbackConnection& c) { Answer(head, c); }) {}
    void SetUp() override { titles_.emplace(titleLog_.path() + L"titles.log"); }
    // No request of this test may reach a fixture that is going away.
    void TearDown() override { server_.Stop(); }

    // Answers the test's own addresses; false leaves the request to the made streams.
    virtual bool Route(const std::string& path, LoopbackConnection& connection) = 0;

    webimport::ImportSettings Settings(DWORD timeoutMs = 5000) const {
        return {library_.path(),
                BinFolder() + L"ffmpeg.exe",
                server_.Url(L""),
                timeoutMs,
                [this](const library::ArrivedClip& clip) {
                    std::lock_guard lock(arrivedMutex_);
                    arrived_.push_back(clip);
                },
                stallLimit_};
    }
    // The clips the imports handed to the list since the last call.
    std::vector<library::ArrivedClip> TakeArrived() {
        std::lock_guard lock(arrivedMutex_);
        return std::exchange(arrived_, {});
    }
    // Opens the dialog with `address` typed in and presses "Download".
    void StartDownload(webimport::WebImportDialog& dialog, const std::wstring& address) {
        ASSERT_TRUE(dialog.CreateModeless());
        ShowWindow(dialog.hwnd(), SW_SHOW);
        dialog.SetItemText(IDC_IMPORT_URL, address);
        Click(dialog, IDC_IMPORT_DOWNLOAD);
    }
    static void Click(webimport::WebImportDialog& dialog, int id) { SendMessageW(dialog.Item(id), BM_CLICK, 0, 0); }
    static bool Visible(webimport::WebImportDialog& dialog, int id) {
        return IsWindowVisible(dialog.Item(id)) != FALSE;
    }
    // Runs the dialog's loop until it ends, or gives up after `limit` with kStillOpen.
    static INT_PTR RunUntilEnd(webimport::WebImportDialog& dialog,
                               std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const UINT_PTR guard = SetTimer(nullptr, 0, static_cast<UINT>(limit.count()), [](HWND, UINT, UINT_PTR, DWORD) {
            if (auto* modal = framework::Dialog::ActiveModal()) modal->EndDialog(kStillOpen);
        });
        const INT_PTR result = dialog.RunModalLoop();
        KillTimer(nullptr, guard);
        return result;
    }
    // Downloads `address` and waits for the dialog's one report; the report, or empty
    // when none came in `limit`.
    std::wstring ReportOf(const std::wstring& address, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        prompter_.shown.clear();
        webimport::WebImportDialog dialog(nullptr, Settings());
        StartDownload(dialog, address);
        if (!PumpUntil([&] { return !prompter_.shown.empty(); }, limit)) return {};
        ExpectIdle(dialog);
        return prompter_.shown.front();
    }
    static std::vector<std::wstring> FilesIn(const std::wstring& folder) {
        std::vector<std::wstring> files;
        platform::ForEachFile(folder,
                              [&](const WIN32_FIND_DATAW& entry) { files.push_back(folder + entry.cFileName); });
        return files;
    }
    std::vector<std::wstring> LibraryFiles() const { return FilesIn(library_.path()); }
    // Imports `address` into an emptied library; the dialog must end by itself without a
    // message. The one file the import left there, or empty.
    std::wstring ImportOnlyClip(const std::wstring& address) {
        ClearLibrary();
        webimport::WebImportDialog dialog(nullptr, Settings());
        StartDownload(dialog, address);
        EXPECT_EQ(RunUntilEnd(dialog), IDOK);
        EXPECT_EQ(prompter_.shown, std::vector<std::wstring>{});
        const auto files = LibraryFiles();
        EXPECT_EQ(files.size(), 1u);
        return files.size() == 1 ? files[0] : std::wstring();
    }
    std::vector<std::wstring> IncomingFiles() const { return FilesIn(library::IncomingFolder(library_.path())); }
    void ClearLibrary() const {
        for (const auto& file : LibraryFiles()) DeleteFileW(file.c_str());
    }
    // The heads of the requests whose path starts with `prefix`.
    std::vector<std::string> RequestsFor(const std::string& prefix) const {
        std::vector<std::string> heads;
        for (const auto& head : server_.Requests())
            if (RequestPath(head).starts_with(prefix)) heads.push_back(head);
        return heads;
    }
    static void ExpectIdle(webimport::WebImportDialog& dialog) {
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_URL));
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_DOWNLOAD));
        EXPECT_FALSE(Visible(dialog, IDC_IMPORT_STOP));
        EXPECT_FALSE(Visible(dialog, IDC_IMPORT_PROGRESS));
        EXPECT_EQ(dialog.ItemText(IDC_IMPORT_GROUP), webimport::kPrompt);
    }

    // How long a copy may bring nothing: short, for the tests that stall a part.
    std::chrono::milliseconds stallLimit_{std::chrono::seconds(5)};
    LoopbackServer server_;
    ScratchFolder library_{L"webimport"};
    ScratchFolder titleLog_{L"webimport-titles"};
    std::optional<ScratchTitleStore> titles_;
    ScriptedPrompter prompter_;

private:
    void Answer(const std::string& head, LoopbackConnection& connection) {
        const std::string path = RequestPath(head);
        if (Route(path, connection)) return;
        if (const auto file = StreamFile(path)) {
            connection.Send(HttpHead(200, file->size(), TypeOfStreamFile(path)) + *file);
            return;
        }
        connection.Send(HttpHead(404, 9) + "not found");
    }

    mutable std::mutex arrivedMutex_;
    mutable std::vector<library::ArrivedClip> arrived_;
};

}  // namespace testing_support
