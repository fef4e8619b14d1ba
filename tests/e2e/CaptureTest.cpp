// A stream that lands in a browser's cache while the real program runs in the tray is in
// "Videos\" and in the window's list moments later, byte for byte what the server sent.
#include "ProgramTest.h"

#include "capture/CacheWatcher.h"
#include "capture/FirefoxCache.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdlib>

namespace e2e {
namespace {

const wchar_t* const kFlvEntry = L"04B8E7C5022A76D7AC7D187B69B877708C152195";

std::vector<std::wstring> ClipsIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!find) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileW(find.get(), &entry));
    return names;
}

class Capture : public ProgramTest {
protected:
    // Later tests share this prefix: a real cache entry left behind would be captured by
    // their programs too.
    void TearDown() override {
        RemoveTree(SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox");
        ProgramTest::TearDown();
    }

    // Watches Firefox only, with an empty cache; returns its entries folder.
    static std::wstring EmptyFirefoxCache() {
        DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
        WriteString(HKEY_CURRENT_USER, kSettingsKey, L"browsers", L"0100");
        const std::wstring firefox = SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox";
        RemoveTree(firefox);
        const std::wstring entries = firefox + L"\\Profiles\\e2e.default\\cache2\\entries";
        MakeDirectories(entries);
        return entries;
    }
};

TEST_F(Capture, ClipCopiedIntoTheFirefoxCacheIsInTheLibraryAndTheListWithinFiveSeconds) {
    const std::wstring entries = EmptyFirefoxCache();

    RunningProgram run(program(), L"/min");
    HWND window = run.WaitForMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CLIP_LIST);
    // Nothing lands while the cache is empty. No event marks a pass of the watcher, so
    // the library is watched for longer than one pass and the pause after it: the clip
    // put in next is timed against a watcher at its work, not against the start.
    ASSERT_TRUE(HoldsThroughout([&] { return ClipsIn(program().Path(L"Videos\\")).empty(); },
                                capture::CacheWatcher::kPause + 500ms));

    // The browser writes under a temporary name and renames, as caches do. The entry is
    // one that Firefox wrote for clip.flv: its metadata follows the body.
    const std::wstring written = BuildProgramFolder() + L"browser-caches\\firefox\\cache2\\entries\\" + kFlvEntry;
    const std::wstring entry = entries + L"\\" + kFlvEntry;
    ASSERT_TRUE(CopyFileW(written.c_str(), (entries + L"\\writing").c_str(), FALSE));
    ASSERT_TRUE(MoveFileW((entries + L"\\writing").c_str(), entry.c_str()));
    const auto landed = [&] {
        return ClipsIn(program().Path(L"Videos\\")).size() == 1 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1;
    };
    ASSERT_TRUE(WaitUntil(landed, 5s)) << "clips in the library: " << ClipsIn(program().Path(L"Videos\\")).size();

    const std::wstring clip = program().Path(L"Videos\\") + ClipsIn(program().Path(L"Videos\\"))[0];
    EXPECT_EQ(ReadWholeFile(clip), ReadWholeFile(BuildProgramFolder() + L"browser-caches\\media\\clip.flv"));
    EXPECT_TRUE(clip.ends_with(L".flv"));
    std::vector<std::vector<std::wstring>> rows;
    // Firefox keyed the entry by the site of the page that played it; this profile keeps no
    // history, so the clip is called after that site.
    const wchar_t* const title = L"Video from 127.0.0.1";
    EXPECT_TRUE(WaitUntil([&] { return (rows = ReadListView(list, 11)).size() == 1 && rows[0][0] == title; }, 5s));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], title);
    EXPECT_EQ(rows[0][8], clip);
}

// A video watched on a page of our own, cached by firefox-esr with the history it wrote
// (tests/data/page-names): the clip takes the page's title and is the served video byte for
// byte; its context menu (build/screenshots/capture-context-menu.png) offers the page, and is
// closed without opening it: that would start a browser.
TEST_F(Capture, ClipTakesTheTitleOfThePageItWasWatchedOnAndOffersThePage) {
    const std::wstring entries = EmptyFirefoxCache();
    const std::wstring data = BuildProgramFolder() + L"page-names\\firefox\\";
    const std::wstring profile = SpecialFolder(CSIDL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles\\e2e.default";
    MakeDirectories(profile);
    ASSERT_TRUE(CopyFileW((data + L"places.sqlite").c_str(), (profile + L"\\places.sqlite").c_str(), FALSE));
    // The entry of the second page's video (its page names the video too, in a small entry).
    std::wstring entry;
    WIN32_FIND_DATAW found;
    platform::UniqueFind find(FindFirstFileW((data + L"cache2\\entries\\*").c_str(), &found));
    ASSERT_TRUE(find.valid());
    do {
        const auto bytes = ReadWholeFile(data + L"cache2\\entries\\" + found.cFileName);
        if (bytes && bytes->size() > 200000 && bytes->find("/media/two.mp4") != std::string::npos)
            entry = found.cFileName;
    } while (FindNextFileW(find.get(), &found));
    ASSERT_FALSE(entry.empty());

    RunningProgram run(program(), L"/min");
    HWND window = run.WaitForMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CLIP_LIST);
    ASSERT_TRUE(CopyFileW((data + L"cache2\\entries\\" + entry).c_str(), (entries + L"\\" + entry).c_str(), FALSE));
    std::vector<std::vector<std::wstring>> rows;
    ASSERT_TRUE(
        WaitUntil([&] { return (rows = ReadListView(list, 1)).size() == 1 && rows[0][0] == L"Second test card"; }, 20s))
        << (rows.empty() ? "no row" : testing::PrintToString(rows[0][0]));
    EXPECT_EQ(ReadWholeFile(program().Path(L"Videos\\") + ClipsIn(program().Path(L"Videos\\"))[0]),
              ReadWholeFile(BuildProgramFolder() + L"page-names\\media-two.mp4"));

    // A right click on the row, as the mouse gives it to the list.
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const LPARAM at = MAKELPARAM(30, header.bottom - header.top + 6);
    PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(list, WM_RBUTTONUP, 0, at);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND candidate : TopLevelWindowsOf(run.processId()))
                if (ClassName(candidate) == L"#32768" && IsWindowVisible(candidate)) menu = candidate;
            return menu != nullptr;
        },
        10s));
    // The menu's entries are checked in the Windows tests; this shows it as the user sees it.
    TakeScreenshot(L"capture-context-menu");
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    RemoveTree(SpecialFolder(CSIDL_APPDATA) + L"\\Mozilla\\Firefox");
}

// The request number a player put in a piece's URL: the order it asked for the pieces.
int RequestNumber(const std::string& url) {
    const std::size_t at = url.find("&rn=");
    return at == std::string::npos ? -1 : std::atoi(url.c_str() + at + 4);
}

// The Firefox entries of one playback (an H.264 stream and its AAC stream, fetched with
// query ranges), in the order the player fetched them.
std::vector<std::wstring> PiecesOfOnePlayback(const std::wstring& entries) {
    const capture::DiskCacheFiles cache(std::filesystem::path(entries).parent_path());
    std::vector<std::pair<int, std::wstring>> pieces;
    for (const std::wstring& name : ClipsIn(entries + L"\\")) {
        const auto response = capture::ReadFirefoxEntry(cache, "entries/" + std::string(name.begin(), name.end()));
        if (response && (response->url.find("itag=134") != std::string::npos ||
                         response->url.find("itag=140") != std::string::npos))
            pieces.emplace_back(RequestNumber(response->url), name);
    }
    std::sort(pieces.begin(), pieces.end());
    std::vector<std::wstring> names;
    for (const auto& piece : pieces) names.push_back(piece.second);
    return names;
}

TEST_F(Capture, StreamFedPieceByPieceWhileTheProgramRunsIsOneClipOnlyAtTheEnd) {
    const std::wstring entries = EmptyFirefoxCache();
    const std::wstring written = BuildProgramFolder() + L"browser-caches\\streams-firefox\\cache2\\entries";
    const std::vector<std::wstring> pieces = PiecesOfOnePlayback(written);
    ASSERT_EQ(pieces.size(), 30u);

    // The pieces come five at a time, two seconds apart (longer than a pass of the watcher),
    // as a player fetches them; the stream is whole, and so settled, with its last piece:
    // from then on the clip may come at any moment.
    RunningProgram run(program(), L"/min");
    HWND window = run.WaitForMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CLIP_LIST);
    const std::wstring library = program().Path(L"Videos\\");
    constexpr std::size_t kPiecesAtOnce = 5;
    for (std::size_t fed = 0; fed < pieces.size(); ++fed) {
        const std::wstring& piece = pieces[fed];
        ASSERT_TRUE(CopyFileW((written + L"\\" + piece).c_str(), (entries + L"\\writing").c_str(), FALSE));
        ASSERT_TRUE(MoveFileW((entries + L"\\writing").c_str(), (entries + L"\\" + piece).c_str()));
        if (fed + 1 == pieces.size() || (fed + 1) % kPiecesAtOnce != 0) continue;
        ASSERT_TRUE(HoldsThroughout([&] { return ClipsIn(library).empty(); }, 2s))
            << "a clip while the stream was still coming, after piece " << fed + 1;
    }
    const auto landed = [&] { return ClipsIn(library).size() == 1 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; };
    ASSERT_TRUE(WaitUntil(landed, 10s)) << "clips in the library: " << ClipsIn(library).size();
    EXPECT_TRUE(HoldsThroughout(landed, 4s)) << "more than one clip";
    const std::wstring clip = library + ClipsIn(library)[0];
    EXPECT_TRUE(clip.ends_with(L".mp4"));
    std::vector<std::vector<std::wstring>> rows;
    EXPECT_TRUE(WaitUntil([&] { return (rows = ReadListView(list, 11)).size() == 1 && !rows[0][10].empty(); }, 5s));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][8], clip);
    EXPECT_NE(rows[0][9].find(L"h264"), std::wstring::npos) << "video column: " << rows[0][9];
    EXPECT_NE(rows[0][10].find(L"aac"), std::wstring::npos) << "audio column: " << rows[0][10];
}

}  // namespace
}  // namespace e2e
