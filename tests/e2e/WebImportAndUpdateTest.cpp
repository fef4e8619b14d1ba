// The web import in the real program, against the test web server that run.sh starts on
// 127.0.0.1 (tests/e2e/http_server.py). The update agent's road, fetch to offer, is a
// Windows test (UpdateAgentTest): here it would wait out the agent's first minute.
#include "ProgramTest.h"

#include "titles/TitleStore.h"
#include "platform/CommandLine.h"
#include "platform/FileValues.h"
#include "platform/ProcessRunner.h"
#include "probe/MediaProbe.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <map>

namespace e2e {
namespace {

constexpr wchar_t kImportCaption[] = L"Import video from YouTube";
constexpr wchar_t kNetworkFailure[] = L"Please check your internet connection and try again.";

std::wstring SiteUrl() {
    wchar_t url[512] = {};
    const DWORD length = GetEnvironmentVariableW(L"REELKEEP_E2E_HTTP_URL", url, ARRAYSIZE(url));
    if (length == 0 || length >= ARRAYSIZE(url))
        throw std::runtime_error("REELKEEP_E2E_HTTP_URL is not set: run through tests/e2e/run.sh");
    return url;
}

std::wstring RemoteText(HWND control) {
    wchar_t text[512] = {};
    SendMessageW(control, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> files;
    platform::ForEachFile(folder, [&](const WIN32_FIND_DATAW& entry) { files.push_back(folder + entry.cFileName); });
    return files;
}

class WebImportProgram : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    // Waits for the main window and opens the import dialog from its menu command.
    static HWND OpenImportDialog(RunningProgram& run) {
        HWND mainWindow = run.WaitForVisibleMainWindow(kStartTimeout);
        if (mainWindow == nullptr) return nullptr;
        PostMessageW(mainWindow, WM_COMMAND, ID_IMPORT_YOUTUBE, 0);
        HWND dialog = nullptr;
        WaitUntil(
            [&] {
                for (HWND window : TopLevelWindowsOf(run.processId()))
                    if (WindowText(window) == kImportCaption && IsWindowVisible(window)) dialog = window;
                return dialog != nullptr;
            },
            20s);
        return dialog;
    }
    static void Download(HWND dialog, const std::wstring& address) {
        SendMessageW(GetDlgItem(dialog, IDC_IMPORT_URL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
        PostMessageW(GetDlgItem(dialog, IDC_IMPORT_DOWNLOAD), BM_CLICK, 0, 0);
    }
    std::wstring Videos() { return program().Path(L"Videos\\"); }
};

TEST_F(WebImportProgram, PageVideoLandsInTheLibraryAndTheListWhenTheDialogEndsByItself) {
    RunningProgram run(program(), L"", {L"REELKEEP_SITE_URL=" + SiteUrl()});
    HWND dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitForSteadyPicture(dialog, 20s)) << "the dialog never finished painting";
    TakeScreenshot(L"import-idle");

    Download(dialog, SiteUrl() + L"/watch");
    ASSERT_TRUE(WaitUntil(
        [&] { return RemoteText(GetDlgItem(dialog, IDC_IMPORT_GROUP)).starts_with(L"Downloading video file: "); },
        20s));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_IMPORT_STOP)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_IMPORT_PROGRESS)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_IMPORT_URL)));
    TakeScreenshot(L"import-downloading");

    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 30s)) << "the dialog did not end after the download";
    const auto files = FilesIn(Videos());
    ASSERT_EQ(files.size(), 1u);
    const std::wstring name = files[0].substr(Videos().size());
    EXPECT_TRUE(name.ends_with(L".flv")) << name;
    EXPECT_LE(std::abs(std::stoll(name) - static_cast<long long>(time(nullptr))), 120) << name;
    EXPECT_EQ(ReadWholeFile(files[0]), ReadWholeFile(BuildProgramFolder() + L"probe-clips\\flv-320x240-sound.flv"));
    EXPECT_EQ(titles::ReadTitle(files[0]), L"Cats & Dogs");
    HWND list = GetDlgItem(run.MainWindow(), IDC_CLIP_LIST);
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const auto& row : ReadListView(list, 9))
                if (row[0] == L"Cats & Dogs" && row[8] == files[0]) return true;
            return false;
        },
        20s))
        << "the new clip is not listed";
}

// Everything a user may meet in one run: a page of today whose video is an HLS playlist,
// a page with a <video> element, streams that fail in every way a site can make them
// fail, a page without a video and an address that is no web address; then a good old
// watch page. Only the good ones are kept, each failure says what went wrong, and
// nothing unfinished is left anywhere.
TEST_F(WebImportProgram, PagesOfTodayAndFailingSitesInOneRun) {
    RunningProgram run(program(), L"", {L"REELKEEP_SITE_URL=" + SiteUrl()});
    HWND dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);

    Download(dialog, SiteUrl() + L"/news/og-hls.html");
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::wstring caption = RemoteText(GetDlgItem(dialog, IDC_IMPORT_GROUP));
            return caption.starts_with(L"Downloading video: 00:00:0") &&
                   !caption.starts_with(L"Downloading video: 00:00:00");
        },
        30s));
    EXPECT_TRUE(WaitForSteadyPicture(dialog, 5s));
    TakeScreenshot(L"import-playlist");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 60s)) << "the dialog did not end after the download";
    auto files = FilesIn(Videos());
    ASSERT_EQ(files.size(), 1u);
    const std::wstring playlistClip = files[0];
    EXPECT_TRUE(playlistClip.ends_with(L".mp4")) << playlistClip;
    EXPECT_EQ(titles::ReadTitle(playlistClip), L"Cats & Dogs \u2013 Live");
    const probe::MediaProbeResult probed = probe::ProbeMedia(playlistClip, BuildProgramFolder() + L"ffmpeg.exe");
    EXPECT_EQ(probed.fields.resolution, L"640x360") << probed.report;
    EXPECT_NE(probed.fields.audio, probe::kMissingField) << probed.report;
    EXPECT_EQ(probe::FormatDuration(probed.fields.duration), L"00:00:10") << probed.report;
    // Decoded whole, the clip gives the tool nothing to complain about.
    const platform::CapturedRun decoded =
        platform::RunAndCapture(platform::QuoteProgram(BuildProgramFolder() + L"ffmpeg.exe") + L" -v error -i " +
                                    platform::QuoteArgument(playlistClip) + L" -c:v rawvideo -c:a pcm_s16le -f null -",
                                60s);
    EXPECT_TRUE(decoded.started);
    EXPECT_EQ(decoded.text, L"");

    struct Failure {
        const wchar_t* address;
        std::wstring_view report;
    };
    const std::wstring kInvalid = L"Please enter a valid YouTube URL and try again";
    const std::wstring kNoVideo = L"The site sent no video: what came back is not a video file, and nothing was kept.";
    const Failure failures[] = {
        {L"/error-watch", kInvalid},
        {L"/text-watch", kNoVideo},
        {L"/loop-watch", L"The site redirected the request in a loop or away from the web, and nothing was kept."},
        {L"/html-watch", kNoVideo},
        {L"/news/nothing.html", L"No video found on this page"},
        {L"file:///C:/windows/win.ini",
         L"Only web addresses (http:// or https://) can be imported. Please enter the address of a web page or a "
         L"video."},
    };
    dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.address);
        const std::wstring address(failure.address);
        Download(dialog, address.starts_with(L"/") ? SiteUrl() + address : address);
        std::optional<MessageBoxView> box;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(run.processId())).has_value(); }, 40s));
        EXPECT_EQ(box->text, failure.report);
        box->Press(IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !FindMessageBox(run.processId()).has_value(); }, 10s));
    }
    for (const wchar_t* good : {L"/news/video.html", L"/watch"}) {
        Download(dialog, SiteUrl() + good);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 60s)) << "the dialog did not end after " << good;
        if (std::wstring(good) == L"/news/video.html") dialog = OpenImportDialog(run);
    }
    files = FilesIn(Videos());
    ASSERT_EQ(files.size(), 3u);
    std::map<std::wstring, std::wstring> titled;
    for (const auto& file : files) titled[titles::ReadTitle(file)] = file;
    ASSERT_EQ(titled.count(L"A clip & more | Site"), 1u);
    EXPECT_EQ(ReadWholeFile(titled[L"A clip & more | Site"]),
              ReadWholeFile(BuildProgramFolder() + L"web-streams\\clip.mp4"));
    ASSERT_EQ(titled.count(L"Cats & Dogs"), 1u);
    EXPECT_EQ(ReadWholeFile(titled[L"Cats & Dogs"]),
              ReadWholeFile(BuildProgramFolder() + L"probe-clips\\flv-320x240-sound.flv"));
    EXPECT_TRUE(FilesIn(Videos() + L".incoming\\").empty());
    HWND list = GetDlgItem(run.MainWindow(), IDC_CLIP_LIST);
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list, 9).size() == 3; }, 30s)) << "the new clips are not listed";
}

TEST_F(WebImportProgram, CutStreamIsReportedAndNothingIsKept) {
    RunningProgram run(program(), L"", {L"REELKEEP_SITE_URL=" + SiteUrl()});
    HWND dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);
    Download(dialog, SiteUrl() + L"/cut-watch");
    std::optional<MessageBoxView> box;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(run.processId())).has_value(); }, 40s));
    EXPECT_EQ(box->text, kNetworkFailure);
    box->Press(IDOK);
    EXPECT_TRUE(FilesIn(Videos()).empty());
    EXPECT_TRUE(FilesIn(Videos() + L".incoming\\").empty());
}

// Over HTTPS the tool checks every server as the program's own requests do: a stream whose
// certificate the system trusts arrives, and one whose server shows a certificate of its
// own making to the tool (after the program's requests were answered with a trusted one)
// is refused with a message, and nothing is kept.
TEST_F(WebImportProgram, HttpsPartsComeOnlyFromServersTheSystemTrusts) {
    wchar_t root[MAX_PATH] = {}, site[256] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"REELKEEP_E2E_TEST_ROOT", root, MAX_PATH), 0u) << "run through run.sh";
    ASSERT_NE(GetEnvironmentVariableW(L"REELKEEP_E2E_HTTPS_URL", site, 256), 0u) << "run through run.sh";
    TrustRoot(root);
    if (HasFatalFailure()) return;
    struct Forget {
        const wchar_t* root;
        ~Forget() { ForgetRoot(root); }
    } forget{root};
    RunningProgram run(program(), L"", {L"REELKEEP_SITE_URL=" + SiteUrl()});
    HWND dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);
    Download(dialog, std::wstring(site) + L"/streams/hls/master.m3u8");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 60s)) << "the trusted stream was not imported";
    ASSERT_EQ(FilesIn(Videos()).size(), 1u);

    dialog = OpenImportDialog(run);
    ASSERT_NE(dialog, nullptr);
    Download(dialog, std::wstring(site) + L"/switching-tls/hls/master.m3u8");
    std::optional<MessageBoxView> box;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(run.processId())).has_value(); }, 60s));
    EXPECT_TRUE(
        box->text.starts_with(L"The video's server did not show a trusted certificate, so nothing was kept: "
                              L"The certificate of 127.0.0.1 is not trusted"))
        << std::string(box->text.begin(), box->text.end());
    box->Press(IDOK);
    EXPECT_EQ(FilesIn(Videos()).size(), 1u);
    EXPECT_TRUE(FilesIn(Videos() + L".incoming\\").empty());
}

}  // namespace
}  // namespace e2e
