// The cache readers over caches that real browsers wrote (tests/data/browser-caches,
// made by make-caches.sh): each played or fetched file comes back byte for byte.
#include "capture/CacheReaders.h"
#include "capture/BrowserCacheFolders.h"
#include "capture/StoredDigests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <span>

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
    bool digests;  // the layout stores a digest for every piece of a body
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
        for (const BodyRange& range : response->body) EXPECT_EQ(range.digest.has_value(), GetParam().digests);
        EXPECT_EQ(CheckStoredDigests(files, response->body), DigestCheck::Hold);
        EXPECT_EQ(CheckStoredDigests(files, response->otherDigests), DigestCheck::Hold);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Browsers, RealCaches,
    testing::Values(CacheCase{"chromium-blockfile/Cache_Data", false, CacheKind::ChromiumBlockfile, false},
                    CacheCase{"chromium-simple/Cache_Data", false, CacheKind::ChromiumSimple, true},
                    CacheCase{"firefox/cache2", true, CacheKind::Firefox, true}),
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

// A copy of a test cache in a folder of its own, removed with the object.
class CacheCopy {
public:
    explicit CacheCopy(const char* folder)
        : path_(std::filesystem::temp_directory_path() /
                ("reelkeep-digests-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
        std::filesystem::copy(kData / folder, path_, std::filesystem::copy_options::recursive);
    }
    ~CacheCopy() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

    // Turns the bits of one stored byte.
    void Flip(const std::string& name, std::uint64_t offset) const {
        std::fstream file(path_ / name, std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(static_cast<std::streamoff>(offset));
        const int byte = file.get();
        file.seekp(static_cast<std::streamoff>(offset));
        file.put(static_cast<char>(byte ^ 0xff));
    }

private:
    std::filesystem::path path_;
};

// One byte damaged in the middle of a stored video: its digest no longer holds, and every
// other response's still does.
TEST(StoredDigests, AByteDamagedInABodyFailsThatBodysDigestOnly) {
    const std::pair<const char*, CacheKind> caches[] = {{"chromium-simple/Cache_Data", CacheKind::ChromiumSimple},
                                                        {"firefox/cache2", CacheKind::Firefox}};
    for (const auto& [folder, kind] : caches) {
        for (const char* damaged : {"big.mp4", "tail.mp4", "clip.flv"}) {
            SCOPED_TRACE(std::string(folder) + " " + damaged);
            const CacheCopy copy(folder);
            {
                const auto responses = ReadCache(DiskCacheFiles(copy.path()), kind);
                const CachedResponse* victim = FindByName(responses, damaged);
                ASSERT_NE(victim, nullptr);
                const BodyRange& middle = victim->body[victim->body.size() / 2];
                copy.Flip(middle.file, middle.offset + middle.length / 2);
            }
            const DiskCacheFiles files(copy.path());
            const auto responses = ReadCache(files, kind);
            for (const char* name : {"big.mp4", "tail.mp4", "clip.webm", "clip.flv"}) {
                const CachedResponse* response = FindByName(responses, name);
                ASSERT_NE(response, nullptr) << name;
                const DigestCheck expected = std::string(name) == damaged ? DigestCheck::Fail : DigestCheck::Hold;
                EXPECT_EQ(CheckStoredDigests(files, response->body), expected) << name;
            }
        }
    }
}

// The digests come out the same however the bytes arrive: a group of twelve split over
// two pieces, pieces of one byte, pieces longer than a group.
TEST(StoredDigests, BytesInPiecesOfAnySizeGiveTheDigestOfTheWhole) {
    std::vector<std::uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + (i >> 3));
    for (const DigestKind kind : {DigestKind::Crc32, DigestKind::FirefoxChunk}) {
        for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{11}, std::size_t{12},
                                         std::size_t{13}, std::size_t{24}, std::size_t{1000}}) {
            const std::span<const std::uint8_t> whole(bytes.data(), length);
            for (const std::size_t piece : {1, 5, 7, 12, 13, 100}) {
                DigestAccumulator digest(kind);
                for (std::size_t at = 0; at < length; at += piece)
                    digest.Add(whole.subspan(at, std::min(piece, length - at)));
                EXPECT_EQ(digest.Value(), DigestOf(kind, whole)) << length << " in pieces of " << piece;
            }
        }
    }
    // The bytes after the last whole group of twelve count.
    EXPECT_NE(DigestOf(DigestKind::FirefoxChunk, std::span(bytes.data(), 12)),
              DigestOf(DigestKind::FirefoxChunk, std::span(bytes.data(), 13)));
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
