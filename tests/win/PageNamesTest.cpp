// Clips named by the pages they were watched on, from caches and histories that Debian's
// chromium and firefox-esr wrote (tests/data/page-names): two pages on site-one.test and
// one on site-two.test, each playing its own video from media.test.
#include "capture/CacheWatcher.h"
#include "history/HistoryCopy.h"
#include "history/PageNamer.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "platform/WineHost.h"
#include "titles/FallbackTitleStore.h"
#include "titles/TitleStore.h"
#include "support/FileBytes.h"
#include "support/FolderTrees.h"
#include "support/ScratchFolder.h"

#include <sqlite3.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

namespace capture {
namespace {

using testing_support::BinFolder;
using testing_support::CopyTree;
using testing_support::MakeFolders;
using testing_support::ReadFileBytes;
using testing_support::ScratchFolder;

const std::wstring kData = BinFolder() + L"page-names\\";

// Every file under `folder` with its bytes: a browser folder must be as it was left.
void Snapshot(const std::wstring& folder, const std::wstring& under, std::map<std::wstring, std::string>& files) {
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Snapshot(folder + L"\\" + name, under + name + L"\\", files);
        } else {
            files[under + name] = ReadFileBytes(folder + L"\\" + name) + "|" +
                                  std::to_string(platform::FileTimeValue(entry.ftLastWriteTime));
        }
    } while (FindNextFileW(find.get(), &entry));
}
std::map<std::wstring, std::string> Snapshot(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    Snapshot(folder, L"", files);
    return files;
}

// Title and page of each clip, by the served video it holds (byte for byte).
struct Named {
    std::wstring title;
    std::wstring page;
    bool operator==(const Named&) const = default;
};
void PrintTo(const Named& named, std::ostream* out) {
    *out << testing::PrintToString(named.title) << " at " << testing::PrintToString(named.page);
}

const wchar_t* const kVideos[] = {L"one", L"two", L"three"};

class PageNames : public testing::Test {
protected:
    void SetUp() override {
        titles::UseTitleStoreAt(scratch_.path() + L"titles.log");
        context_.libraryFolder = library_;
        MakeFolders(library_);
        context_.ffmpegPath = BinFolder() + L"ffmpeg.exe";
        context_.numbers = &numbers_;
        context_.clipAdded = [this](const library::ArrivedClip& clip) { added_.push_back(clip.path); };
        context_.pageNames = &namer_;
    }

    // Chrome's second profile, History beside its cache, as Windows keeps them.
    std::wstring PlaceChrome() {
        const std::wstring chrome = local_ + L"\\Google\\Chrome";
        EXPECT_TRUE(CopyTree(kData + L"chromium\\Profile 1", chrome + L"\\User Data\\Profile 1"))
            << "test data missing";
        return chrome;
    }
    // Firefox's cache under the local profile, its places.sqlite under the roaming one.
    std::wstring PlaceFirefox() {
        const std::wstring firefox = local_ + L"\\Mozilla\\Firefox";
        EXPECT_TRUE(CopyTree(kData + L"firefox\\cache2", firefox + L"\\Profiles\\t.default\\cache2"))
            << "test data missing";
        const std::wstring roaming = roaming_ + L"\\Mozilla\\Firefox\\Profiles\\t.default";
        MakeFolders(roaming);
        EXPECT_TRUE(
            CopyFileW((kData + L"firefox\\places.sqlite").c_str(), (roaming + L"\\places.sqlite").c_str(), FALSE));
        return firefox;
    }

    void Pass(const std::wstring& chrome, const std::wstring& firefox) {
        std::atomic<bool> on{true}, off{false};
        CacheWatcher watcher({&off, &on, &on, &off},
                             {L"",
                              firefox.empty() ? L"" : firefox + L"\\*",
                              chrome.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{chrome + L"\\*"},
                              {},
                              {},
                              {}},
                             context_);
        watcher.RunPass();
    }

    std::map<std::wstring, Named> Clips() const {
        std::map<std::string, std::wstring> served;
        for (const wchar_t* video : kVideos) served[ReadFileBytes(kData + L"media-" + video + L".mp4")] = video;
        std::map<std::wstring, Named> clips;
        for (const std::wstring& clip : added_) {
            const auto found = served.find(ReadFileBytes(clip));
            std::wstring page = titles::ReadPageUrl(clip);
            // The test server's port differs from run to run.
            if (const std::size_t colon = page.find(L':', 5); colon != std::wstring::npos)
                page.replace(colon, page.find(L'/', colon) - colon, L":");
            clips[found == served.end() ? L"?" : found->second] = {titles::ReadTitle(clip), page};
        }
        return clips;
    }

    // Nothing of a history copy is left in our folder once the pass is over.
    void ExpectNoCopyLeft() {
        namer_.WaitForDeletions();
        WIN32_FIND_DATAW entry;
        platform::UniqueFind find(FindFirstFileW((copies_ + L"*").c_str(), &entry));
        if (!find) return;
        do {
            const std::wstring name = entry.cFileName;
            EXPECT_TRUE(name == L"." || name == L"..") << "left in the copy folder: " << testing::PrintToString(name);
        } while (FindNextFileW(find.get(), &entry));
    }

    ScratchFolder scratch_{L"page-names"};
    std::wstring local_ = scratch_.path() + L"Local";
    std::wstring roaming_ = scratch_.path() + L"Roaming";
    std::wstring library_ = scratch_.path() + L"Videos\\";
    std::wstring copies_ = scratch_.path() + L"copies\\";
    history::PageNamer namer_{{local_, roaming_, L"", L"", L""}, copies_};
    IntakeContext context_;
    MovieNumbers numbers_;
    std::vector<std::wstring> added_;
};

const std::map<std::wstring, Named> kByPage = {
    {L"one", {L"First test card & friends", L"http://site-one.test:/first.html"}},
    {L"two", {L"Second test card", L"http://site-one.test:/second.html"}},
    {L"three", {L"Third card reversed", L"http://site-two.test:/third.html"}},
};

// Each clip takes its own page's title, cleaned, and keeps the page's address; both pages
// of one site give their own names. Meanwhile a browser holds its history open, with the
// sharing and the lock Chromium uses, and nothing in either browser's folders changes.
TEST_F(PageNames, EachClipIsNamedByItsOwnPageWhileTheBrowserHoldsItsHistory) {
    const std::wstring chrome = PlaceChrome();
    const std::wstring firefox = PlaceFirefox();
    const auto before = std::make_pair(Snapshot(local_), Snapshot(roaming_));
    {
        // SQLite opens for reading and writing, shares both, and in exclusive locking mode
        // holds its lock bytes at 1 GiB for as long as the browser runs.
        platform::UniqueFile held(CreateFileW((chrome + L"\\User Data\\Profile 1\\History").c_str(),
                                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.valid());
        OVERLAPPED lockBytes{};
        lockBytes.Offset = 0x40000000;
        ASSERT_TRUE(LockFileEx(held.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 512, 0, &lockBytes));
        Pass(chrome, L"");
        EXPECT_EQ(Clips(), kByPage) << "Chromium";
        ExpectNoCopyLeft();
    }
    added_.clear();
    Pass(L"", firefox);
    EXPECT_EQ(Clips(), kByPage) << "Firefox";
    ExpectNoCopyLeft();
    EXPECT_TRUE(std::make_pair(Snapshot(local_), Snapshot(roaming_)) == before) << "a browser folder changed";
}

// Without its own profile's history a clip is called after its site, and is still the
// served video byte for byte: the history missing (only another profile's is there),
// empty, damaged, or a database of something else.
TEST_F(PageNames, WithoutItsProfilesHistoryAClipIsCalledAfterItsSite) {
    const std::map<std::wstring, Named> bySite = {
        {L"one", {L"Video from site-one.test", L""}},
        {L"two", {L"Video from site-one.test", L""}},
        {L"three", {L"Video from site-two.test", L""}},
    };
    const struct {
        const char* name;
        std::string bytes;  // of the History file; none when it is missing
        bool present;
    } cases[] = {
        {"missing", "", false},
        {"empty", "", true},
        {"damaged", ReadFileBytes(kData + L"chromium\\Profile 1\\History").replace(0, 16, "SQLite format 2"), true},
        {"something else", ReadFileBytes(kData + L"firefox\\places.sqlite").substr(0, 4096), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The cache files come back under their old identities, marked by the case before.
        titles::UseTitleStoreAt(scratch_.path() + L"titles-" + std::to_wstring(&c - cases) + L".log");
        testing_support::ScratchFolder::RemoveTree(local_ + L"\\");
        testing_support::ScratchFolder::RemoveTree(library_);
        MakeFolders(library_);
        added_.clear();
        const std::wstring chrome = PlaceChrome();
        const std::wstring history = chrome + L"\\User Data\\Profile 1\\History";
        // The real history, of another profile of the same browser, is not this one's.
        ASSERT_TRUE(CopyTree(kData + L"chromium\\Profile 1", chrome + L"\\User Data\\Profile 2"))
            << "test data missing";
        testing_support::ScratchFolder::RemoveTree(chrome + L"\\User Data\\Profile 2\\Cache\\");
        if (c.present) {
            ASSERT_TRUE(testing_support::WriteFileBytes(history, c.bytes));
        } else {
            ASSERT_TRUE(DeleteFileW(history.c_str()));
        }
        const auto before = Snapshot(local_);
        Pass(chrome, L"");
        EXPECT_EQ(Clips(), bySite);
        ExpectNoCopyLeft();
        EXPECT_TRUE(Snapshot(local_) == before) << "a browser folder changed";
    }
}

// A page may call itself anything: a title that the library would read as its deletion mark
// (every clip whose title holds it is deleted at the next start) or as a cache marker is
// never given to a clip, which is called after its site instead.
TEST_F(PageNames, APageTitleThatReadsAsAMarkerIsNotGivenToTheClip) {
    const std::wstring chrome = PlaceChrome();
    const std::wstring history = chrome + L"\\User Data\\Profile 1\\History";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(std::string(history.begin(), history.end()).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE urls SET title = 'Watch InOrderToDelete now' WHERE url LIKE '%/first.html';"
                           "UPDATE urls SET title = 'Flv' WHERE url LIKE '%/third.html';",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    Pass(chrome, L"");
    auto expected = kByPage;
    expected[L"one"].title = L"Video from site-one.test";
    expected[L"three"].title = L"Video from site-two.test";
    EXPECT_EQ(Clips(), expected);
}

// Under Wine the Linux user's browsers are read as well: Chromium's cache under
// $XDG_CACHE_HOME with its History under $XDG_CONFIG_HOME, Firefox's cache under
// ~/.cache/mozilla/firefox with places.sqlite under ~/.mozilla/firefox.
TEST_F(PageNames, LinuxProfilesUnderWine) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(unixName, nullptr) << "not under Wine";
    const auto unixPath = [&](const std::wstring& path) {
        char* name = unixName(path.c_str());
        const std::string text = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return std::wstring(text.begin(), text.end());
    };
    const std::wstring home = scratch_.path() + L"home";
    MakeFolders(home + L"\\.cache");
    MakeFolders(home + L"\\.config");
    ASSERT_TRUE(CopyTree(kData + L"chromium\\Profile 1\\Cache", home + L"\\.cache\\chromium\\Default\\Cache"))
        << "test data missing";
    MakeFolders(home + L"\\.config\\chromium\\Default");
    ASSERT_TRUE(CopyFileW((kData + L"chromium\\Profile 1\\History").c_str(),
                          (home + L"\\.config\\chromium\\Default\\History").c_str(), FALSE));
    ASSERT_TRUE(CopyTree(kData + L"firefox\\cache2", home + L"\\.cache\\mozilla\\firefox\\x.default-esr\\cache2"))
        << "test data missing";
    MakeFolders(home + L"\\.mozilla\\firefox\\x.default-esr");
    ASSERT_TRUE(CopyFileW((kData + L"firefox\\places.sqlite").c_str(),
                          (home + L"\\.mozilla\\firefox\\x.default-esr\\places.sqlite").c_str(), FALSE));
    // Only HOME says where: the XDG folders are its defaults.
    const wchar_t* const variables[] = {L"HOME", L"XDG_CACHE_HOME", L"XDG_CONFIG_HOME"};
    std::vector<std::wstring> saved;
    for (const wchar_t* name : variables) {
        saved.push_back(platform::EnvironmentValue(name));
        SetEnvironmentVariableW(name, nullptr);
    }
    SetEnvironmentVariableW(L"HOME", unixPath(home).c_str());
    const history::ProfileFolders folders = history::DefaultProfileFolders();
    const CacheRoots roots = DefaultCacheRoots();
    for (std::size_t i = 0; i < saved.size(); ++i)
        SetEnvironmentVariableW(variables[i], saved[i].empty() ? nullptr : saved[i].c_str());
    history::PageNamer namer(folders, copies_);
    context_.pageNames = &namer;
    for (const auto& [firefox, chrome] : {std::pair{roots.linuxFirefox, std::vector<std::wstring>{}},
                                          std::pair{std::vector<std::wstring>{}, roots.linuxChrome}}) {
        added_.clear();
        std::atomic<bool> on{true}, off{false};
        CacheWatcher({&off, &on, &on, &off}, {L"", L"", {}, {}, firefox, chrome}, context_).RunPass();
        EXPECT_EQ(Clips(), kByPage) << (firefox.empty() ? "Chromium" : "Firefox");
    }
    namer.WaitForDeletions();
    ExpectNoCopyLeft();
}

// A copy is made once per history per pass, however many clips it names, and it goes
// with the pass; what a run that ended mid-pass left is cleared when the next one starts.
TEST_F(PageNames, CopiesLastOnePassAndLeftoversAreCleared) {
    MakeFolders(copies_ + L"99-1");
    ASSERT_TRUE(testing_support::WriteFileBytes(copies_ + L"99-1\\History", "left behind"));
    history::PageNamer namer({local_, roaming_, L"", L"", L""}, copies_);
    ExpectNoCopyLeft();
    const std::wstring chrome = PlaceChrome();
    const std::wstring cache = chrome + L"\\User Data\\Profile 1\\Cache\\Cache_Data";
    const history::PageQuestion question{cache, false, "http://site-one.test", "", 0};
    EXPECT_EQ(namer.NameFor(question).title, L"Video from site-one.test") << "no time, no visit";
    int folders = 0;
    for (int i = 0; i < 3; ++i) {
        history::PageQuestion timed = question;
        timed.fetchedAt = 2000000000;
        namer.NameFor(timed);
        folders = 0;
        WIN32_FIND_DATAW entry;
        platform::UniqueFind find(FindFirstFileW((copies_ + L"*").c_str(), &entry));
        do {
            if (entry.cFileName[0] != L'.') ++folders;
        } while (find && FindNextFileW(find.get(), &entry));
    }
    EXPECT_EQ(folders, 1);
    namer.EndPass();
    namer.WaitForDeletions();
    ExpectNoCopyLeft();
}

}  // namespace
}  // namespace capture
