// The probe cache and the parallel list build for real: the real ffmpeg.exe on clips made
// by the Linux ffmpeg, cache files that are missing, damaged or shared by two builds, and
// a tool that hangs on some clips.
#include "library/Catalogue.h"
#include "probe/ProbeCacheFile.h"
#include "support/MessagePump.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/ScratchTitleStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::BinFolder;
using testing_support::QuietMainWindow;
using testing_support::ScratchFolder;
using Rows = std::vector<decltype(library::ClipRecord::cells)>;

// Every kind the library meets: FLV, MP4, WebM and Ogg, with and without sound, a clip
// cut short, and files that list no row (sound only, text, nothing).
const wchar_t* const kSources[] = {
    L"flv-320x240-sound.flv",  L"flv-320x240-silent.flv",  L"flv-1920x1080-sound.flv",
    L"mp4-320x240-sound.mp4",  L"mp4-1920x1080-sound.mp4", L"mp4-1920x1080-silent.mp4",
    L"mp4-640x360-tagged.mp4", L"webm-320x240-sound.webm", L"webm-320x240-silent.webm",
    L"ogg-320x240-sound.ogv",  L"ogg-sound-only.ogg",      L"truncated.flv",
    L"text-only.flv",
};

library::ClipFilter EveryDate() {
    library::ClipFilter all;
    all.dateFrom = 0;
    all.dateTo = 4102444800;  // 2100-01-01
    return all;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The last probe's ffmpeg.exe may still be closing the clip for a moment after its build.
template <typename Action>
bool SucceedsSoon(Action action) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (action()) return true;
        Sleep(50);
    }
    return false;
}

FILETIME LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetLastWriteTime(const std::wstring& path, FILETIME time) {
    platform::UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid());
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

FILETIME SecondsLater(FILETIME time, int seconds) {
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(seconds) * 10'000'000;
    return FILETIME{value.LowPart, value.HighPart};
}

Rows::value_type RowOf(const Rows& rows, const std::wstring& path) {
    for (const auto& row : rows) {
        if (row[library::kPathColumn] == path) return row;
    }
    return {};
}

class ProbeCache : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        ASSERT_TRUE(window_.CreateModeless());
        // A tool of the test's own, so that replacing it leaves the real one alone.
        ASSERT_TRUE(CopyFileW((BinFolder() + L"ffmpeg.exe").c_str(), Ffmpeg().c_str(), FALSE));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep"); }

    // `count` clips named like captures, the sources taken in turn.
    void MakeLibrary(int count) {
        for (int i = 0; i < count; ++i) {
            const std::wstring source = kSources[i % std::size(kSources)];
            const std::wstring name = std::to_wstring(1260000000 + i) + source.substr(source.rfind(L'.'));
            ASSERT_TRUE(
                CopyFileW((BinFolder() + L"probe-clips\\" + source).c_str(), (library_.path() + name).c_str(), FALSE));
        }
    }
    std::wstring Ffmpeg() const { return tool_.path() + L"ffmpeg.exe"; }
    std::wstring CachePath() const { return cache_.path() + L"probes.cache"; }
    library::CatalogueSource Source(unsigned threads = 0, bool cached = true) const {
        return {library_.path(), Ffmpeg(), cached ? CachePath() : std::wstring(), threads};
    }
    // The rows of one build from an empty list, and how many clips it probed.
    Rows Build(const library::CatalogueSource& source, int* probed = nullptr) {
        window_.clipList().DeleteAllRows();
        const library::BuildOutcome outcome =
            library::BuildClipListCounting(window_.hwnd(), false, EveryDate(), source);
        if (probed) *probed = outcome.probed;
        return RowsOf(window_);
    }
    static Rows RowsOf(QuietMainWindow& window) {
        Rows rows(static_cast<std::size_t>(window.clipList().RowCount()));
        for (std::size_t row = 0; row < rows.size(); ++row) {
            for (std::size_t column = 0; column < rows[row].size(); ++column)
                rows[row][column] = window.clipList().CellText(static_cast<int>(row), static_cast<int>(column));
        }
        return rows;
    }
    probe::probe_cache::Parsed CacheOnDisk() const {
        const std::optional<probe::ProbeToolIdentity> tool = probe::IdentifyProbeTool(Ffmpeg());
        return probe::ProbeCacheFile(CachePath(), tool.value_or(probe::ProbeToolIdentity{})).Load();
    }

    ScratchFolder library_{L"cache-library"};
    ScratchFolder cache_{L"cache-file"};
    ScratchFolder tool_{L"cache-tool"};
    ScratchFolder titles_{L"cache-titles"};
    testing_support::ScratchTitleStore titleStore_{titles_.path() + L"titles.log"};
    QuietMainWindow window_;
};

TEST_F(ProbeCache, RowsAreTheSameSequentialParallelAndCached) {
    MakeLibrary(40);
    const Rows sequential = Build(Source(1, false));
    ASSERT_EQ(sequential.size(), 34u) << "sound-only and text-only files list no row";
    int probed = -1;
    EXPECT_EQ(Build(Source(), &probed), sequential) << "parallel probes, empty cache";
    EXPECT_EQ(probed, 40);
    EXPECT_EQ(Build(Source(), &probed), sequential) << "every probe from the cache";
    EXPECT_EQ(probed, 0);
    EXPECT_EQ(CacheOnDisk().entries.size(), 40u) << "clips that list no row are remembered too";
}

TEST_F(ProbeCache, OnlyReplacedOrTouchedClipsAreProbedAgainAndAReplacedToolProbesAll) {
    MakeLibrary(6);
    int probed = -1;
    const Rows before = Build(Source(), &probed);
    ASSERT_EQ(probed, 6);

    // Another file of another size under the same name and time; a touched clip.
    const std::wstring replaced = library_.path() + L"1260000000.flv";
    const FILETIME replacedTime = LastWriteTime(replaced);
    const std::wstring bigger = BinFolder() + L"probe-clips\\flv-1920x1080-sound.flv";
    ASSERT_TRUE(SucceedsSoon([&] { return CopyFileW(bigger.c_str(), replaced.c_str(), FALSE); }));
    SetLastWriteTime(replaced, replacedTime);
    const std::wstring touched = library_.path() + L"1260000001.flv";
    SetLastWriteTime(touched, SecondsLater(LastWriteTime(touched), 3));
    const Rows afterChanges = Build(Source(), &probed);
    EXPECT_EQ(probed, 2);
    ASSERT_EQ(afterChanges.size(), before.size());
    EXPECT_EQ(RowOf(before, replaced)[5], L"320x240");
    EXPECT_EQ(RowOf(afterChanges, replaced)[5], L"1920x1080") << "the replaced clip shows what it is now";

    // A replaced ffmpeg.exe may report differently: nothing it did not make counts.
    SetLastWriteTime(Ffmpeg(), SecondsLater(LastWriteTime(Ffmpeg()), 60));
    EXPECT_EQ(Build(Source(), &probed), afterChanges);
    EXPECT_EQ(probed, 6);
    EXPECT_EQ(Build(Source(), &probed), afterChanges);
    EXPECT_EQ(probed, 0);

    // A clip that left the library leaves the cache at the next build.
    ASSERT_TRUE(SucceedsSoon([&] { return DeleteFileW(touched.c_str()); }));
    EXPECT_EQ(Build(Source(), &probed).size(), before.size() - 1);
    EXPECT_EQ(CacheOnDisk().entries.size(), 5u);
}

TEST_F(ProbeCache, ACutRandomOrFutureCacheFileIsIgnoredAndWrittenAgain) {
    MakeLibrary(5);
    const Rows expected = Build(Source());
    const std::vector<std::uint8_t> good = ReadBytes(CachePath());
    ASSERT_GT(good.size(), 100u);
    EXPECT_LE(good.size(), 5u * 300u);

    std::vector<std::uint8_t> random(good.size());
    std::mt19937 generator(4);
    for (auto& byte : random) byte = static_cast<std::uint8_t>(generator());
    std::vector<std::uint8_t> future = good;
    future[8] = 9;  // the format version
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"cut in half", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)}},
        {"random bytes", random},
        {"future format", future},
    };
    for (const auto& c : cases) {
        WriteBytes(CachePath(), c.bytes);
        int probed = -1;
        EXPECT_EQ(Build(Source(), &probed), expected) << c.name;
        EXPECT_GT(probed, 0) << c.name;
        const probe::probe_cache::Parsed rewritten = CacheOnDisk();
        EXPECT_EQ(rewritten.state, probe::probe_cache::FileState::Intact) << c.name;
        EXPECT_EQ(rewritten.entries.size(), 5u) << c.name;
    }
}

TEST_F(ProbeCache, TwoBuildsAtOnceLeaveACacheThatAThirdReadsWithoutAProbe) {
    MakeLibrary(8);
    QuietMainWindow second;
    ASSERT_TRUE(second.CreateModeless());
    std::atomic<int> finished{0};
    // Each build as if in a program of its own: no build lock between them, one cache file.
    auto build = [&](HWND window) {
        library::BuildClipListCounting(window, false, EveryDate(), Source());
        ++finished;
    };
    std::thread one(build, window_.hwnd());
    std::thread two(build, second.hwnd());
    const bool done = testing_support::PumpUntil([&] { return finished == 2; }, 120s);
    one.join();
    two.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(RowsOf(second), RowsOf(window_));

    int probed = -1;
    EXPECT_EQ(Build(Source(), &probed), RowsOf(second));
    EXPECT_EQ(probed, 0);
}

TEST_F(ProbeCache, AHangingProbeEndsAtItsTimeOutWithoutHoldingTheOthers) {
    const std::wstring hanging = BinFolder() + L"probe_hanging_tool.exe";
    const wchar_t* names[] = {L"a-hangs.flv", L"b-quick.flv", L"c-hangs.flv", L"d-quick.flv", L"e-quick.flv"};
    for (const wchar_t* name : names) WriteBytes(library_.path() + name, {1, 2, 3});
    library::CatalogueSource source{library_.path(), hanging, CachePath(), 2, 3s};

    const auto started = std::chrono::steady_clock::now();
    int probed = -1;
    const Rows rows = Build(source, &probed);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(probed, 5);
    // The two hangs overlap; one after the other they would take twice as long.
    EXPECT_GE(took, 3s);
    EXPECT_LT(took, 5500ms);
    std::vector<std::wstring> titles;
    for (const auto& row : rows) titles.push_back(row[0]);
    std::vector<std::wstring> enumerated;
    WIN32_FIND_DATAW found{};
    platform::UniqueFind find(FindFirstFileW((library_.path() + L"*").c_str(), &found));
    do {
        const std::wstring name = found.cFileName;
        if (name.find(L"quick") != std::wstring::npos)
            enumerated.insert(enumerated.begin(), name.substr(0, name.size() - 4));
    } while (FindNextFileW(find.get(), &found));
    EXPECT_EQ(titles, enumerated) << "rows in the order of the folder, newest enumerated on top";

    Build(source, &probed);
    EXPECT_EQ(probed, 2) << "a probe cut off by its time-out is not remembered";
}

}  // namespace
