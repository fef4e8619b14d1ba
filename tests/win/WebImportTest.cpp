// The import dialog for real, driven by messages, against a server on 127.0.0.1: the
// page and stream requests, the clip it leaves, its reports, Stop, Cancel and Enter, and
// the clipboard watch.
// Winsock wants to come before windows.h.
#include "support/LoopbackServer.h"

#include "titles/TitleStore.h"
#include "platform/FileValues.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/FileBytes.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedPrompter.h"
#include "support/ScratchTitleStore.h"
#include "webimport/ImportTexts.h"
#include "webimport/WebImportDialog.h"
#include "webimport/PageScrape.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

namespace webimport {
namespace {

using testing_support::ReadFileBytes;
using namespace std::chrono_literals;
using testing_support::BinFolder;
using testing_support::HttpHead;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::PumpUntil;
using testing_support::RequestPath;

const std::string kStream = std::string("FLV\x01\x05") + std::string(300'000, 's');
const std::string kTokenAndTitle = "\"t\": \"tok9\", <meta name=\"title\" content=\"Cats &amp; Dogs\">";
constexpr INT_PTR kStillOpen = -2;

// The watch pages, streams and direct videos of the tests, by path.
void Serve(const std::string& head, LoopbackConnection& connection) {
    const std::string path = RequestPath(head);
    auto page = [&](const std::string& html) { connection.Send(HttpHead(200, html.size()) + html); };
    if (path == "/watch") return page("<html>'VIDEO_ID': 'abc', " + kTokenAndTitle + "</html>");
    if (path == "/both") return page("video_id=zzz& 'VIDEO_ID': 'abc', " + kTokenAndTitle);
    if (path == "/no-title") return page("'VIDEO_ID': 'abc', \"t\": \"tok9\",");
    if (path == "/empty-id") return page(kTokenAndTitle + " video_id=");
    if (path == "/to-missing-stream") return page("'VIDEO_ID': 'gone', " + kTokenAndTitle);
    if (path == "/to-unsized-stream") return page("'VIDEO_ID': 'unsized', " + kTokenAndTitle);
    if (path == "/to-cut-stream") return page("'VIDEO_ID': 'cut', " + kTokenAndTitle);
    if (path == "/to-held-stream") return page("'VIDEO_ID': 'held', " + kTokenAndTitle);
    if (path == "/held-page") {
        connection.Send(HttpHead(200, 10'000) + std::string(100, ' '));
        return connection.WaitForStop();
    }
    if (path == "/silent") return connection.WaitForStop();
    if (path == "/text.bin")
        return void(connection.Send(HttpHead(200, 20, "application/octet-stream") + std::string(20, 't')));
    if (path.starts_with("/clips/")) {
        const std::string clip = ReadFileBytes(BinFolder() + L"probe-clips\\mp4-320x240-sound.mp4");
        return void(connection.Send(HttpHead(200, clip.size(), "video/mp4") + clip));
    }
    if (path == "/get_video?asv=&video_id=abc&t=tok9")
        return void(connection.Send(HttpHead(200, kStream.size(), "video/x-flv") + kStream));
    if (path == "/get_video?asv=&video_id=unsized&t=tok9")
        return void(connection.Send(HttpHead(200, 0, "video/x-flv", false) + kStream));
    if (path == "/get_video?asv=&video_id=cut&t=tok9")
        return void(connection.Send(HttpHead(200, kStream.size(), "video/x-flv") + kStream.substr(0, 5000)));
    if (path == "/get_video?asv=&video_id=held&t=tok9") {
        connection.Send(HttpHead(200, kStream.size(), "video/x-flv") + kStream.substr(0, 5000));
        return connection.WaitForStop();
    }
    connection.Send(HttpHead(404, 9) + "not found");
}

class WebImport : public testing::Test {
protected:
    void SetUp() override { titles_.emplace(titleLog_.path() + L"titles.log"); }

    ImportSettings Settings(DWORD timeoutMs = 5000) const {
        return {library_.path(), BinFolder() + L"ffmpeg.exe", server_.Url(L""), timeoutMs};
    }
    // Opens the dialog with `address` typed in and presses "Download".
    void StartDownload(WebImportDialog& dialog, const std::wstring& address) {
        ASSERT_TRUE(dialog.CreateModeless());
        ShowWindow(dialog.hwnd(), SW_SHOW);
        dialog.SetItemText(IDC_IMPORT_URL, address);
        Click(dialog, IDC_IMPORT_DOWNLOAD);
    }
    static void Click(WebImportDialog& dialog, int id) { SendMessageW(dialog.Item(id), BM_CLICK, 0, 0); }
    static bool Visible(WebImportDialog& dialog, int id) { return IsWindowVisible(dialog.Item(id)) != FALSE; }
    // Runs the dialog's loop until it ends, or gives up after `limit` with kStillOpen.
    static INT_PTR RunUntilEnd(WebImportDialog& dialog, std::chrono::milliseconds limit = 20s) {
        const UINT_PTR guard = SetTimer(nullptr, 0, static_cast<UINT>(limit.count()), [](HWND, UINT, UINT_PTR, DWORD) {
            if (auto* modal = framework::Dialog::ActiveModal()) modal->EndDialog(kStillOpen);
        });
        const INT_PTR result = dialog.RunModalLoop();
        KillTimer(nullptr, guard);
        return result;
    }
    std::vector<std::wstring> LibraryFiles() const {
        std::vector<std::wstring> files;
        platform::ForEachFile(library_.path(), [&](const WIN32_FIND_DATAW& entry) {
            files.push_back(library_.path() + entry.cFileName);
        });
        return files;
    }
    bool SawStreamRequest(const std::string& query) const {
        for (const auto& head : server_.Requests())
            if (RequestPath(head) == "/get_video?asv=&" + query) return true;
        return false;
    }
    void ExpectIdle(WebImportDialog& dialog) const {
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_URL));
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_DOWNLOAD));
        EXPECT_FALSE(Visible(dialog, IDC_IMPORT_STOP));
        EXPECT_FALSE(Visible(dialog, IDC_IMPORT_PROGRESS));
        EXPECT_EQ(dialog.ItemText(IDC_IMPORT_GROUP), kPrompt);
    }

    LoopbackServer server_{Serve};
    testing_support::ScratchFolder library_{L"webimport"};
    testing_support::ScratchFolder titleLog_{L"webimport-titles"};
    std::optional<testing_support::ScratchTitleStore> titles_;
    testing_support::ScriptedPrompter prompter_;
};

TEST_F(WebImport, PageToClipTitledFromThePageThenTheDialogEndsByItself) {
    for (const wchar_t* page : {L"/watch", L"/both"}) {
        SCOPED_TRACE(page);
        WebImportDialog dialog(nullptr, Settings());
        StartDownload(dialog, server_.Url(page));
        EXPECT_EQ(RunUntilEnd(dialog), IDOK);
        EXPECT_TRUE(prompter_.shown.empty());
        EXPECT_TRUE(SawStreamRequest("video_id=abc&t=tok9"));
    }
    const auto files = LibraryFiles();
    ASSERT_EQ(files.size(), 2u) << "two downloads in one second keep both clips";
    for (const auto& file : files) {
        EXPECT_EQ(ReadFileBytes(file), kStream);
        EXPECT_EQ(titles::ReadTitle(file), L"Cats &amp; Dogs");
        const std::wstring name = file.substr(library_.path().size());
        EXPECT_TRUE(name.ends_with(L".flv")) << name;
        EXPECT_LE(std::abs(std::stoll(name) - static_cast<long long>(time(nullptr))), 60) << name;
    }
    const auto heads = server_.Requests();
    EXPECT_NE(heads.front().find("User-Agent: " + std::string(kUserAgent.begin(), kUserAgent.end()) + "\r\n"),
              std::string::npos);
}

TEST_F(WebImport, DirectVideoAddressBecomesAClipNamedAfterItsFile) {
    WebImportDialog dialog(nullptr, Settings());
    StartDownload(dialog, server_.Url(L"/clips/Summer%20Trip.mp4?from=mail"));
    EXPECT_EQ(RunUntilEnd(dialog), IDOK);
    const auto files = LibraryFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(titles::ReadTitle(files[0]), L"Summer Trip.mp4");
}

TEST_F(WebImport, EveryFailureIsReportedFromTheIdleStateAndLeavesNoUnmarkedFile) {
    struct Case {
        std::wstring address;
        std::wstring_view report;
        bool partialFileMarked;
    };
    std::wstring refused;
    {
        LoopbackServer closed([](const std::string&, LoopbackConnection&) {});
        refused = closed.Url(L"/watch");
    }
    const Case cases[] = {
        {L"", kInvalidAddress, false},
        {L"127.0.0.1/watch", kInvalidAddress, false},
        {server_.Url(L"/missing-page"), kInvalidAddress, false},
        {server_.Url(L"/no-title"), kInvalidAddress, false},
        {server_.Url(L"/empty-id"), kInvalidAddress, false},
        {server_.Url(L"/to-missing-stream"), kInvalidAddress, false},
        {server_.Url(L"/to-unsized-stream"), kInvalidAddress, false},
        {server_.Url(L"/text.bin"), kInvalidAddress, false},
        {server_.Url(L"/to-cut-stream"), kNetworkFailure, true},
        {server_.Url(L"/silent"), kNetworkFailure, false},
        {refused, kNetworkFailure, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        prompter_.shown.clear();
        WebImportDialog dialog(nullptr, Settings(1000));
        const auto started = std::chrono::steady_clock::now();
        StartDownload(dialog, c.address);
        ASSERT_TRUE(PumpUntil([&] { return !prompter_.shown.empty(); }, 20s));
        EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
        EXPECT_EQ(prompter_.shown, std::vector<std::wstring>{L"!error " + std::wstring(c.report)});
        ExpectIdle(dialog);
        const auto files = LibraryFiles();
        EXPECT_EQ(files.size(), c.partialFileMarked ? 1u : 0u);
        for (const auto& file : files) {
            EXPECT_EQ(titles::ReadTitle(file), L"InOrderToDelete");
            DeleteFileW(file.c_str());
        }
    }
    EXPECT_TRUE(SawStreamRequest("video_id=&t=tok9"));
}

TEST_F(WebImport, StopCancelAndEnterHaltTheDownloadAndMarkOnlyAPartialFile) {
    enum class Ending { Stop, Cancel, Enter };
    struct Case {
        const wchar_t* path;
        const std::wstring_view waitFor;  // the caption that shows the worker got there
        Ending ending;
        INT_PTR result;
        bool marked;
    };
    const Case cases[] = {
        {L"/held-page", kReadingPage, Ending::Stop, kStillOpen, false},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Stop, kStillOpen, true},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Cancel, IDCANCEL, true},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Enter, IDOK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WebImportDialog dialog(nullptr, Settings());
        StartDownload(dialog, server_.Url(c.path));
        ASSERT_TRUE(PumpUntil([&] { return dialog.ItemText(IDC_IMPORT_GROUP).starts_with(c.waitFor); }, 10s));
        EXPECT_FALSE(Visible(dialog, IDC_IMPORT_URL));
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_STOP));
        EXPECT_TRUE(Visible(dialog, IDC_IMPORT_PROGRESS));
        if (c.ending == Ending::Stop) Click(dialog, IDC_IMPORT_STOP);
        if (c.ending == Ending::Cancel) SendMessageW(dialog.hwnd(), WM_COMMAND, IDCANCEL, 0);
        if (c.ending == Ending::Enter) SendMessageW(dialog.hwnd(), WM_COMMAND, IDOK, 0);
        if (c.ending == Ending::Stop) ExpectIdle(dialog);
        EXPECT_EQ(RunUntilEnd(dialog, 1500ms), c.result);
        const auto files = LibraryFiles();
        ASSERT_EQ(files.size(), c.marked ? 1u : 0u);
        for (const auto& file : files) {
            EXPECT_EQ(titles::ReadTitle(file), L"InOrderToDelete");
            const std::string bytes = ReadFileBytes(file);
            EXPECT_FALSE(bytes.empty());
            EXPECT_EQ(bytes, kStream.substr(0, bytes.size()));
            DeleteFileW(file.c_str());
        }
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

}  // namespace
}  // namespace webimport
