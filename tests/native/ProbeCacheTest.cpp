#include "library/OrderedPool.h"
#include "probe/ProbeCacheRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace probe {
namespace {

const ProbeToolIdentity kTool{65'123'456, 0x01D4A1B2C3D4E5F6ull};

CachedProbe Probe(std::uint64_t size, std::wstring video, bool listsClip = true) {
    ProbeFields fields{L"00:00:02",
                       L"",
                       L"",
                       L"320x240",
                       L"25 Fps",
                       L"521 kb/s",
                       std::move(video),
                       L"mp3, 22050 Hz, mono, fltp, 64 kb/s"};
    return CachedProbe{size, 0x01DD86D32CE7C8E2ull + size, listsClip, std::move(fields)};
}

ProbeEntries SampleEntries() {
    ProbeEntries entries;
    entries[L"C:\\Reelkeep\\Videos\\1260000001.flv"] = Probe(41'000, L"flv1, yuv420p, 320x240, 200 kb/s, 25 fps");
    entries[L"C:\\Reelkeep\\Videos\\1260000002.flv"] = Probe(0, L" n/a", false);
    entries[L"C:\\Reelkeep\\Videos\\clip \u00e9t\u00e9 \u0432\u0438\u0434\u0435\u043e.mp4"] =
        Probe(~0ull, L"h264 (High) (avc1 / 0x31637661), yuv420p, 1920x1080, 23.98 fps");
    entries[L"D:\\elsewhere\\a.webm"] = Probe(7, L"");
    entries[L"D:\\elsewhere\\a.webm"].fields.width = L"640";
    return entries;
}

TEST(ProbeCacheFormat, EntriesRoundTripWithEveryFieldAndSharedPathPrefixes) {
    const ProbeEntries entries = SampleEntries();
    const std::vector<std::uint8_t> bytes = probe_cache::Serialize(kTool, entries);
    const probe_cache::Parsed parsed = probe_cache::Parse(bytes, kTool);
    EXPECT_EQ(parsed.state, probe_cache::FileState::Intact);
    EXPECT_EQ(parsed.entries, entries);
    // The second clip's path costs only what it does not share with the first.
    EXPECT_LT(bytes.size(), 600u);
    EXPECT_EQ(probe_cache::Parse(probe_cache::Serialize(kTool, {}), kTool).state, probe_cache::FileState::Intact);
}

// Whatever the bytes, parsing never trusts what it cannot check and says the file must go.
TEST(ProbeCacheFormat, DamagedForeignAndFutureFilesAreNeverTrusted) {
    const std::vector<std::uint8_t> good = probe_cache::Serialize(kTool, SampleEntries());
    std::vector<std::uint8_t> future = good;
    future[8] = 2;  // version
    std::vector<std::uint8_t> flipped = good;
    flipped[good.size() - 3] ^= 0x10;
    std::vector<std::uint8_t> random(4096);
    std::mt19937 generator(13);
    for (auto& byte : random) byte = static_cast<std::uint8_t>(generator());
    std::vector<std::uint8_t> foreignMagic = good;
    foreignMagic[0] = 'X';
    std::vector<std::uint8_t> appendedJunk = good;
    appendedJunk.insert(appendedJunk.end(), {1, 2, 3});

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        ProbeToolIdentity tool;
        probe_cache::FileState state;
        std::size_t entriesAtMost;
    };
    const Case cases[] = {
        {"empty", {}, kTool, probe_cache::FileState::Empty, 0},
        {"random bytes", random, kTool, probe_cache::FileState::Foreign, 0},
        {"foreign magic", foreignMagic, kTool, probe_cache::FileState::Foreign, 0},
        {"header only half there", {good.begin(), good.begin() + 20}, kTool, probe_cache::FileState::Foreign, 0},
        {"future version", future, kTool, probe_cache::FileState::FutureFormat, 0},
        {"another ffmpeg.exe", good, ProbeToolIdentity{kTool.size + 1, kTool.lastWriteTime},
         probe_cache::FileState::OtherTool, 0},
        {"cut in half",
         {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)},
         kTool,
         probe_cache::FileState::Damaged,
         3},
        {"last record flipped", flipped, kTool, probe_cache::FileState::Damaged, 3},
        {"junk after the records", appendedJunk, kTool, probe_cache::FileState::Damaged, 4},
    };
    const ProbeEntries all = SampleEntries();
    for (const Case& c : cases) {
        const probe_cache::Parsed parsed = probe_cache::Parse(c.bytes, c.tool);
        EXPECT_EQ(parsed.state, c.state) << c.name;
        EXPECT_LE(parsed.entries.size(), c.entriesAtMost) << c.name;
        // What survives damage is exactly what was written.
        for (const auto& [path, probe] : parsed.entries) EXPECT_EQ(all.at(path), probe) << c.name;
    }
    // Every cut and every single flipped byte: no crash, no invented entry, never Intact.
    for (std::size_t cut = 1; cut < good.size(); ++cut) {
        const probe_cache::Parsed parsed = probe_cache::Parse(std::span(good).first(cut), kTool);
        EXPECT_NE(parsed.state, probe_cache::FileState::Intact) << "cut at " << cut;
        for (const auto& [path, probe] : parsed.entries) EXPECT_EQ(all.at(path), probe) << "cut at " << cut;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::vector<std::uint8_t> damaged = good;
        damaged[at] ^= 0x41;
        EXPECT_NE(probe_cache::Parse(damaged, kTool).state, probe_cache::FileState::Intact) << "byte " << at;
    }
}

TEST(ProbeCacheRules, AnEntryCountsOnlyForTheSameSizeAndWriteTime) {
    const ProbeEntries entries = SampleEntries();
    const std::wstring path = L"C:\\Reelkeep\\Videos\\1260000001.flv";
    const CachedProbe& stored = entries.at(path);
    EXPECT_EQ(FindCurrentProbe(entries, path, stored.size, stored.lastWriteTime), &stored);
    EXPECT_EQ(FindCurrentProbe(entries, path, stored.size + 1, stored.lastWriteTime), nullptr) << "replaced";
    EXPECT_EQ(FindCurrentProbe(entries, path, stored.size, stored.lastWriteTime + 1), nullptr) << "touched";
    EXPECT_EQ(FindCurrentProbe(entries, L"C:\\Reelkeep\\Videos\\1260000001.FLV", stored.size, stored.lastWriteTime),
              nullptr);
}

TEST(ProbeCacheRules, ASaveKeepsOthersEntriesTakesFreshOnesAndDropsClipsGoneFromTheFolder) {
    ProbeEntries onDisk = SampleEntries();
    onDisk[L"C:\\Reelkeep\\Videos\\sub\\x.flv"] = Probe(1, L"v");
    ProbeEntries fresh;
    fresh[L"C:\\Reelkeep\\Videos\\1260000001.flv"] = Probe(99, L"new");
    fresh[L"C:\\Reelkeep\\Videos\\1260000003.flv"] = Probe(3, L"v");

    const ProbeEntries merged = MergeForSave(onDisk, fresh, nullptr);
    EXPECT_EQ(merged.size(), onDisk.size() + 1);
    EXPECT_EQ(merged.at(L"C:\\Reelkeep\\Videos\\1260000001.flv").size, 99u);

    const FolderListing listing{L"C:\\Reelkeep\\Videos\\",
                                {L"C:\\Reelkeep\\Videos\\1260000001.flv", L"C:\\Reelkeep\\Videos\\1260000003.flv"}};
    const ProbeEntries pruned = MergeForSave(onDisk, fresh, &listing);
    std::vector<std::wstring> kept;
    for (const auto& entry : pruned) kept.push_back(entry.first);
    // Other folders, and files below the library folder, are not the listing's to judge.
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"C:\\Reelkeep\\Videos\\1260000001.flv",
                                               L"C:\\Reelkeep\\Videos\\1260000003.flv",
                                               L"C:\\Reelkeep\\Videos\\sub\\x.flv", L"D:\\elsewhere\\a.webm"}));
}

TEST(OrderedPool, DeliversInOrderWhileSlowItemsHoldUpOnlyTheDeliveryBehindThem) {
    using namespace std::chrono_literals;
    constexpr std::size_t kItems = 40;
    std::vector<std::optional<int>> results(kItems);
    for (std::size_t i = 0; i < kItems; i += 7) results[i] = -static_cast<int>(i);  // known already
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> doneWhileFirstSlept{0};
    std::atomic<bool> slowDone{false};
    std::vector<std::size_t> order;
    std::vector<std::size_t> awaited;
    library::DeliverInOrder<int>(
        results, 3,
        [&](std::size_t i) {
            const int now = ++running;
            for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {}
            std::this_thread::sleep_for(i == 1 ? 300ms : std::chrono::milliseconds(i % 5));
            if (i == 1)
                slowDone = true;
            else if (!slowDone)
                ++doneWhileFirstSlept;
            --running;
            return static_cast<int>(i);
        },
        [&](std::size_t i, int& result) {
            EXPECT_EQ(result, i % 7 == 0 ? -static_cast<int>(i) : static_cast<int>(i));
            order.push_back(i);
        },
        [&](std::size_t i) {
            EXPECT_EQ(order.size(), i) << "the wait is for the next item to deliver";
            awaited.push_back(i);
        },
        50ms);
    std::vector<std::size_t> expected(kItems);
    for (std::size_t i = 0; i < kItems; ++i) expected[i] = i;
    EXPECT_EQ(order, expected);
    EXPECT_EQ(mostAtOnce, 3);
    EXPECT_GT(doneWhileFirstSlept, 20) << "a slow item must not hold the others' work";
    EXPECT_GE(std::ranges::count(awaited, 1u), 3) << "the long wait for the slow item is told of again and again";
    EXPECT_TRUE(std::ranges::none_of(awaited, [](std::size_t i) { return i % 7 == 0; }))
        << "an item known already is never waited for";
}

}  // namespace
}  // namespace probe
