// Where a clip was watched: the page's site from the cache key, the page from the history
// that Debian's chromium and firefox-esr wrote (tests/data/page-names), read through SQLite.
#include "capture/CacheReaders.h"
#include "capture/MediaStreams.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryFiles.h"
#include "history/PageSite.h"
#include "platform/HtmlText.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace history {

// Read by the test framework when a comparison fails.
void PrintTo(const HistoryFile& file, std::ostream* out) {
    *out << testing::PrintToString(file.path) << (file.kind == HistoryKind::Firefox ? " (Firefox)" : " (Chromium)");
}

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(REELKEEP_TEST_DATA) / "page-names";

TEST(PageSite, TopFrameSiteOfEachKindOfKey) {
    const struct {
        const char* key;
        std::optional<Site> site;
    } cases[] = {
        {"1/0/_dk_http://site-one.test http://site-one.test http://media.test:40391/media/one.mp4",
         Site{"http", "site-one.test"}},
        {"1/0/_dk_cn_https://Example.COM https://example.com https://example.com/", Site{"https", "example.com"}},
        {"Range_1/0/_dk_http://a.test http://a.test http://cdn.test/v.mp4:2fc0:0", Site{"http", "a.test"}},
        {"O^partitionKey=%28http%2Csite-one.test%29,:http://media.test:36229/media/one.mp4",
         Site{"http", "site-one.test"}},
        {"O^partitionKey=%28https%2Cexample.com%2C8443%29,a,:https://cdn.example/v.mp4", Site{"https", "example.com"}},
        {"O^partitionKey=example.com,:http://cdn.example/v.mp4", Site{"", "example.com"}},
        // Old caches, and sites that are no web sites.
        {"http://cdn.example/v.mp4", std::nullopt},
        {"1/0/http://cdn.example/v.mp4", std::nullopt},
        {"a,:http://cdn.example/v.mp4", std::nullopt},
        {"1/0/_dk_chrome-extension://abc chrome-extension://abc https://cdn/v.mp4", std::nullopt},
        {"O^partitionKey=%28file%2C%29,:http://cdn/v.mp4", std::nullopt},
        {"O^partitionKey=%28http,:http://cdn/v.mp4", std::nullopt},
        {":http://x/?partitionKey=%28http%2Cevil.test%29", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(TopFrameSiteOfKey(c.key), c.site) << c.key;
}

TEST(PageSite, AddressesOnASite) {
    const Site site{"http", "site.example"};
    const Site anyScheme{"", "site.example"};
    const struct {
        const char* url;
        const Site& site;
        bool on;
    } cases[] = {
        {"http://site.example/watch?v=1", site, true}, {"http://www.site.example:8080/a", site, true},
        {"http://user@SITE.example./a", site, true},   {"https://site.example/", site, false},
        {"https://site.example/", anyScheme, true},    {"http://notsite.example/", site, false},
        {"http://site.example.evil/", site, false},    {"http://evil/site.example", site, false},
        {"javascript:site.example", anyScheme, false}, {"site.example/page", anyScheme, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsOnSite(c.url, c.site), c.on) << c.url;
    EXPECT_EQ(VideoFromSiteTitle(site), L"Video from site.example");
    EXPECT_EQ(SiteOfText(SiteText(site)), site);
    EXPECT_EQ(SiteOfText(SiteText(anyScheme)), anyScheme);
}

TEST(HistoryFiles, EachBrowsersHistoryBesideOrApartFromItsCache) {
    const ProfileFolders folders{L"C:\\u\\AppData\\Local", L"C:\\u\\AppData\\Roaming", L"Z:\\home\\ann\\.cache",
                                 L"Z:\\home\\ann\\.config", L"Z:\\home\\ann"};
    using Files = std::vector<HistoryFile>;
    const auto chromium = HistoryKind::Chromium;
    const auto firefox = HistoryKind::Firefox;
    const struct {
        const wchar_t* cache;
        bool firefox;
        Files files;
    } cases[] = {
        {L"C:\\u\\AppData\\Local\\Microsoft\\Edge\\User Data\\Profile 1\\Cache\\Cache_Data",
         false,
         {{L"C:\\u\\AppData\\Local\\Microsoft\\Edge\\User Data\\Profile 1\\History", chromium},
          {L"C:\\u\\AppData\\Roaming\\Microsoft\\Edge\\User Data\\Profile 1\\History", chromium}}},
        {L"C:\\u\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Cache",
         false,
         {{L"C:\\u\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History", chromium},
          {L"C:\\u\\AppData\\Roaming\\Google\\Chrome\\User Data\\Default\\History", chromium}}},
        // Opera's profile roams; its cache does not.
        {L"C:\\u\\appdata\\local\\Opera Software\\Opera GX Stable\\Cache\\Cache_Data",
         false,
         {{L"C:\\u\\appdata\\local\\Opera Software\\Opera GX Stable\\History", chromium},
          {L"C:\\u\\AppData\\Roaming\\Opera Software\\Opera GX Stable\\History", chromium}}},
        {L"Z:\\home\\ann\\.cache\\chromium\\Default\\Cache\\Cache_Data",
         false,
         {{L"Z:\\home\\ann\\.cache\\chromium\\Default\\History", chromium},
          {L"Z:\\home\\ann\\.config\\chromium\\Default\\History", chromium}}},
        {L"C:\\u\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\x.default\\cache2",
         true,
         {{L"C:\\u\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x.default\\places.sqlite", firefox},
          {L"C:\\u\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\x.default\\places.sqlite", firefox}}},
        {L"Z:\\home\\ann\\.cache\\mozilla\\firefox\\x.default-esr\\cache2",
         true,
         {{L"Z:\\home\\ann\\.mozilla\\firefox\\x.default-esr\\places.sqlite", firefox},
          {L"Z:\\home\\ann\\.cache\\mozilla\\firefox\\x.default-esr\\places.sqlite", firefox}}},
        {L"cache2", true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HistoryFilesOfCache(c.cache, c.firefox, folders), c.files) << testing::PrintToString(c.cache);
}

// A scratch folder of its own per test, gone afterwards.
class ScratchCopy {
public:
    ScratchCopy() : folder_(fs::temp_directory_path() / ("reelkeep-history-" + std::to_string(getpid()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~ScratchCopy() { fs::remove_all(folder_); }
    fs::path Copy(const fs::path& from, const std::string& name) const {
        fs::copy_file(from, folder_ / name, fs::copy_options::overwrite_existing);
        return folder_ / name;
    }
    fs::path operator/(const std::string& name) const { return folder_ / name; }

private:
    fs::path folder_;
};

struct Browser {
    const char* name;
    const char* cache;  // under tests/data/page-names
    capture::CacheKind kind;
    const char* history;  // the same profile's history
};
const Browser kBrowsers[] = {
    {"chromium", "chromium/Profile 1/Cache/Cache_Data", capture::CacheKind::ChromiumBlockfile,
     "chromium/Profile 1/History"},
    {"firefox", "firefox/cache2", capture::CacheKind::Firefox, "firefox/places.sqlite"},
};

// Each video's page, as its stream's first piece and the history name it: two pages on one
// site get their own titles. Titles are cleaned as the library keeps them (the third page
// has a right-to-left override in its title).
TEST(HistoryDatabase, EachVideoIsNamedByItsOwnPageInEitherBrowser) {
    const std::map<std::string, std::pair<std::wstring, std::string>> expected = {
        {"one.mp4", {L"First test card & friends", "http://site-one.test:%/first.html"}},
        {"two.mp4", {L"Second test card", "http://site-one.test:%/second.html"}},
        {"three.mp4", {L"Third card reversed", "http://site-two.test:%/third.html"}},
    };
    for (const Browser& browser : kBrowsers) {
        SCOPED_TRACE(browser.name);
        ScratchCopy scratch;
        // Nothing beside the copy: read as a file that cannot change.
        const auto database = HistoryDatabase::Open(scratch.Copy(kData / browser.history, "History").string(), true);
        ASSERT_TRUE(database);
        const capture::DiskCacheFiles files(kData / browser.cache);
        std::map<std::string, std::pair<std::wstring, std::string>> named;
        for (const capture::MediaStream& stream :
             capture::GroupStreams(files, capture::ReadCache(files, browser.kind))) {
            if (!stream.url.ends_with(".mp4")) continue;  // the pages themselves
            const auto site = SiteOfText(stream.pageSite);
            ASSERT_TRUE(site) << stream.url;
            const auto visit = database->LastVisitOnSite(*site, stream.firstFetched);
            ASSERT_TRUE(visit) << stream.url;
            std::string page = visit->url;
            page.replace(page.find(':', 5) + 1, page.find('/', 8) - page.find(':', 5) - 1, "%");
            named[stream.url.substr(stream.url.rfind('/') + 1)] = {platform::PageTitleText(visit->title), page};
            // Outside the window there is no page: long before, or well after the visits.
            EXPECT_FALSE(database->LastVisitOnSite(*site, stream.firstFetched + 7 * 3600, {3600, 3}));
            const auto before = database->LastVisitOnSite(*site, visit->visitedAtMicroseconds / 1000000 - 5);
            EXPECT_TRUE(!before || before->url != visit->url);
            EXPECT_EQ(database->LastVisitOf(visit->url, stream.firstFetched)->title, visit->title);
        }
        EXPECT_EQ(named, expected);
    }
}

constexpr char kFirefoxLatest[] = "SELECT max(visit_date) / 1000000 FROM moz_historyvisits";
constexpr char kChromiumLatest[] = "SELECT max(visit_time) / 1000000 - 11644473600 FROM visits";

// The second of the latest visit in the database at `path`, read with SQLite directly.
std::int64_t LatestVisit(const fs::path& path, const char* sql) {
    sqlite3* db = nullptr;
    std::int64_t second = 0;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        second = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return second;
}

void Execute(sqlite3* db, const char* sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
}

// What a running browser leaves beside its database: Firefox's recent visits in the
// write-ahead log, and a rollback journal of a write Chromium was in the middle of. The
// copy of both files together reads as the database stands between writes.
TEST(HistoryDatabase, RecentVisitsInTheLogAndHalfWrittenChangesAreReadAsTheBrowserWouldSeeThem) {
    ScratchCopy scratch;
    // Firefox: a visit that only the log holds yet.
    const fs::path live = scratch.Copy(kData / "firefox/places.sqlite", "live.sqlite");
    sqlite3* firefox = nullptr;
    ASSERT_EQ(sqlite3_open(live.c_str(), &firefox), SQLITE_OK);
    Execute(firefox, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    Execute(firefox,
            "INSERT INTO moz_places (url, title, rev_host, hidden, guid, url_hash) VALUES "
            "('http://site-one.test/late.html', 'Watched later', 'tset.eno-etis.', 0, 'abcdefghijkl', 1);"
            "INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) SELECT id, "
            "(SELECT max(visit_date) FROM moz_historyvisits) + 60000000, 1 FROM moz_places "
            "WHERE url = 'http://site-one.test/late.html';");
    ASSERT_GT(fs::file_size(scratch / "live.sqlite-wal"), 0u);
    fs::copy_file(live, scratch / "copy.sqlite");
    fs::copy_file(scratch / "live.sqlite-wal", scratch / "copy.sqlite-wal");
    sqlite3_close(firefox);
    {
        const auto copy = HistoryDatabase::Open((scratch / "copy.sqlite").string());
        ASSERT_TRUE(copy);
        const auto visit = copy->LastVisitOnSite({"http", "site-one.test"}, LatestVisit(live, kFirefoxLatest));
        ASSERT_TRUE(visit);
        EXPECT_EQ(visit->title, L"Watched later") << "the visit in the log was not read";
    }

    // Chromium: a transaction that had written pages into the database when it was copied.
    const fs::path history = scratch.Copy(kData / "chromium/Profile 1/History", "History");
    sqlite3* chromium = nullptr;
    ASSERT_EQ(sqlite3_open(history.c_str(), &chromium), SQLITE_OK);
    Execute(chromium, "PRAGMA journal_mode=DELETE; PRAGMA cache_size=1; BEGIN;");
    Execute(chromium, "UPDATE urls SET title = 'Half written ' || hex(randomblob(4000));");
    Execute(chromium,
            "CREATE TABLE filler(x); INSERT INTO filler SELECT randomblob(3000) FROM "
            "(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<200) SELECT i FROM n);");
    ASSERT_TRUE(fs::exists(scratch / "History-journal"));
    fs::copy_file(history, scratch / "Held");
    fs::copy_file(scratch / "History-journal", scratch / "Held-journal");
    Execute(chromium, "ROLLBACK;");
    sqlite3_close(chromium);
    const auto held = HistoryDatabase::Open((scratch / "Held").string());
    ASSERT_TRUE(held);
    const auto visit = held->LastVisitOnSite({"http", "site-one.test"}, LatestVisit(history, kChromiumLatest));
    ASSERT_TRUE(visit) << "the copy with its journal was not read";
    EXPECT_EQ(visit->title, L"Second test card") << "the half-written change was not rolled back in the copy";
}

// Missing, empty, damaged, or no history at all: nothing to read, and no failure.
TEST(HistoryDatabase, FilesThatAreNoHistoryOpenAsNothing) {
    ScratchCopy scratch;
    std::ofstream(scratch / "empty").close();
    std::ofstream(scratch / "text") << "not a database at all, but long enough to look like one perhaps";
    const fs::path damaged = scratch.Copy(kData / "chromium/Profile 1/History", "damaged");
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(0);
        file.write("SQLite format 2\0", 16);
    }
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((scratch / "other").c_str(), &other), SQLITE_OK);
    Execute(other, "CREATE TABLE notes(x);");
    sqlite3_close(other);
    for (const char* name : {"missing", "empty", "text", "damaged", "other"})
        EXPECT_FALSE(HistoryDatabase::Open((scratch / name).string())) << name;
}

}  // namespace
}  // namespace history
