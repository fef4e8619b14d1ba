// Capture from caches that Debian's chromium and firefox-esr wrote (tests/data/browser-
// caches): under the Windows Chrome and Firefox paths and, under Wine, in the Linux
// user's cache folder. Every clip must be byte for byte the file the server sent.
#include "capture/CacheReaders.h"
#include "capture/CacheWatcher.h"
#include "capture/BrowserCacheFolders.h"
#include "intake/ClipReport.h"
#include "intake/ToolCommand.h"
#include "capture/StreamIntake.h"
#include "platform/ProcessRunner.h"
#include "probe/MediaProbe.h"
#include "titles/FallbackTitleStore.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "support/FileBytes.h"
#include "support/FolderTrees.h"
#include "support/ScratchFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace capture {
namespace {

using testing_support::BinFolder;
using testing_support::CopyTree;
using testing_support::MakeFolders;
using testing_support::ScratchFolder;

const std::wstring kData = BinFolder() + L"browser-caches\\";
const wchar_t* const kServed[] = {L"big.mp4", L"tail.mp4", L"clip.webm", L"clip.flv"};

std::string ReadAll(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char block[65536];
    DWORD read = 0;
    while (file && ReadFile(file.get(), block, sizeof block, &read, nullptr) && read > 0) bytes.append(block, read);
    return bytes;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return {};
    char* unixPath = convert(windowsPath.c_str());
    std::string result = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// The files under `folder`, at any depth, that carry a marker.
std::vector<std::wstring> MarkedFilesUnder(const std::wstring& folder) {
    std::vector<std::wstring> marked;
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return marked;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (std::wstring& inner : MarkedFilesUnder(path)) marked.push_back(std::move(inner));
        } else if (titles::ReadTitle(path) != titles::kTitleNotSet) {
            marked.push_back(path);
        }
    } while (FindNextFileW(find.get(), &entry));
    return marked;
}

// Each test cache as its browser leaves it, placed under the Windows path that browser uses.
struct BrowserCache {
    const char* name;
    const wchar_t* fixture;  // under tests/data/browser-caches
    CacheKind kind;
};
const BrowserCache kBrowserCaches[] = {
    {"blockfile", L"chromium-blockfile\\Cache_Data", CacheKind::ChromiumBlockfile},
    {"simple", L"chromium-simple\\Cache_Data", CacheKind::ChromiumSimple},
    {"firefox", L"firefox\\cache2", CacheKind::Firefox},
};

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The cache file `name` (relative, '/' between folders) of the cache in `folder`.
std::wstring CacheFilePath(const std::wstring& folder, const std::string& name) {
    std::wstring path = folder + L"\\" + Widen(name);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The response of the served file `name` as the readers find it in `folder`.
CachedResponse ResponseNamed(const std::wstring& folder, CacheKind kind, const std::string& name) {
    for (CachedResponse& response : ReadCache(DiskCacheFiles(folder), kind))
        if (response.url.ends_with("/media/" + name)) return std::move(response);
    ADD_FAILURE() << "no response for " << name;
    return {};
}

// Turns the bits of one byte of a file, as damage on disk would.
void FlipByte(const std::wstring& path, std::uint64_t offset) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    unsigned char byte = 0;
    DWORD done = 0;
    ASSERT_TRUE(SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(ReadFile(file.get(), &byte, 1, &done, nullptr) && done == 1);
    byte ^= 0xff;
    ASSERT_TRUE(SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(file.get(), &byte, 1, &done, nullptr) && done == 1);
}

class BrowserCacheCapture : public testing::Test {
protected:
    void SetUp() override {
        titles::UseTitleStoreAt(scratch_.path() + L"titles.log");
        library_ = scratch_.path() + L"Videos\\";
        MakeFolders(library_);
        context_.libraryFolder = library_;
        context_.ffmpegPath = BinFolder() + L"ffmpeg.exe";
        context_.numbers = &numbers_;
        context_.clipAdded = [this](const library::ArrivedClip& clip) { added_.push_back(clip.path); };
        context_.clipGrown = [this](const library::ArrivedClip& clip) {
            grown_.push_back(clip.path);
            grownDurations_.push_back(clip.fields.duration);
        };
        context_.now = [this] { return now_; };
    }

    struct Probed {
        bool video = false;
        bool audio = false;
        double seconds = -1;
    };
    Probed Probe(const std::wstring& path) const {
        const intake::ClipReport report = intake::ReadClipReport(probe::ProbeMedia(path, context_.ffmpegPath).report);
        return {report.video, report.audio, report.seconds.value_or(-1)};
    }

    // Decoding the whole clip prints nothing at the error level.
    std::wstring DecodeErrors(const std::wstring& clip) const {
        return platform::RunAndCapture(L"\"" + context_.ffmpegPath + L"\" -nostdin -v error -i \"" + clip +
                                           L"\" -c:v rawvideo -c:a pcm_s16le -f null -",
                                       std::chrono::seconds(120))
            .text;
    }

    // The longer of two served streams, as the same tool reads them.
    double LongerOf(const wchar_t* video, const wchar_t* audio) const {
        const std::wstring streams = kData + L"media\\streams\\";
        return std::max(Probe(streams + video).seconds, Probe(streams + audio).seconds);
    }

    // Each new clip has picture and sound, decodes cleanly, and lasts as long as the longer
    // of the two streams it was joined from; returns the clips' extensions.
    std::multiset<std::wstring> ExpectJoinedClips() const {
        std::multiset<std::wstring> extensions;
        const double h264 = LongerOf(L"h264.mp4", L"aac.mp4");
        const double vp9 = LongerOf(L"vp9.webm", L"opus.webm");
        for (const std::wstring& clip : added_) {
            SCOPED_TRACE(testing::PrintToString(clip));
            const Probed streams = Probe(clip);
            EXPECT_TRUE(streams.video && streams.audio);
            const std::wstring extension = clip.substr(clip.rfind(L'.'));
            extensions.insert(extension);
            EXPECT_NEAR(streams.seconds, extension == L".mp4" ? h264 : vp9, 0.1);
            EXPECT_EQ(DecodeErrors(clip), L"");
            EXPECT_TRUE(titles::ReadSourceUrl(clip).starts_with(L"http://127.0.0.1:"));
        }
        return extensions;
    }

    // A copy of a test cache as Chrome's default profile keeps it; returns Chrome's folder.
    std::wstring ChromeCacheFrom(const wchar_t* testCache) {
        const std::wstring chrome = scratch_.path() + L"Local\\Google\\Chrome";
        EXPECT_TRUE(CopyTree(kData + testCache, ChromeCacheIn(chrome))) << "test data missing";
        return chrome;
    }
    static std::wstring ChromeCacheIn(const std::wstring& chrome) {
        return chrome + L"\\User Data\\Default\\Cache\\Cache_Data";
    }

    CacheWatcher Watcher(CacheRoots roots) {
        return CacheWatcher({&off_, &on_, &on_, &off_}, std::move(roots), context_);
    }

    // The served file each new clip is, by name; "?" for a clip that is none of them.
    std::multiset<std::wstring> ClipsByServedName() const {
        std::map<std::string, std::wstring> served;
        for (const wchar_t* name : kServed) served[ReadAll(kData + L"media\\" + name)] = name;
        std::multiset<std::wstring> names;
        for (const std::wstring& clip : added_) {
            const auto found = served.find(ReadAll(clip));
            names.insert(found == served.end() ? L"?" : found->second);
        }
        return names;
    }

    void ExpectEachServedFileOnce() {
        EXPECT_EQ(ClipsByServedName(), std::multiset<std::wstring>(std::begin(kServed), std::end(kServed)));
        for (const std::wstring& clip : added_) {
            const std::wstring url = titles::ReadSourceUrl(clip);
            EXPECT_TRUE(url.starts_with(L"http://127.0.0.1:") && url.find(L"/media/") != std::wstring::npos)
                << testing::PrintToString(url);
        }
    }

    // Copies `cache` into a folder of its own, with a library of its own, and returns the
    // roots that watch it; `folder` receives the cache folder itself.
    CacheRoots Place(const BrowserCache& cache, std::wstring& folder) {
        const std::wstring root = scratch_.path() + std::wstring(cache.name, cache.name + std::strlen(cache.name));
        library_ = root + L"\\Videos\\";
        MakeFolders(library_);
        context_.libraryFolder = library_;
        added_.clear();
        const bool firefox = cache.kind == CacheKind::Firefox;
        const std::wstring browser = root + (firefox ? L"\\Local\\Mozilla\\Firefox" : L"\\Local\\Google\\Chrome");
        folder = browser + (firefox ? L"\\Profiles\\test.default\\cache2" : L"\\User Data\\Default\\Cache\\Cache_Data");
        EXPECT_TRUE(CopyTree(kData + cache.fixture, folder)) << "test data missing";
        if (firefox) return {L"", browser + L"\\*", {}, {}, {}, {}};
        return {L"", L"", {browser + L"\\*"}, {}, {}, {}};
    }

    ScratchFolder scratch_{L"browser-caches"};
    std::wstring library_;
    IntakeContext context_;
    MovieNumbers numbers_;
    std::vector<std::wstring> added_;
    std::vector<std::wstring> grown_;
    std::vector<std::wstring> grownDurations_;
    std::int64_t now_ = 1765242000;
    std::atomic<bool> on_{true}, off_{false};
};

TEST_F(BrowserCacheCapture, BlockfileCacheUnderTheWindowsChromePathGivesFourWholeClipsOnce) {
    const std::wstring chrome = ChromeCacheFrom(L"chromium-blockfile\\Cache_Data");
    const std::wstring cache = ChromeCacheIn(chrome);
    CacheWatcher watcher = Watcher({L"", L"", {chrome + L"\\*"}, {}, {}, {}});

    watcher.RunPass();
    ExpectEachServedFileOnce();
    // The pieces of the range-played video carry the marker; none was taken alone.
    for (const wchar_t* piece : {L"f_000001", L"f_000002", L"f_000003", L"f_000006"})
        EXPECT_EQ(titles::ReadTitle(cache + L"\\" + piece), titles::kTitleFlv) << piece;

    // Nothing new: a second pass, and a new watcher that knows only the markers, add nothing.
    watcher.RunPass();
    Watcher({L"", L"", {chrome + L"\\*"}, {}, {}, {}}).RunPass();
    EXPECT_EQ(added_.size(), 4u);
}

TEST_F(BrowserCacheCapture, FirefoxEntriesGiveTheServedFilesWithoutTheirMetadata) {
    const std::wstring firefox = scratch_.path() + L"Local\\Mozilla\\Firefox";
    ASSERT_TRUE(CopyTree(kData + L"firefox\\cache2", firefox + L"\\Profiles\\test.default\\cache2"))
        << "test data missing";
    Watcher({L"", firefox + L"\\*", {}, {}, {}, {}}).RunPass();
    ExpectEachServedFileOnce();
}

// Under Wine the Linux user's caches are walked: $XDG_CACHE_HOME/chromium here.
TEST_F(BrowserCacheCapture, SimpleCacheInTheLinuxCacheHomeUnderWine) {
    const std::string unixScratch = UnixPathOf(scratch_.path() + L"xdg");
    ASSERT_FALSE(unixScratch.empty()) << "not under Wine";
    ASSERT_TRUE(CopyTree(kData + L"chromium-simple\\Cache_Data",
                         scratch_.path() + L"xdg\\chromium\\Default\\Cache\\Cache_Data"))
        << "test data missing";
    SetEnvironmentVariableW(L"XDG_CACHE_HOME", std::wstring(unixScratch.begin(), unixScratch.end()).c_str());
    CacheRoots roots = DefaultCacheRoots();
    SetEnvironmentVariableW(L"XDG_CACHE_HOME", nullptr);
    ASSERT_EQ(roots.linuxChrome.size(), 4u);
    Watcher({L"", L"", {}, {}, roots.linuxFirefox, roots.linuxChrome}).RunPass();
    ExpectEachServedFileOnce();
}

TEST_F(BrowserCacheCapture, HalfPlayedVideoIsLeftUnmarkedUntilTheRestArrives) {
    const std::wstring chrome = ChromeCacheFrom(L"chromium-half\\first-run\\Cache_Data");
    const std::wstring cache = ChromeCacheIn(chrome);
    CacheWatcher watcher = Watcher({L"", L"", {chrome + L"\\*"}, {}, {}, {}});
    const std::wstring entry = cache + L"\\d6ae70f1c79f77a1_0";

    watcher.RunPass();
    watcher.RunPass();
    EXPECT_TRUE(added_.empty());
    EXPECT_EQ(titles::ReadTitle(entry), titles::kTitleNotSet);

    ASSERT_TRUE(CopyTree(kData + L"chromium-half\\second-run\\Cache_Data", cache)) << "test data missing";
    watcher.RunPass();
    EXPECT_EQ(ClipsByServedName(), std::multiset<std::wstring>{L"big.mp4"});
    EXPECT_EQ(titles::ReadTitle(entry), titles::kTitleFlv);
}

// Segmented playback: a video stream and an audio stream, each an init segment and a piece
// per second, fetched once with query ranges and once with Range headers per codec pair.
TEST_F(BrowserCacheCapture, EachPlaybackInEdgesSecondProfileIsOneClipWithPictureAndSound) {
    const std::wstring local = scratch_.path() + L"Local";
    ASSERT_TRUE(CopyTree(kData + L"streams-blockfile\\Cache_Data",
                         local + L"\\Microsoft\\Edge\\User Data\\Profile 1\\Cache\\Cache_Data"))
        << "test data missing";
    CacheWatcher watcher = Watcher({L"", L"", WindowsBrowserCaches(local).chrome, {}, {}, {}});

    watcher.RunPass();
    EXPECT_EQ(ExpectJoinedClips(), (std::multiset<std::wstring>{L".mp4", L".mp4", L".webm", L".webm"}));

    // Nothing new: later passes, and a new watcher that has only the record, add nothing.
    now_ += 3600;
    watcher.RunPass();
    Watcher({L"", L"", WindowsBrowserCaches(local).chrome, {}, {}, {}}).RunPass();
    EXPECT_EQ(added_.size(), 4u);
    EXPECT_TRUE(grown_.empty());
}

TEST_F(BrowserCacheCapture, PlaybacksInTheLinuxSimpleCacheAndInFirefoxAreClipsWithSound) {
    const std::string unixScratch = UnixPathOf(scratch_.path() + L"xdg");
    ASSERT_FALSE(unixScratch.empty()) << "not under Wine";
    ASSERT_TRUE(
        CopyTree(kData + L"streams-simple\\Cache_Data", scratch_.path() + L"xdg\\chromium\\Default\\Cache\\Cache_Data"))
        << "test data missing";
    ASSERT_TRUE(
        CopyTree(kData + L"streams-firefox\\cache2", scratch_.path() + L"xdg\\mozilla\\firefox\\test.default\\cache2"))
        << "test data missing";
    SetEnvironmentVariableW(L"XDG_CACHE_HOME", std::wstring(unixScratch.begin(), unixScratch.end()).c_str());
    CacheRoots roots = DefaultCacheRoots();
    SetEnvironmentVariableW(L"XDG_CACHE_HOME", nullptr);
    Watcher({L"", L"", {}, {}, roots.linuxFirefox, roots.linuxChrome}).RunPass();
    // Firefox keeps nothing of a playback fetched with Range headers.
    EXPECT_EQ(ExpectJoinedClips(),
              (std::multiset<std::wstring>{L".mp4", L".mp4", L".mp4", L".webm", L".webm", L".webm"}));
}

TEST_F(BrowserCacheCapture, StoppedPlaybackBecomesAClipOnceSettledAndTheSameClipGrowsLater) {
    const std::wstring chrome = ChromeCacheFrom(L"streams-half\\first-run\\Cache_Data");
    CacheWatcher watcher = Watcher({L"", L"", {chrome + L"\\*"}, {}, {}, {}});

    watcher.RunPass();
    now_ += kStreamSettleSeconds - 1;
    watcher.RunPass();
    EXPECT_TRUE(added_.empty()) << "a clip before the stream settled";
    now_ += 1;
    watcher.RunPass();
    ASSERT_EQ(added_.size(), 1u);
    const std::wstring clip = added_.front();
    const Probed half = Probe(clip);
    EXPECT_TRUE(half.video && half.audio);
    EXPECT_NEAR(half.seconds, 7.5, 1.0);
    EXPECT_TRUE(clip.ends_with(L".webm"));
    titles::WriteTitle(clip, L"Half a test card");
    const auto createdOf = [](const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        return (static_cast<std::uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
               data.ftCreationTime.dwLowDateTime;
    };
    const std::uint64_t created = createdOf(clip);

    ASSERT_TRUE(CopyTree(kData + L"streams-half\\second-run\\Cache_Data", ChromeCacheIn(chrome)))
        << "test data missing";
    now_ += 5;
    watcher.RunPass();
    EXPECT_EQ(added_.size(), 1u) << "listed twice";
    ASSERT_EQ(grown_, std::vector<std::wstring>{clip});
    EXPECT_EQ(grownDurations_, std::vector<std::wstring>{probe::ProbeMedia(clip, context_.ffmpegPath).fields.duration})
        << "the row is given the grown clip's probe";
    const Probed whole = Probe(clip);
    EXPECT_TRUE(whole.video && whole.audio);
    EXPECT_NEAR(whole.seconds, LongerOf(L"vp9.webm", L"opus.webm"), 0.1);
    EXPECT_EQ(titles::ReadTitle(clip), L"Half a test card");
    EXPECT_EQ(createdOf(clip), created) << "the clip's date of view moved";
    EXPECT_EQ(DecodeErrors(clip), L"");
}

TEST_F(BrowserCacheCapture, HlsPlaylistPlayedNativelyIsOneClipOfTheWholeDuration) {
    const std::wstring chrome = ChromeCacheFrom(L"hls-blockfile\\Cache_Data");
    Watcher({L"", L"", {chrome + L"\\*"}, {}, {}, {}}).RunPass();
    ASSERT_EQ(added_.size(), 1u) << "one clip per segment";
    const Probed streams = Probe(added_.front());
    EXPECT_TRUE(streams.video && streams.audio);
    EXPECT_NEAR(streams.seconds, 12.0, 0.2);
    EXPECT_TRUE(added_.front().ends_with(L".mp4"));
    EXPECT_EQ(DecodeErrors(added_.front()), L"");
}

// A tool that cannot run gives no verdict on any entry of any layout: nothing is marked,
// and the same watcher takes every video once the tool works again and the pause after a
// failed intake has passed.
TEST_F(BrowserCacheCapture, ABrokenToolMarksNoEntryAndTheMendedToolTakesThemAll) {
    const std::wstring tool = scratch_.path() + L"ffmpeg.exe";
    context_.ffmpegPath = tool;
    for (const BrowserCache& cache : kBrowserCaches) {
        SCOPED_TRACE(cache.name);
        ASSERT_TRUE(testing_support::WriteFileBytes(tool, "This file cannot run."));
        std::wstring folder;
        CacheWatcher watcher = Watcher(Place(cache, folder));
        watcher.RunPass();
        watcher.RunPass();
        EXPECT_TRUE(added_.empty());
        EXPECT_EQ(MarkedFilesUnder(folder), std::vector<std::wstring>{});

        ASSERT_TRUE(CopyFileW((BinFolder() + L"ffmpeg.exe").c_str(), tool.c_str(), FALSE));
        now_ += kFailedStreamRetrySeconds;
        watcher.RunPass();
        ExpectEachServedFileOnce();
    }
}

// A stored video with one byte damaged on disk fails the digest its browser stored: it is
// neither captured nor marked, and once the browser has written it anew the same watcher
// takes it. Block files store no digests.
TEST_F(BrowserCacheCapture, DamagedVideoIsPassedOverUntilTheBrowserWritesItAgain) {
    for (const BrowserCache& cache : kBrowserCaches) {
        if (cache.kind == CacheKind::ChromiumBlockfile) continue;
        SCOPED_TRACE(cache.name);
        std::wstring folder;
        CacheWatcher watcher = Watcher(Place(cache, folder));
        const CachedResponse big = ResponseNamed(folder, cache.kind, "big.mp4");
        ASSERT_FALSE(big.body.empty());
        const BodyRange& middle = big.body[big.body.size() / 2];
        const std::wstring damaged = CacheFilePath(folder, middle.file);
        FlipByte(damaged, middle.offset + middle.length / 2);

        watcher.RunPass();
        watcher.RunPass();
        EXPECT_EQ(ClipsByServedName(), (std::multiset<std::wstring>{L"clip.flv", L"clip.webm", L"tail.mp4"}));
        for (const std::string& own : big.ownFiles)
            EXPECT_EQ(titles::ReadTitle(CacheFilePath(folder, own)), titles::kTitleNotSet) << own.c_str();

        ASSERT_TRUE(CopyFileW(CacheFilePath(kData + cache.fixture, middle.file).c_str(), damaged.c_str(), FALSE));
        watcher.RunPass();
        ExpectEachServedFileOnce();
    }
}

// A cache file that another program holds without sharing is read on a later pass, once
// it is let go: an entry's own file, or a block file that holds every entry's record.
TEST_F(BrowserCacheCapture, FileHeldWithoutSharingIsReadOnceItIsLetGo) {
    for (const BrowserCache& cache : kBrowserCaches) {
        SCOPED_TRACE(cache.name);
        std::wstring folder;
        CacheWatcher watcher = Watcher(Place(cache, folder));
        const std::string held = cache.kind == CacheKind::ChromiumBlockfile
                                     ? std::string("data_1")
                                     : ResponseNamed(folder, cache.kind, "big.mp4").ownFiles.front();
        {
            platform::UniqueFile holder(
                CreateFileW(CacheFilePath(folder, held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder.valid());
            watcher.RunPass();
            EXPECT_EQ(ClipsByServedName().count(L"big.mp4"), 0u);
        }
        watcher.RunPass();
        ExpectEachServedFileOnce();
    }
}

// ---- Real players' playbacks --------------------------------------------------------

// The lengths make-caches.sh measured for each playback (the longer of picture and sound).
std::map<std::wstring, double> PlayerExpectations() {
    std::map<std::wstring, double> expected;
    std::ifstream file(std::filesystem::path(kData + L"players-expected.txt"));
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with("#")) continue;
        std::istringstream fields(line);
        std::string name;
        double seconds = 0;
        if (fields >> name >> seconds) expected[Widen(name)] = seconds;
    }
    return expected;
}

// The playback a clip was made from: the folder of players/ its address names.
std::wstring PlaybackOf(const std::wstring& clip) {
    const std::wstring url = titles::ReadSourceUrl(clip);
    const std::size_t at = url.find(L"/players/");
    if (at == std::wstring::npos) return L"?";
    const std::size_t end = url.find(L'/', at + 9);
    return url.substr(at + 9, end == std::wstring::npos ? std::wstring::npos : end - at - 9);
}

class PlayerCacheCapture : public BrowserCacheCapture {
protected:
    // Two passes a minute apart: a player leaves out a last sliver of sound, so a stream
    // is whole only by its settling.
    std::map<std::wstring, std::wstring> CaptureFrom(const BrowserCache& cache) {
        std::wstring folder;
        CacheWatcher watcher = Watcher(Place(cache, folder));
        watcher.RunPass();
        now_ += kStreamSettleSeconds;
        watcher.RunPass();
        std::map<std::wstring, std::wstring> clips;
        for (const std::wstring& clip : added_)
            EXPECT_TRUE(clips.emplace(PlaybackOf(clip), clip).second)
                << "two clips of " << testing::PrintToString(clip);
        return clips;
    }

    // The hash of the sound packets of a file, as the tool copies them.
    std::wstring SoundHash(const std::wstring& file) const {
        const std::wstring text = platform::RunAndCapture(L"\"" + context_.ffmpegPath + L"\" -nostdin -v error -i \"" +
                                                              file + L"\" -map 0:a -c copy -f hash -hash md5 -",
                                                          std::chrono::seconds(60))
                                      .text;
        const std::size_t at = text.find(L"MD5=");
        return at == std::wstring::npos ? L"" : text.substr(at, 36);
    }

    // The sound a DASH playback's manifest names (init-1 and chunk-1-*), as the cache holds it.
    std::wstring CachedSoundHash(const BrowserCache& cache, const std::wstring& playback) const {
        const DiskCacheFiles files(kData + cache.fixture);
        std::map<std::string, std::vector<std::uint8_t>> parts;
        const std::string folder = "/players/" + std::string(playback.begin(), playback.end()) + "/";
        for (const CachedResponse& response : ReadCache(files, cache.kind)) {
            const std::size_t at = response.url.find(folder);
            if (at == std::string::npos) continue;
            const std::string name = response.url.substr(at + folder.size());
            if (name == "init-1.m4s" || name.starts_with("chunk-1-")) parts[name] = ReadBody(files, response);
        }
        std::string bytes;
        for (const char* first : {"init-1.m4s"})
            if (parts.count(first)) bytes.append(parts[first].begin(), parts[first].end());
        for (const auto& [name, body] : parts)
            if (name != "init-1.m4s") bytes.append(body.begin(), body.end());
        const std::wstring path = scratch_.path() + L"sound-" + playback + L".mp4";
        EXPECT_TRUE(testing_support::WriteFileBytes(path, bytes));
        return SoundHash(path);
    }
};

// hls.js, dash.js and shaka-player, unchanged from npm, in Chromium's two layouts and in
// Firefox, one run served as application/octet-stream throughout: one clip per playback,
// with picture and sound, of the played variant, as long as the longer of its streams,
// decoding cleanly, and in the container of its codecs.
TEST_F(PlayerCacheCapture, EachRealPlayersPlaybackIsOneWholeClipInEveryBrowser) {
    const std::map<std::wstring, double> expected = PlayerExpectations();
    const BrowserCache caches[] = {
        {"blockfile", L"players-blockfile\\Cache_Data", CacheKind::ChromiumBlockfile},
        {"simple", L"players-simple\\Cache_Data", CacheKind::ChromiumSimple},
        {"octet", L"players-octet\\Cache_Data", CacheKind::ChromiumSimple},
        {"firefox", L"players-firefox\\cache2", CacheKind::Firefox},
    };
    for (const BrowserCache& cache : caches) {
        SCOPED_TRACE(cache.name);
        const std::map<std::wstring, std::wstring> clips = CaptureFrom(cache);
        std::set<std::wstring> playbacks;
        for (const auto& [playback, clip] : clips) {
            SCOPED_TRACE(testing::PrintToString(clip));
            playbacks.insert(playback);
            const probe::MediaProbeResult probed = probe::ProbeMedia(clip, context_.ffmpegPath);
            const intake::ClipReport report = intake::ReadClipReport(probed.report);
            EXPECT_TRUE(report.video && report.audio);
            EXPECT_NEAR(report.seconds.value_or(-1), expected.at(playback), 0.1);
            EXPECT_EQ(probed.fields.resolution, L"320x240") << "not the played variant";
            EXPECT_TRUE(clip.ends_with(playback == L"shaka-webm" ? L".webm" : L".mp4"));
            // Decoding every frame costs seconds a clip: the clips of one layout are decoded,
            // the same joins of the others are the same bytes in other cache files.
            if (cache.kind == CacheKind::ChromiumBlockfile) {
                EXPECT_EQ(DecodeErrors(clip), L"");
            }
        }
        EXPECT_EQ(playbacks,
                  (std::set<std::wstring>{L"hls-ts", L"hls-fmp4", L"dash-number", L"dash-timeline", L"shaka-webm"}));
        EXPECT_EQ(clips.size(), added_.size());
    }
}

// The picture watched before the skip: its two-second segments cached one after another
// from the first.
double WatchedBeforeTheSkip(const BrowserCache& cache) {
    std::set<int> numbers;
    for (const CachedResponse& response : ReadCache(DiskCacheFiles(kData + cache.fixture), cache.kind)) {
        const std::size_t at = response.url.find("/players/skip/chunk-0-");
        if (at != std::string::npos) numbers.insert(std::atoi(response.url.c_str() + at + 22));
    }
    int watched = 0;
    while (numbers.contains(watched + 1)) ++watched;
    EXPECT_GT(numbers.size(), static_cast<std::size_t>(watched)) << "no skip in the playback";
    return 2.0 * watched;
}

// One site, at once: a muted picture beside a video with sound, and two videos with sound
// of the same length; a skip; an HLS stream two of whose segments no cache kept. With the
// manifests cached and with none: each video with sound is kept with its own sound, the
// muted one is never given it, a skip keeps what was watched with the sound that matches,
// and the HLS stream keeps every segment cached, its time line holding the hole.
TEST_F(PlayerCacheCapture, HostilePlaybacksKeepEachVideoWithItsOwnSoundAndWhatWasWatched) {
    const std::map<std::wstring, double> expected = PlayerExpectations();
    const BrowserCache caches[] = {
        {"manifests", L"hostile-simple\\Cache_Data", CacheKind::ChromiumSimple},
        {"no manifests", L"hostile-nomanifest\\Cache_Data", CacheKind::ChromiumBlockfile},
    };
    for (const BrowserCache& cache : caches) {
        SCOPED_TRACE(cache.name);
        const std::map<std::wstring, std::wstring> clips = CaptureFrom(cache);
        std::set<std::wstring> playbacks;
        for (const auto& [playback, clip] : clips) playbacks.insert(playback);
        std::set<std::wstring> wanted{L"withsound", L"pair-a", L"pair-b", L"skip"};
        if (cache.kind == CacheKind::ChromiumSimple) wanted.insert(L"hls-gap");
        EXPECT_EQ(playbacks, wanted) << "the muted picture is no clip";
        for (const auto& [playback, clip] : clips) {
            SCOPED_TRACE(testing::PrintToString(clip));
            const intake::ClipReport report =
                intake::ReadClipReport(probe::ProbeMedia(clip, context_.ffmpegPath).report);
            EXPECT_TRUE(report.video && report.audio);
            if (playback == L"skip" || playback == L"hls-gap") {
                EXPECT_EQ(DecodeErrors(clip), L"");
            }
            if (playback == L"skip") {
                EXPECT_NEAR(report.seconds.value_or(-1), WatchedBeforeTheSkip(cache), 0.1);
            } else {
                EXPECT_NEAR(report.seconds.value_or(-1), expected.at(playback), 0.1);
            }
            if (playback != L"hls-gap" && playback != L"skip") {
                EXPECT_EQ(SoundHash(clip), CachedSoundHash(cache, playback)) << "another video's sound";
            }
        }
    }
}

// A join that writes part of its output and exits 0, one that crashes after writing it,
// and one that hangs: no broken clip is kept, nothing is left in the incoming folder, the
// hung tool holds up no other capture, and once the tool is mended each video is kept
// whole, once.
TEST_F(PlayerCacheCapture, BrokenJoinsKeepNothingAndTheMendedToolKeepsEachVideoOnce) {
    const std::wstring tools = scratch_.path() + L"tools\\";
    MakeFolders(tools);
    ASSERT_TRUE(
        CopyFileW((BinFolder() + L"capture_breaking_joiner.exe").c_str(), (tools + L"ffmpeg.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BinFolder() + L"ffmpeg.exe").c_str(), (tools + L"ffmpeg-real.exe").c_str(), FALSE));
    context_.ffmpegPath = tools + L"ffmpeg.exe";
    context_.toolTimeout = [](std::uint64_t) { return std::chrono::milliseconds(8000); };
    context_.toolWait = std::chrono::milliseconds(1500);
    const auto mode = [&](const char* text) {
        ASSERT_TRUE(testing_support::WriteFileBytes(tools + L"joiner-mode.txt", text));
    };

    // The streams of the players, and beside them whole files that need no join.
    std::wstring players;
    CacheRoots roots = Place({"players", L"players-simple\\Cache_Data", CacheKind::ChromiumSimple}, players);
    const std::wstring whole =
        scratch_.path() + L"players\\Local\\Google\\Chrome\\User Data\\Profile 1\\Cache\\Cache_Data";
    ASSERT_TRUE(CopyTree(kData + L"chromium-simple\\Cache_Data", whole)) << "test data missing";
    roots.chrome = {scratch_.path() + L"players\\Local\\Google\\Chrome\\User Data\\Default\\*",
                    scratch_.path() + L"players\\Local\\Google\\Chrome\\User Data\\Profile 1\\*"};
    CacheWatcher watcher = Watcher(roots);
    const auto libraryClips = [&] {
        std::vector<std::wstring> names;
        platform::ForEachFile(library_, [&](const WIN32_FIND_DATAW& entry) { names.push_back(entry.cFileName); });
        return names;
    };
    const auto incoming = [&] {
        std::vector<std::wstring> names;
        platform::ForEachFile(library_ + L".incoming\\",
                              [&](const WIN32_FIND_DATAW& entry) { names.push_back(entry.cFileName); });
        return names;
    };

    for (const char* broken : {"partial", "crash"}) {
        SCOPED_TRACE(broken);
        mode(broken);
        watcher.RunPass();
        now_ += kStreamSettleSeconds;
        watcher.RunPass();
        // Joins still running when a pass stopped waiting are judged by the passes after.
        for (int pass = 0; pass < 20 && !incoming().empty(); ++pass) {
            Sleep(1000);
            ++now_;  // a second on, not yet the time of a retry
            watcher.RunPass();
        }
        EXPECT_EQ(ClipsByServedName().count(L"?"), 0u) << "a broken join was kept";
        EXPECT_EQ(incoming(), std::vector<std::wstring>{}) << "a failed join left its files";
        now_ += kFailedStreamRetrySeconds;
    }
    EXPECT_EQ(ClipsByServedName(), std::multiset<std::wstring>(std::begin(kServed), std::end(kServed)))
        << "whole files are taken while joins fail";

    mode("hang");
    const auto start = std::chrono::steady_clock::now();
    watcher.RunPass();
    // Five streams, each waited for a moment and then left to its time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8 * 5));
    EXPECT_EQ(added_.size(), std::size(kServed));

    mode("pass");
    // The hung tools end at their time-out; the streams that failed often are tried again
    // within the hour, and the joins made again are taken as they end.
    for (int pass = 0; pass < 15 && added_.size() < std::size(kServed) + 5; ++pass) {
        Sleep(2000);
        now_ += kSlowStreamRetrySeconds;
        watcher.RunPass();
    }
    std::set<std::wstring> playbacks;
    for (const std::wstring& clip : added_)
        if (PlaybackOf(clip) != L"?") {
            EXPECT_TRUE(playbacks.insert(PlaybackOf(clip)).second) << "kept twice";
        }
    EXPECT_EQ(playbacks.size(), 5u);
    EXPECT_EQ(libraryClips().size(), std::size(kServed) + 5);
    now_ += 3600;
    watcher.RunPass();
    EXPECT_EQ(libraryClips().size(), std::size(kServed) + 5);
}

// The record of captured streams cut short, garbled or replaced by a folder, with a start
// after each: the clips say which streams they hold, so each video is still one clip.
TEST_F(PlayerCacheCapture, ADamagedRecordBringsNoSecondCopy) {
    std::wstring folder;
    const CacheRoots roots = Place({"players", L"players-simple\\Cache_Data", CacheKind::ChromiumSimple}, folder);
    const auto start = [&] {
        CacheWatcher watcher = Watcher(roots);
        watcher.RunPass();
        now_ += kStreamSettleSeconds;
        watcher.RunPass();
    };
    start();
    ASSERT_EQ(added_.size(), 5u);
    const std::wstring record = StreamRecordPath(library_);
    const std::string whole = ReadAll(record);
    ASSERT_FALSE(whole.empty());
    const std::string damages[] = {whole.substr(0, whole.size() / 2), std::string(whole.size(), '\x7f'), "folder"};
    for (const std::string& damage : damages) {
        SCOPED_TRACE(damage.substr(0, 16));
        DeleteFileW(record.c_str());
        if (damage == "folder") {
            ASSERT_TRUE(CreateDirectoryW(record.c_str(), nullptr));
        } else {
            ASSERT_TRUE(testing_support::WriteFileBytes(record, damage));
        }
        start();
        EXPECT_EQ(added_.size(), 5u) << "a stream kept again";
        EXPECT_TRUE(grown_.empty());
        EXPECT_FALSE(ReadAll(record).empty()) << "the record is written again from the clips";
    }
}

}  // namespace
}  // namespace capture
