// The import dialog for real, driven by messages, against a server on 127.0.0.1: watch
// pages of the old kind and video addresses, the clip they leave, every report, Stop,
// Cancel and Enter. Pages of today and playlists are in WebImportStreamsTest.cpp.
#include "support/WebImportFixture.h"

#include "titles/TitleStore.h"
#include "webimport/PageScrape.h"

namespace webimport {
namespace {

using namespace std::chrono_literals;
using testing_support::BinFolder;
using testing_support::HttpHead;
using testing_support::kStillOpen;
using testing_support::LoopbackConnection;
using testing_support::LoopbackServer;
using testing_support::PumpUntil;
using testing_support::ReadFileBytes;
using testing_support::RequestPath;
using testing_support::SendKeptAlive;

const std::string& Clip() {
    static const std::string clip = ReadFileBytes(BinFolder() + L"probe-clips\\flv-320x240-sound.flv");
    return clip;
}
const std::string kTokenAndTitle = "\"t\": \"tok9\", <meta name=\"title\" content=\"Cats &amp; Dogs\">";

std::string WatchPage(const std::string& identifier) {
    return "<html>'VIDEO_ID': '" + identifier + "', " + kTokenAndTitle + "</html>";
}

class WebImport : public testing_support::WebImportFixture {
protected:
    bool Route(const std::string& path, LoopbackConnection& connection) override;

    bool SawStreamRequest(const std::string& query) const { return !RequestsFor("/get_video?asv=&" + query).empty(); }
    void ExpectNothingKept() const {
        EXPECT_TRUE(LibraryFiles().empty());
        EXPECT_TRUE(IncomingFiles().empty());
    }
};

bool WebImport::Route(const std::string& path, LoopbackConnection& connection) {
    auto page = [&](const std::string& html, const std::string& type = "text/html") {
        connection.Send(HttpHead(200, html.size(), type) + html);
        return true;
    };
    auto stream = [&](const std::string& bytes, const std::string& type = "video/x-flv") {
        connection.Send(HttpHead(200, bytes.size(), type) + bytes);
        return true;
    };
    // The answers of a server that keeps its connections, as the one that found the faults did.
    const std::string head = "GET " + path + " HTTP/1.1\r\n";
    auto keptAlive = [&](int status, const std::string& headers, const std::string& body) {
        SendKeptAlive(head, connection, status, headers + "Content-Length: " + std::to_string(body.size()) + "\r\n",
                      body);
        return true;
    };
    const std::string notAvailable = "<html><body>This video is not available in your country.</body></html>";
    if (path == "/watch") return page(WatchPage("abc"));
    if (path == "/both") return page("video_id=zzz& 'VIDEO_ID': 'abc', " + kTokenAndTitle);
    if (path == "/utf8-watch")
        return page(
            "'VIDEO_ID': 'abc', \"t\": \"tok9\", <meta name=\"title\" content=\"Caf\xC3\xA9\t&amp;\n\xE2\x80\xAE"
            "Cr\xC3\xA8me\">",
            "text/html; charset=utf-8");
    if (path == "/escaped-watch")
        return page("'VIDEO_ID': 'a b&c=d', \"t\": \"t&k\", <meta name=\"title\" content=\"E\">");
    if (path == "/to-unsized-stream") return page(WatchPage("unsized"));
    if (path == "/no-title") return page("'VIDEO_ID': 'abc', \"t\": \"tok9\",");
    if (path == "/empty-id") return page(kTokenAndTitle + " video_id=");
    if (path == "/to-missing-stream") return page(WatchPage("gone"));
    if (path == "/to-cut-stream") return page(WatchPage("cut"));
    if (path == "/to-held-stream") return page(WatchPage("held"));
    if (path == "/to-error-stream") return page(WatchPage("error"));
    if (path == "/to-text-stream") return page(WatchPage("text"));
    if (path == "/to-loop-stream") return page(WatchPage("loop"));
    if (path == "/to-html-stream") return page(WatchPage("html"));
    if (path == "/to-huge-stream") return page(WatchPage("huge"));
    if (path == "/held-page") {
        connection.Send(HttpHead(200, 10'000) + std::string(100, ' '));
        connection.WaitForStop();
        return true;
    }
    if (path == "/endless-page") {
        connection.Send("HTTP/1.0 200 X\r\nContent-Type: text/html\r\n\r\n");
        const std::string piece(64 * 1024, 'x');
        while (connection.Send(piece)) {}
        return true;
    }
    if (path == "/silent") {
        connection.WaitForStop();
        return true;
    }
    if (path == "/text.bin") return stream(std::string(20, 't'), "application/octet-stream");
    if (path.starts_with("/clips/"))
        return stream(ReadFileBytes(BinFolder() + L"probe-clips\\mp4-320x240-sound.mp4"), "video/mp4");
    if (path == "/get_video?asv=&video_id=abc&t=tok9") return stream(Clip());
    if (path == "/get_video?asv=&video_id=a%20b%26c%3Dd&t=t%26k") return stream(Clip());
    if (path == "/get_video?asv=&video_id=unsized&t=tok9") {
        connection.Send(HttpHead(200, 0, "video/x-flv", false) + Clip());
        return true;
    }
    if (path == "/get_video?asv=&video_id=cut&t=tok9") {
        connection.Send(HttpHead(200, Clip().size(), "video/x-flv") + Clip().substr(0, 5000));
        return true;
    }
    if (path == "/get_video?asv=&video_id=held&t=tok9") {
        connection.Send(HttpHead(200, Clip().size(), "video/x-flv") + Clip().substr(0, 5000));
        connection.WaitForStop();
        return true;
    }
    if (path == "/get_video?asv=&video_id=huge&t=tok9") {
        connection.Send(HttpHead(200, std::size_t{1} << 50, "video/x-flv") + Clip());
        return true;
    }
    if (path == "/get_video?asv=&video_id=error&t=tok9")
        return keptAlive(500, "Content-Type: text/html\r\n", notAvailable);
    if (path == "/get_video?asv=&video_id=loop&t=tok9")
        return keptAlive(302, "Location: /get_video?asv=&video_id=loop&t=tok9\r\n", notAvailable);
    if (path == "/get_video?asv=&video_id=html&t=tok9")
        return keptAlive(200, "Content-Type: video/x-flv\r\n", notAvailable);
    if (path == "/get_video?asv=&video_id=text&t=tok9") {
        connection.Send("HTTP/1.1 200 X\r\nContent-Type: text/plain\r\n\r\n" + notAvailable);
        return true;
    }
    return false;
}

TEST_F(WebImport, WatchPagesToClipsTitledFromThePageThenTheDialogEndsByItself) {
    struct Case {
        const wchar_t* page;
        const wchar_t* title;
        const char* streamQuery;
    };
    const Case cases[] = {
        {L"/watch", L"Cats & Dogs", "video_id=abc&t=tok9"},
        {L"/both", L"Cats & Dogs", "video_id=abc&t=tok9"},
        // A page's own character set, with blanks tidied and the reordering mark gone.
        {L"/utf8-watch", L"Caf\u00e9 & Cr\u00e8me", "video_id=abc&t=tok9"},
        // The identifier and token cannot add parameters of their own to the stream's query.
        {L"/escaped-watch", L"E", "video_id=a%20b%26c%3Dd&t=t%26k"},
        // A stream without a length is a stream.
        {L"/to-unsized-stream", L"Cats & Dogs", "video_id=unsized&t=tok9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const std::wstring clip = ImportOnlyClip(server_.Url(c.page));
        EXPECT_TRUE(SawStreamRequest(c.streamQuery));
        ASSERT_FALSE(clip.empty());
        EXPECT_EQ(ReadFileBytes(clip), Clip());
        EXPECT_EQ(titles::ReadTitle(clip), c.title);
        const std::wstring name = clip.substr(library_.path().size());
        EXPECT_TRUE(name.ends_with(L".flv")) << name;
        EXPECT_LE(std::abs(std::stoll(name) - static_cast<long long>(time(nullptr))), 60) << name;
        EXPECT_TRUE(IncomingFiles().empty());
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
    EXPECT_TRUE(files[0].ends_with(L".mp4")) << files[0];
}

// A run of imports in one process against a server that fails in every way it can, and
// then works: what failed before never reaches what comes after.
TEST_F(WebImport, FailedStreamsLeaveNothingAndNeverReachTheNextImport) {
    const std::pair<const wchar_t*, std::wstring_view> failures[] = {
        {L"/to-error-stream", kInvalidAddress},
        {L"/to-text-stream", kSiteSentNoVideo},
        {L"/to-loop-stream", kTooManyRedirects},
        {L"/to-html-stream", kSiteSentNoVideo},
    };
    for (const auto& [page, report] : failures) {
        SCOPED_TRACE(page);
        EXPECT_EQ(ReportOf(server_.Url(page), 40s), L"!error " + std::wstring(report));
        ExpectNothingKept();
    }
    prompter_.shown.clear();
    WebImportDialog dialog(nullptr, Settings());
    StartDownload(dialog, server_.Url(L"/watch"));
    EXPECT_EQ(RunUntilEnd(dialog), IDOK);
    EXPECT_TRUE(prompter_.shown.empty());
    const auto files = LibraryFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadFileBytes(files[0]), Clip());
    EXPECT_EQ(titles::ReadTitle(files[0]), L"Cats & Dogs");
}

TEST_F(WebImport, EveryFailureIsReportedFromTheIdleStateAndLeavesNothing) {
    std::wstring refused;
    {
        LoopbackServer closed([](const std::string&, LoopbackConnection&) {});
        refused = closed.Url(L"/watch");
    }
    const std::pair<std::wstring, std::wstring_view> cases[] = {
        {L"", kInvalidAddress},
        {L"127.0.0.1/watch", kInvalidAddress},
        {server_.Url(L"/missing-page"), kInvalidAddress},
        {server_.Url(L"/empty-id"), kInvalidAddress},
        {server_.Url(L"/to-missing-stream"), kInvalidAddress},
        {server_.Url(L"/no-title"), kNoVideoFound},
        {server_.Url(L"/text.bin"), kSiteSentNoVideo},
        {server_.Url(L"/to-cut-stream"), kNetworkFailure},
        {server_.Url(L"/to-huge-stream"), kNotEnoughSpace},
        {server_.Url(L"/endless-page"), kPageTooLarge},
        {server_.Url(L"/silent"), kNetworkFailure},
        {refused, kNetworkFailure},
        {L"file:///C:/windows/win.ini", kNotWebAddress},
        {L"FTP://127.0.0.1/watch", kNotWebAddress},
    };
    for (const auto& [address, report] : cases) {
        SCOPED_TRACE(address);
        const auto started = std::chrono::steady_clock::now();
        const size_t requests = server_.Requests().size();
        EXPECT_EQ(ReportOf(address, 20s), L"!error " + std::wstring(report));
        EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
        ExpectNothingKept();
        if (report == kNotWebAddress) {
            EXPECT_EQ(server_.Requests().size(), requests) << "a request was made";
        }
    }
    EXPECT_TRUE(SawStreamRequest("video_id=&t=tok9"));
}

TEST_F(WebImport, StopCancelAndEnterHaltTheDownloadAndLeaveNothing) {
    enum class Ending { Stop, Cancel, Enter };
    struct Case {
        const wchar_t* path;
        const std::wstring_view waitFor;  // the caption that shows the worker got there
        Ending ending;
        INT_PTR result;
    };
    const Case cases[] = {
        {L"/held-page", kReadingPage, Ending::Stop, kStillOpen},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Stop, kStillOpen},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Cancel, IDCANCEL},
        {L"/to-held-stream", L"Downloading video file: ", Ending::Enter, IDOK},
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
        ExpectNothingKept();
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

}  // namespace
}  // namespace webimport
