// The cache readers over caches that real browsers wrote (tests/data/browser-caches,
// made by make-caches.sh): each played or fetched file comes back byte for byte.
#include "capture/CacheReaders.h"
#include "capture/LinuxCaches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace capture {
namespace {

const std::filesystem::path kData = std::filesystem::path(REELKEEP_TEST_DATA) / "browser-caches";

std::vector<std::uint8_t> Served(const std::string& name) {
    const std::filesystem::path path = kData / "media" / name;
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return bytes;
}

const CachedResponse* FindByName(const std::vector<CachedResponse>& responses, const std::string& name) {
    const auto found = std::find_if(responses.begin(), responses.end(),
                                    [&](const CachedResponse& r) { return r.url.ends_with("/media/" + name); });
    return found == responses.end() ? nullptr : &*found;
}

struct CacheCase {
    const char* folder;
    bool cache2;
    CacheKind kind;
};

class RealCaches : public testing::TestWithParam<CacheCase> {};

TEST_P(RealCaches, EveryServedFileComesBackWholeAndByteForByte) {
    const DiskCacheFiles files(kData / GetParam().folder);
    ASSERT_EQ(DetectCacheKind(files, GetParam().cache2), GetParam().kind);
    const std::vector<CachedResponse> responses = ReadCache(files, GetParam().kind);
    const std::pair<const char*, const char*> media[] = {
        {"big.mp4", "video/mp4"}, {"tail.mp4", "video/mp4"}, {"clip.webm", "video/webm"}, {"clip.flv", "video/x-flv"}};
    for (const auto& [name, type] : media) {
        SCOPED_TRACE(name);
        const CachedResponse* response = FindByName(responses, name);
        ASSERT_NE(response, nullptr);
        const std::vector<std::uint8_t> served = Served(name);
        EXPECT_EQ(response->state, BodyState::Whole);
        EXPECT_TRUE(response->url.starts_with("http://127.0.0.1:")) << response->url;
        EXPECT_EQ(response->contentType, type);
        EXPECT_EQ(response->totalLength, served.size());
        EXPECT_FALSE(response->ownFiles.empty());
        EXPECT_TRUE(ReadBody(files, *response) == served);
    }
}

INSTANTIATE_TEST_SUITE_P(Browsers, RealCaches,
                         testing::Values(CacheCase{"chromium-blockfile/Cache_Data", false,
                                                   CacheKind::ChromiumBlockfile},
                                         CacheCase{"chromium-simple/Cache_Data", false, CacheKind::ChromiumSimple},
                                         CacheCase{"firefox/cache2", true, CacheKind::Firefox}),
                         [](const auto& info) {
                             return std::string(info.param.kind == CacheKind::Firefox          ? "Firefox"
                                                : info.param.kind == CacheKind::ChromiumSimple ? "Simple"
                                                                                               : "Blockfile");
                         });

TEST(RealCaches, BlockfileRangeVideoIsItsThreePiecesInOrder) {
    const DiskCacheFiles files(kData / "chromium-blockfile/Cache_Data");
    const auto responses = ReadCache(files, CacheKind::ChromiumBlockfile);
    const CachedResponse* big = FindByName(responses, "big.mp4");
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(big->body.size(), 3u);
    EXPECT_EQ(big->ownFiles.size(), 3u);
    EXPECT_EQ(big->body[0].length, 1u << 20);
    EXPECT_EQ(big->body[1].length, 1u << 20);
    // The first piece alone probes as a video; it must never stand for the whole.
    EXPECT_NE(big->body[0].file, big->body[1].file);
}

TEST(RealCaches, HalfPlayedVideoIsIncompleteUntilTheSecondRunFetchedTheRest) {
    const DiskCacheFiles first(kData / "chromium-half/first-run/Cache_Data");
    const DiskCacheFiles second(kData / "chromium-half/second-run/Cache_Data");
    const auto before = ReadCache(first, CacheKind::ChromiumSimple);
    const auto after = ReadCache(second, CacheKind::ChromiumSimple);
    const CachedResponse* half = FindByName(before, "big.mp4");
    const CachedResponse* whole = FindByName(after, "big.mp4");
    ASSERT_NE(half, nullptr);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(half->state, BodyState::Incomplete);
    EXPECT_EQ(half->totalLength, Served("big.mp4").size());
    EXPECT_EQ(whole->state, BodyState::Whole);
    EXPECT_EQ(whole->ownFiles, half->ownFiles) << "the second run must complete the same entry";
    EXPECT_TRUE(ReadBody(second, *whole) == Served("big.mp4"));
}

TEST(HttpHead, StatusTotalLengthAndTypeWhicheverSeparatorTheCacheUsed) {
    using namespace std::string_literals;
    struct Case {
        std::string raw;
        int status;
        std::uint64_t total;
        const char* type;
    };
    const Case cases[] = {
        {"HTTP/1.1 206 Partial Content\0Content-Range: bytes 0-99/2323783\0Content-Type: video/mp4\0\0"s, 206, 2323783,
         "video/mp4"},
        {"HTTP/1.1 200 OK\r\ncontent-length: 42\r\nCONTENT-TYPE: video/webm; codecs=vp8\r\n"s, 200, 42, "video/webm"},
        {"HTTP/1.1 206 Partial Content\0Content-Range: bytes 0-99/*\0Content-Length: 100\0"s, 206, 0, ""},
        {"HTTP/1.1 200 OK\0Content-Length: 12x\0"s, 200, 0, ""},
        {"HTTP/1.1 304 Not Modified\0Content-Length: 5\0"s, 304, 0, ""},
        {"garbage\0Content-Length: 5\0"s, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        const HttpHead head(c.raw);
        EXPECT_EQ(head.status(), c.status);
        EXPECT_EQ(head.TotalLength(), c.total);
        EXPECT_EQ(head.ContentType(), c.type);
    }
}

TEST(LinuxCaches, XdgCacheHomeThenHomeThenWinesHomeFolder) {
    struct Case {
        const wchar_t* xdg;
        const wchar_t* home;
        const wchar_t* wineHome;
        const wchar_t* firstChrome;  // empty: no folder at all
    };
    const Case cases[] = {
        {L"/tmp/xdg/", L"/home/ann", L"", L"Z:\\tmp\\xdg\\chromium\\*"},
        {L"relative", L"/home/ann", L"", L"Z:\\home\\ann\\.cache\\chromium\\*"},
        {L"", L"", L"\\??\\Z:\\home\\ann", L"Z:\\home\\ann\\.cache\\chromium\\*"},
        {L"", L"", L"", L""},
    };
    for (const Case& c : cases) {
        const LinuxCacheFolders folders = LinuxBrowserCaches(c.xdg, c.home, c.wineHome);
        if (*c.firstChrome == 0) {
            EXPECT_TRUE(folders.chrome.empty() && folders.firefox.empty());
            continue;
        }
        ASSERT_EQ(folders.chrome.size(), 4u);
        EXPECT_EQ(folders.chrome.front(), c.firstChrome);
        ASSERT_EQ(folders.firefox.size(), 1u);
        EXPECT_TRUE(folders.firefox.front().ends_with(L"\\mozilla\\firefox\\*"));
    }
}

}  // namespace
}  // namespace capture
