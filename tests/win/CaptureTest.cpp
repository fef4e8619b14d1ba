// The cache watcher and the intake under Wine: fake browser caches in a scratch folder,
// media made by the Linux ffmpeg, the real ffmpeg.exe as the probe, and the fallback
// title store in a scratch log.
#include "capture/CacheWatcher.h"
#include "capture/CaptureRules.h"
#include "capture/Intake.h"
#include "library/PurgeMarkedClips.h"
#include "capture/StreamIntake.h"
#include "library/ClipPlacement.h"
#include "titles/FallbackTitleStore.h"
#include "library/ImportRules.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/CopyWholeFile.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsText.h"
#include "support/ConvertSupport.h"
#include "support/FolderTrees.h"
#include "support/ScratchFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace capture {
namespace {

using testing_support::BinFolder;
using testing_support::MakeFolders;
using testing_support::ScratchFolder;

const std::wstring kNotSet(titles::kTitleNotSet);
const std::wstring kFlv(titles::kTitleFlv);
const std::wstring kFlvAd(titles::kTitleFlvAd);
const std::wstring kNotFlv(titles::kTitleNotFlv);

std::wstring ClipSource(const std::wstring& name) { return BinFolder() + L"capture-clips\\" + name; }

std::string ReadAll(const std::wstring& path) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof block, &read, nullptr) && read > 0) bytes.append(block, read);
    return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

WIN32_FIND_DATAW EntryOf(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    platform::UniqueFind find(FindFirstFileW(path.c_str(), &entry));
    EXPECT_TRUE(find.valid()) << "no entry for the cache file";
    return entry;
}

std::wstring ExpectedClipName(const std::wstring& cacheFile, int attempt = 0) {
    const FILETIME created = EntryOf(cacheFile).ftCreationTime;
    const std::uint64_t value = (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return library::LibraryClipName(CreationSecond(value), attempt);
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        titles::UseTitleStoreAt(scratch_.path() + L"titles.log");
        cache_ = scratch_.path() + L"cache\\";
        library_ = scratch_.path() + L"Videos\\";
        MakeFolders(library_);
        for (const std::wstring& folder : {IeFolder(), FirefoxFolder(), ChromeFolder(), OperaFolder()})
            MakeFolders(folder);
    }

    std::wstring IeFolder() const { return cache_ + L"INetCache"; }
    std::wstring FirefoxFolder() const { return cache_ + L"Local\\Mozilla\\Firefox"; }
    std::wstring ChromeFolder() const { return cache_ + L"Local\\Google\\Chrome"; }
    std::wstring OperaFolder() const { return cache_ + L"Local\\Opera"; }

    CacheRoots Roots() const {
        return {
            IeFolder() + L"\\*", FirefoxFolder() + L"\\*", {ChromeFolder() + L"\\*"}, {OperaFolder() + L"\\*"}, {}, {}};
    }

    IntakeContext Context() {
        IntakeContext context;
        context.libraryFolder = library_;
        context.ffmpegPath = ffmpeg_;
        context.keepSilentClips = [this] { return keepSilent_.load(); };
        context.clipAdded = [this](const library::ArrivedClip& clip) { added_.push_back(clip.path); };
        context.numbers = &numbers_;
        if (writer_) context.writeBlock = writer_;
        return context;
    }

    void RunPass() {
        CacheWatcher watcher({&ie_, &firefox_, &chrome_, &opera_}, Roots(), Context());
        watcher.RunPass();
    }

    // Copies a made clip into a cache folder under `relative` (folders created).
    std::wstring Place(const std::wstring& clip, const std::wstring& folder, const std::wstring& relative) {
        const std::wstring path = folder + L"\\" + relative;
        MakeFolders(FolderOf(path));
        EXPECT_TRUE(CopyFileW(ClipSource(clip).c_str(), path.c_str(), FALSE)) << GetLastError();
        return path;
    }

    std::wstring PlaceBytes(std::size_t size, const std::wstring& folder, const std::wstring& relative) {
        const std::wstring path = folder + L"\\" + relative;
        MakeFolders(FolderOf(path));
        std::string bytes = ReadAll(ClipSource(L"flv-sound.flv"));
        bytes.resize(size, '\0');
        EXPECT_TRUE(WriteAll(path, bytes));
        return path;
    }

    std::vector<std::wstring> LibraryFiles() const { return testing_support::FilesIn(library_); }

    // The incoming folder keeps nothing once an intake has ended, whatever happened.
    bool IncomingIsEmpty() const {
        WIN32_FIND_DATAW entry;
        platform::UniqueFind find(FindFirstFileW((library::IncomingFolder(library_) + L"*").c_str(), &entry));
        if (!find) return true;
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        } while (FindNextFileW(find.get(), &entry));
        return true;
    }

    ScratchFolder scratch_{L"capture"};
    std::wstring cache_;
    std::wstring library_;
    std::wstring ffmpeg_ = BinFolder() + L"ffmpeg.exe";
    std::atomic<bool> ie_{true}, firefox_{true}, chrome_{true}, opera_{true}, keepSilent_{false};
    MovieNumbers numbers_;
    std::vector<std::wstring> added_;
    platform::BlockWriter writer_;
};

TEST_F(CaptureTest, VideosWithSoundLandInTheLibraryTitledInOrderAndAreNeverProbedAgain) {
    const std::wstring flv = Place(L"flv-sound.flv", FirefoxFolder(), L"Profiles\\a.default\\Cache\\9F3A01");
    const std::wstring mp4 = Place(L"mp4-sound.mp4", ChromeFolder(), L"User Data\\Default\\Cache\\f_00012a");
    // Both may have been created in the same second: then the second one takes the next name.
    const std::wstring flvName = ExpectedClipName(flv);
    std::wstring mp4Name = ExpectedClipName(mp4);
    if (mp4Name == flvName) mp4Name = ExpectedClipName(mp4, 1);

    RunPass();

    ASSERT_EQ(added_.size(), 2u);
    EXPECT_EQ(added_[0], library_ + flvName);
    EXPECT_EQ(added_[1], library_ + mp4Name);
    EXPECT_EQ(titles::ReadTitle(library_ + flvName), L"Movie1");
    EXPECT_EQ(titles::ReadTitle(library_ + mp4Name), L"Movie2");
    EXPECT_EQ(ReadAll(library_ + flvName), ReadAll(ClipSource(L"flv-sound.flv")));
    EXPECT_EQ(ReadAll(library_ + mp4Name), ReadAll(ClipSource(L"mp4-sound.mp4")));
    EXPECT_EQ(titles::ReadTitle(flv), kFlv);
    EXPECT_EQ(titles::ReadTitle(mp4), kFlv);
    EXPECT_TRUE(IncomingIsEmpty());

    // A probe now would find no tool and mark the files "NotFlv": they keep "Flv".
    ffmpeg_ = scratch_.path() + L"missing\\ffmpeg.exe";
    RunPass();
    EXPECT_EQ(added_.size(), 2u);
    EXPECT_EQ(titles::ReadTitle(flv), kFlv);
    EXPECT_EQ(titles::ReadTitle(mp4), kFlv);
    EXPECT_EQ(LibraryFiles().size(), 2u);
}

TEST_F(CaptureTest, MarkersFollowWhatTheProbeFinds) {
    struct Case {
        const wchar_t* clip;
        bool keepSilent;
        const wchar_t* marker;
        bool copied;
    };
    const Case cases[] = {
        {L"flv-silent.flv", false, L"FlvAd", false},  {L"flv-silent.flv", true, L"Flv", true},
        {L"audio-only.mp3", false, L"NotFlv", false}, {L"text-page", false, L"NotFlv", false},
        {L"corrupt.flv", false, L"NotFlv", false},    {L"truncated.flv", false, L"Flv", true},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "clip " << std::string(c.clip, c.clip + wcslen(c.clip)) << " keep silent "
                                        << c.keepSilent);
        const std::wstring path = Place(c.clip, OperaFolder(), L"cache\\" + std::to_wstring(++index) + L"A7");
        keepSilent_ = c.keepSilent;
        const std::size_t before = LibraryFiles().size();
        std::wstring clip;
        const IntakeOutcome outcome = IntakeCacheFile(path, EntryOf(path), Context(), &clip);
        EXPECT_EQ(titles::ReadTitle(path), c.marker);
        EXPECT_EQ(LibraryFiles().size(), before + (c.copied ? 1 : 0));
        EXPECT_EQ(outcome == IntakeOutcome::Copied, c.copied);
        if (c.copied) {
            EXPECT_EQ(ReadAll(clip), ReadAll(ClipSource(c.clip)));
        }
    }
    EXPECT_TRUE(IncomingIsEmpty());
}

TEST_F(CaptureTest, ABrokenToolMarksNothingAndTheFileIsTakenOnceItIsMended) {
    const std::wstring path = Place(L"flv-sound.flv", OperaFolder(), L"cache\\B1");
    ffmpeg_ = scratch_.path() + L"ffmpeg.exe";
    ASSERT_TRUE(WriteAll(ffmpeg_, "This file cannot run."));
    EXPECT_EQ(IntakeCacheFile(path, EntryOf(path), Context()), IntakeOutcome::NoToolReport);
    EXPECT_EQ(titles::ReadTitle(path), L"NotSet") << "no verdict on the file";

    ffmpeg_ = BinFolder() + L"ffmpeg.exe";
    EXPECT_EQ(IntakeCacheFile(path, EntryOf(path), Context()), IntakeOutcome::Copied);
    EXPECT_EQ(titles::ReadTitle(path), kFlv);
}

// Nothing the list would not show is kept in the library: a body put together from its
// pieces in the wrong order, and a page in a folder whose name says "Videos". Both are
// marked as no video; the library and its incoming folder stay empty.
TEST_F(CaptureTest, WhatDoesNotProbeAsAListedClipIsMarkedAndNeverKept) {
    const std::wstring pieces = Place(L"flv-sound.flv", ChromeFolder(), L"Cache_Data\\f_000001");
    const std::uint64_t size = ReadAll(pieces).size();
    CachedResponse swapped;
    swapped.url = "http://127.0.0.1:8000/media/clip.flv";
    swapped.totalLength = size;
    swapped.state = BodyState::Whole;
    swapped.body = {{"f_000001", size / 2, size - size / 2}, {"f_000001", 0, size / 2}};
    swapped.ownFiles = {"f_000001"};
    const IntakeContext context = Context();
    StreamIntake intake(context);
    const std::vector<MediaStream> streams = GroupStreams(DiskCacheFiles(FolderOf(pieces)), {swapped});
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(intake.TakeGroup(FolderOf(pieces), streams, {0, std::nullopt}), StreamOutcome::NotVideo);
    EXPECT_EQ(titles::ReadTitle(pieces), kNotFlv);

    const std::wstring page = Place(L"text-page", IeFolder(), L"My Videos\\PAGE01");
    EXPECT_EQ(IntakeCacheFile(page, EntryOf(page), Context()), IntakeOutcome::MarkedNotVideo);
    EXPECT_EQ(titles::ReadTitle(page), kNotFlv);

    EXPECT_TRUE(LibraryFiles().empty());
    EXPECT_TRUE(added_.empty());
    EXPECT_TRUE(IncomingIsEmpty());
}

TEST_F(CaptureTest, OnlyLargeStreamNamedUnmarkedFilesOutsideDotFoldersAreCandidates) {
    PlaceBytes(200000, IeFolder(), L"Content.IE5\\exactly");
    PlaceBytes(200001, IeFolder(), L"Content.IE5\\onemore");
    PlaceBytes(300000, IeFolder(), L"Content.IE5\\clip.FLV");
    PlaceBytes(300000, IeFolder(), L"Content.IE5\\.flv");
    PlaceBytes(300000, IeFolder(), L"Content.IE5\\watch.html");
    // Wine's names ignore case like Windows': the taken one needs a name of its own.
    PlaceBytes(300000, IeFolder(), L"Content.IE5\\movie.flv");
    PlaceBytes(300000, IeFolder(), L".cache\\deep\\er\\F00D");
    PlaceBytes(300000, IeFolder(), L"x\\.hidden\\F00E");
    const std::wstring marked = PlaceBytes(300000, IeFolder(), L"old\\F00F");
    titles::WriteTitle(marked, kFlvAd);
    CreateDirectoryW((IeFolder() + L"\\big.flv").c_str(), nullptr);  // a folder is never a candidate

    std::vector<std::wstring> found;
    ASSERT_TRUE(ScanCacheFolder(IeFolder() + L"\\*", [&](const std::wstring& path, const WIN32_FIND_DATAW&) {
        found.push_back(path.substr(IeFolder().size() + 1));
    }));
    std::sort(found.begin(), found.end());
    const std::vector<std::wstring> expected = {L"Content.IE5\\movie.flv", L"Content.IE5\\onemore"};
    EXPECT_EQ(found, expected);
    // Nothing that was passed over got a title by being looked at.
    EXPECT_EQ(titles::ReadTitle(IeFolder() + L"\\.cache\\deep\\er\\F00D"), kNotSet);

    EXPECT_TRUE(ScanCacheFolder(
        scratch_.path() + L"no such folder\\*",
        [&](const std::wstring&, const WIN32_FIND_DATAW&) { ADD_FAILURE() << "a missing folder has no files"; }));
    EXPECT_FALSE(ScanCacheFolder(L"", [](const std::wstring&, const WIN32_FIND_DATAW&) {}));
}

TEST_F(CaptureTest, FileHeldOpenForWritingIsTakenOnlyAfterItIsClosed) {
    const std::wstring path = Place(L"flv-sound.flv", IeFolder(), L"Content.IE5\\OPENCLIP");
    {
        platform::UniqueFile writer(
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.valid()) << GetLastError();
        RunPass();
        EXPECT_TRUE(LibraryFiles().empty());
        EXPECT_TRUE(added_.empty());
        EXPECT_TRUE(IncomingIsEmpty());
    }
    EXPECT_EQ(titles::ReadTitle(path), kNotSet);
    RunPass();
    ASSERT_EQ(LibraryFiles().size(), 1u);
    EXPECT_EQ(titles::ReadTitle(path), kFlv);
    EXPECT_EQ(ReadAll(library_ + LibraryFiles()[0]), ReadAll(ClipSource(L"flv-sound.flv")));
}

// The numbering learns the library's titles from the walk at start (and the list's), never
// by opening every clip at a capture.
TEST_F(CaptureTest, NumberingContinuesFromTheHighestTitleEverSeen) {
    const auto titled = [&](const wchar_t* name, const wchar_t* title) {
        EXPECT_TRUE(WriteAll(library_ + name, "clip"));
        titles::WriteTitle(library_ + name, title);
    };
    const auto start = [&] { library::PurgeMarkedClips(library_, titles::DeleteTitledFile, numbers_); };
    titled(L"100.flv", L"Movie3");
    titled(L"101.flv", L"Movie10");
    titled(L"102.flv", L"Holiday at the sea");
    start();
    // Each capture its own second: equal bytes of one second would be taken for a retake.
    int second = 0;
    const auto capture = [&](const wchar_t* cacheName) {
        const std::wstring path = Place(L"flv-sound.flv", IeFolder(), cacheName);
        WIN32_FIND_DATAW entry = EntryOf(path);
        entry.ftCreationTime.dwHighDateTime += ++second;
        std::wstring clip;
        EXPECT_EQ(IntakeCacheFile(path, entry, Context(), &clip), IntakeOutcome::Copied);
        return clip;
    };
    std::wstring clip = capture(L"A1");
    EXPECT_EQ(titles::ReadTitle(clip), L"Movie11");

    // The newest clip goes before the next capture: its number was never seen by a scan.
    ASSERT_TRUE(DeleteFileW(clip.c_str()));
    clip = capture(L"A2");
    EXPECT_EQ(titles::ReadTitle(clip), L"Movie11");

    // A number a walk has seen stays taken after its clip is gone.
    titled(L"103.flv", L"Movie12");
    start();
    const std::wstring thirteen = capture(L"A3");
    EXPECT_EQ(titles::ReadTitle(thirteen), L"Movie13");
    ASSERT_TRUE(DeleteFileW((library_ + L"103.flv").c_str()));
    ASSERT_TRUE(DeleteFileW(thirteen.c_str()));
    const std::wstring again = capture(L"A4");
    EXPECT_EQ(titles::ReadTitle(again), L"Movie13");

    // Captures that come fast: the list's probe holds the newest clip open, so a scan
    // cannot read its title. Its number is taken all the same.
    platform::UniqueFile probe(CreateFileW(again.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(probe);
    const std::wstring next = capture(L"A5");
    probe.reset();
    EXPECT_EQ(titles::ReadTitle(next), L"Movie14") << "two clips must never share a number";
}

TEST_F(CaptureTest, BrowsersTextChoosesTheCachesThatAreWalked) {
    // Every examined file gets a marker: the markers show which caches a pass walked.
    const std::wstring files[4] = {PlaceBytes(300000, IeFolder(), L"E1"), PlaceBytes(300000, FirefoxFolder(), L"E2"),
                                   PlaceBytes(300000, ChromeFolder(), L"E3"), PlaceBytes(300000, OperaFolder(), L"E4")};
    const auto apply = [&](const wchar_t* text) {
        settings::BrowserSwitches switches{ie_, firefox_, chrome_, opera_};
        settings::ApplyBrowsersText(text, switches);
        ie_ = switches.internetExplorer;
        firefox_ = switches.firefox;
        chrome_ = switches.chrome;
        opera_ = switches.opera;
    };
    const auto walked = [&] {
        RunPass();
        std::wstring marks;
        for (const std::wstring& file : files) {
            marks += titles::ReadTitle(file) != kNotSet ? L'1' : L'0';
            titles::WriteTitle(file, L"");
        }
        return marks;
    };
    ie_ = firefox_ = chrome_ = opera_ = false;
    EXPECT_EQ(walked(), L"0000");
    apply(L"1001");
    EXPECT_EQ(walked(), L"1001");
    // One character is both the first and the last; the others stay as they were.
    ie_ = opera_ = false;
    firefox_ = true;
    chrome_ = false;
    apply(L"1");
    EXPECT_EQ(walked(), L"1101");
    apply(L"0x1");
    EXPECT_EQ(walked(), L"0111");
}

TEST_F(CaptureTest, CopyThatFailsHalfwayLeavesNoClipNoTitleAndKeepsEarlierClips) {
    Place(L"mp4-sound.mp4", IeFolder(), L"EARLIER");
    RunPass();
    ASSERT_EQ(LibraryFiles().size(), 1u);
    const std::wstring earlier = LibraryFiles()[0];
    const std::string earlierBytes = ReadAll(library_ + earlier);

    const std::wstring path = Place(L"flv-sound.flv", IeFolder(), L"DISKFULL");
    int blocks = 0;
    writer_ = [&](HANDLE file, const char* data, DWORD size) {
        if (++blocks > 20) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        return platform::WriteWholeBlock(file, data, size);
    };
    RunPass();
    EXPECT_GT(blocks, 20);
    EXPECT_EQ(LibraryFiles(), std::vector<std::wstring>{earlier});
    EXPECT_EQ(ReadAll(library_ + earlier), earlierBytes);
    EXPECT_EQ(titles::ReadTitle(library_ + earlier), L"Movie1");
    EXPECT_EQ(titles::ReadTitle(path), kNotSet);
    EXPECT_TRUE(IncomingIsEmpty());
    EXPECT_EQ(added_.size(), 1u);

    // Space again: the next pass takes it, and the failed try used up no number.
    writer_ = nullptr;
    RunPass();
    ASSERT_EQ(LibraryFiles().size(), 2u);
    EXPECT_EQ(titles::ReadTitle(path), kFlv);
    EXPECT_EQ(titles::ReadTitle(added_.back()), L"Movie2");
    EXPECT_EQ(ReadAll(added_.back()), ReadAll(ClipSource(L"flv-sound.flv")));
}

TEST_F(CaptureTest, EntriesOfTheSameSecondAreBothKeptAndARetakeAddsNoThird) {
    const std::wstring a = Place(L"flv-sound.flv", IeFolder(), L"SAME1");
    const std::wstring b = Place(L"mp4-sound.mp4", IeFolder(), L"SAME2");
    // Creation times cannot be set under Wine: the entries carry the same second instead.
    WIN32_FIND_DATAW entryA = EntryOf(a);
    WIN32_FIND_DATAW entryB = EntryOf(b);
    entryB.ftCreationTime = entryA.ftCreationTime;
    std::wstring clipA;
    std::wstring clipB;
    ASSERT_EQ(IntakeCacheFile(a, entryA, Context(), &clipA), IntakeOutcome::Copied);
    ASSERT_EQ(IntakeCacheFile(b, entryB, Context(), &clipB), IntakeOutcome::Copied);
    EXPECT_EQ(clipA, library_ + ExpectedClipName(a, 0));
    EXPECT_EQ(clipB, library_ + ExpectedClipName(a, 1));
    EXPECT_EQ(ReadAll(clipA), ReadAll(ClipSource(L"flv-sound.flv")));
    EXPECT_EQ(ReadAll(clipB), ReadAll(ClipSource(L"mp4-sound.mp4")));
    EXPECT_EQ(titles::ReadTitle(clipA), L"Movie1");
    EXPECT_EQ(titles::ReadTitle(clipB), L"Movie2");

    // A cache marker that did not stick brings the file back: it finds its own copy.
    titles::WriteTitle(b, L"");
    std::wstring again;
    EXPECT_EQ(IntakeCacheFile(b, entryB, Context(), &again), IntakeOutcome::Copied);
    EXPECT_EQ(again, clipB);
    EXPECT_EQ(LibraryFiles().size(), 2u);
    EXPECT_EQ(added_.size(), 2u);
    EXPECT_EQ(titles::ReadTitle(b), kFlv);
}

TEST_F(CaptureTest, FileThatVanishesBeforeTheCopyAddsNothing) {
    const std::wstring path = Place(L"flv-sound.flv", IeFolder(), L"GONE");
    const WIN32_FIND_DATAW entry = EntryOf(path);
    // The silent-clip switch is read between the probe and the copy.
    IntakeContext context = Context();
    context.keepSilentClips = [&] {
        DeleteFileW(path.c_str());
        return false;
    };
    EXPECT_EQ(IntakeCacheFile(path, entry, context), IntakeOutcome::CopyFailed);
    EXPECT_TRUE(LibraryFiles().empty());
    EXPECT_TRUE(IncomingIsEmpty());
    EXPECT_TRUE(added_.empty());
    // Gone before the probe as well: whatever the probe says, nothing lands.
    IntakeCacheFile(path, entry, Context());
    EXPECT_TRUE(LibraryFiles().empty());
    RunPass();
    EXPECT_TRUE(LibraryFiles().empty());
}

TEST_F(CaptureTest, FileThatGrewAfterTheScanIsCopiedWholeAndCannotGrowDuringTheCopy) {
    const std::wstring path = Place(L"flv-sound.flv", IeFolder(), L"GROWS");
    const WIN32_FIND_DATAW stale = EntryOf(path);
    std::string bytes = ReadAll(path);
    bytes.append(100000, '\x5a');
    ASSERT_TRUE(WriteAll(path, bytes));
    // Mid-copy, a browser tries to append to the file.
    bool browserTried = false;
    bool browserCouldAppend = false;
    DWORD browserError = 0;
    writer_ = [&](HANDLE file, const char* data, DWORD size) {
        if (!browserTried) {
            browserTried = true;
            platform::UniqueFile browser(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                     nullptr, OPEN_EXISTING, 0, nullptr));
            browserError = GetLastError();
            browserCouldAppend = browser.valid();
        }
        return platform::WriteWholeBlock(file, data, size);
    };
    std::wstring clip;
    ASSERT_EQ(IntakeCacheFile(path, stale, Context(), &clip), IntakeOutcome::Copied);
    EXPECT_TRUE(browserTried);
    EXPECT_FALSE(browserCouldAppend);
    EXPECT_EQ(browserError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadAll(clip), bytes);
}

TEST_F(CaptureTest, LongPathsAndNonAsciiNamesAreTaken) {
    std::wstring deep = ChromeFolder();
    while (deep.size() < 300) deep += L"\\Cache_Data_Folder_0123456789";
    const std::wstring longPath = L"\\\\?\\" + deep + L"\\LONGENTRY";
    MakeFolders(L"\\\\?\\" + deep);
    ASSERT_TRUE(CopyFileW(ClipSource(L"flv-sound.flv").c_str(), longPath.c_str(), FALSE)) << GetLastError();
    const std::wstring foreign = Place(L"mp4-sound.mp4", FirefoxFolder(), L"Кэш\\Grüße-Ωμέγα");

    RunPass();
    ASSERT_EQ(added_.size(), 2u);
    EXPECT_EQ(titles::ReadTitle(longPath), kFlv);
    EXPECT_EQ(titles::ReadTitle(foreign), kFlv);
    EXPECT_EQ(ReadAll(added_[0]), ReadAll(ClipSource(L"mp4-sound.mp4")));
    EXPECT_EQ(ReadAll(added_[1]), ReadAll(ClipSource(L"flv-sound.flv")));
}

TEST_F(CaptureTest, UnreadableFolderIsPassedOverAndTheRestIsWalked) {
    const std::wstring locked = Place(L"flv-sound.flv", OperaFolder(), L"locked\\L1");
    const std::wstring open = Place(L"mp4-sound.mp4", OperaFolder(), L"open\\O1");
    {
        platform::UniqueFile folder(CreateFileW((OperaFolder() + L"\\locked").c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(folder.valid()) << GetLastError();
        RunPass();
        ASSERT_EQ(added_.size(), 1u);
        EXPECT_EQ(titles::ReadTitle(open), kFlv);
        EXPECT_EQ(titles::ReadTitle(locked), kNotSet);
    }
    RunPass();
    EXPECT_EQ(added_.size(), 2u);
    EXPECT_EQ(titles::ReadTitle(locked), kFlv);
}

TEST_F(CaptureTest, WatcherPassesSkipMarkedFilesYetTakeANewFileUnderAnOldName) {
    const std::wstring path = Place(L"flv-sound.flv", ChromeFolder(), L"Cache\\f_000001");
    CacheWatcher watcher({&ie_, &firefox_, &chrome_, &opera_}, Roots(), Context());
    watcher.RunPass();
    ASSERT_EQ(added_.size(), 1u);
    watcher.RunPass();
    EXPECT_EQ(added_.size(), 1u);

    // The browser drops the entry and writes another stream under the same name.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    Place(L"mp4-sound.mp4", ChromeFolder(), L"Cache\\f_000001");
    ASSERT_EQ(titles::ReadTitle(path), kNotSet);
    watcher.RunPass();
    ASSERT_EQ(added_.size(), 2u);
    EXPECT_EQ(ReadAll(added_[1]), ReadAll(ClipSource(L"mp4-sound.mp4")));
    EXPECT_EQ(titles::ReadTitle(added_[1]), L"Movie2");
    watcher.RunPass();
    EXPECT_EQ(added_.size(), 2u);
}

TEST_F(CaptureTest, LeftoversOfAnInterruptedCopyAreClearedWhenTheWatcherStarts) {
    MakeFolders(library::IncomingFolder(library_));
    ASSERT_TRUE(WriteAll(library::IncomingFolder(library_) + L"5-1-1.part", "half"));
    ie_ = firefox_ = chrome_ = opera_ = false;
    RunPass();
    EXPECT_TRUE(IncomingIsEmpty());
    EXPECT_TRUE(LibraryFiles().empty());
}

TEST_F(CaptureTest, CopyWholeFileRefusesBusySourcesAndReplacesTheDestination) {
    const std::wstring source = scratch_.path() + L"source.bin";
    const std::wstring destination = scratch_.path() + L"destination.bin";
    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes += static_cast<char>(i * 7);
    ASSERT_TRUE(WriteAll(source, bytes));
    ASSERT_TRUE(WriteAll(destination, std::string(50000, 'x')));
    EXPECT_TRUE(platform::CopyWholeFile(source, destination));
    EXPECT_EQ(ReadAll(destination), bytes);
    std::vector<DWORD> sizes;
    EXPECT_TRUE(platform::CopyWholeFile(source, destination, [&](HANDLE file, const char* data, DWORD size) {
        sizes.push_back(size);
        return platform::WriteWholeBlock(file, data, size);
    }));
    EXPECT_EQ(sizes, (std::vector<DWORD>{4096, 4096, 1808}));
    {
        platform::UniqueFile writer(
            CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.valid());
        EXPECT_FALSE(platform::CopyWholeFile(source, scratch_.path() + L"other.bin"));
        EXPECT_EQ(GetFileAttributesW((scratch_.path() + L"other.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_FALSE(platform::CopyWholeFile(scratch_.path() + L"absent.bin", scratch_.path() + L"other.bin"));
    EXPECT_FALSE(platform::CopyWholeFile(source, destination, [](HANDLE, const char*, DWORD) { return false; }));
    EXPECT_EQ(GetFileAttributesW(destination.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace capture
