// The browser-cache side of the watcher, timed under Wine against plain baselines in the
// same run: a pass over a Chromium cache of 5,000 entries, most of them pieces of streams
// captured before, with nothing new, against a bare walk of its folder; putting together a
// 100 MB video stored as range records against copying 100 MB; and the same records with
// their CRC-32s checked against those without. The caches are made here, in a scratch
// folder. Prints the ratios of the medians; fails when one is over its limit.
#include "capture/BodyAssembly.h"
#include "capture/BrowserCacheIntake.h"
#include "capture/CacheWatcher.h"
#include "capture/SimpleCache.h"
#include "capture/StreamIntake.h"
#include "capture/StreamUrls.h"
#include "platform/Crc32.h"
#include "platform/UniqueHandle.h"
#include "titles/FallbackTitleStore.h"

#include "support/BareWalk.h"
#include "support/BenchClock.h"
#include "support/ScratchFolder.h"
#include "support/SimpleCacheWriter.h"

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

using bench::BareWalk;
using bench::Median;
using bench::NowMicroseconds;

constexpr double kPassLimit = 1.5;
constexpr double kAssemblyLimit = 1.3;
// zlib's CRC-32 runs at about 1 GB/s under Wine here, and putting a body together out of
// the page cache at about twice that: checking every record adds about half again.
constexpr double kCheckLimit = 1.8;
constexpr int kRounds = 7;

std::string Key(int i) { return bench::KeyOf("http://127.0.0.1:8000/media/v" + std::to_string(i)); }

// A stream of 100 pieces that a player fetched with query ranges, 3,000 bytes each.
constexpr int kPiecesPerStream = 100;
constexpr std::uint64_t kPieceSize = 3000;

std::string PieceUrl(int stream, int piece) {
    const std::uint64_t first = piece * kPieceSize;
    return "http://127.0.0.1:8000/videoplayback?id=" + std::to_string(stream / 2) +
           "&itag=" + (stream % 2 ? "140&mime=audio%2Fmp4" : "134&mime=video%2Fmp4") +
           "&clen=" + std::to_string(kPiecesPerStream * kPieceSize) + "&range=" + std::to_string(first) + "-" +
           std::to_string(first + kPieceSize - 1) + "&rn=" + std::to_string(piece + 1);
}

// 5,000 entries as a browser leaves them: 1,000 pages, scripts and images (a few KiB
// each), and 4,000 pieces of 40 streams, 20 played pictures and their sound, all of them
// captured already: the record beside the library says so.
bool MakeEntryCache(const std::wstring& folder, const std::wstring& libraryFolder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!bench::WriteSimpleIndex(folder)) return false;
    const std::string page(3000, 'x');
    const std::string headers = std::string("HTTP/1.1 200 OK\0Content-Type: text/html\0\0", 42);
    for (int i = 0; i < 1000; ++i) {
        if (!bench::WriteFileBytes(folder + L"\\" + bench::HashName(i, L"_0"),
                                   bench::StreamFile(Key(i), page, headers)))
            return false;
    }
    capture::StreamRecord record;
    const std::string piece(kPieceSize, 'p');
    for (int stream = 0; stream < 40; ++stream) {
        const std::string type = stream % 2 ? "audio/mp4" : "video/mp4";
        const std::string pieceHeaders = "HTTP/1.1 200 OK" + std::string(1, '\0') + "Content-Type: " + type +
                                         std::string(1, '\0') + "Content-Length: " + std::to_string(kPieceSize) +
                                         std::string(2, '\0');
        for (int i = 0; i < kPiecesPerStream; ++i) {
            const std::wstring name = bench::HashName(1000 + stream * kPiecesPerStream + i, L"_0");
            const std::string file = bench::StreamFile(bench::KeyOf(PieceUrl(stream, i)), piece, pieceHeaders);
            if (!bench::WriteFileBytes(folder + L"\\" + name, file)) return false;
        }
        const std::string identity = "http://127.0.0.1 " + capture::QueryRangeOf(PieceUrl(stream, 0))->stream;
        record.Set(identity, {kPiecesPerStream * kPieceSize, std::to_wstring(1765242000 + stream / 2) + L".mp4", ""});
    }
    CreateDirectoryW((libraryFolder + L".streams").c_str(), nullptr);
    return bench::WriteFileBytes(capture::StreamRecordPath(libraryFolder), record.Text());
}

// A range-played video: its "_0" holds only the headers, its "_s" the body as 64 KiB
// records, the tail written before the middle as a player that reads the index last does.
// The yardstick: the system's own copy, flushed to disk as the assembly is.
bool SystemCopyToDisk(const std::wstring& from, const std::wstring& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    platform::UniqueFile copy(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return copy && FlushFileBuffers(copy.get());
}

// With `crcs` each record carries its CRC-32, as the browser writes it, and the
// assembly checks them on the way.
bool MakeRangeVideo(const std::wstring& folder, std::uint64_t size, const std::wstring& plainCopy, bool crcs) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string key = Key(99999);
    using bench::Put32;
    using bench::Put64;
    using namespace std::string_literals;
    const std::string headers = "HTTP/1.1 206 Partial Content\0Content-Type: video/mp4\0Content-Range: bytes 0-"s +
                                std::to_string(size - 1) + "/" + std::to_string(size) + "\0\0"s;
    if (!bench::WriteFileBytes(folder + L"\\" + bench::HashName(1, L"_0"), bench::StreamFile(key, "", headers)))
        return false;
    constexpr std::uint64_t kRecord = 65536;
    std::vector<std::uint64_t> order;
    for (std::uint64_t at = 0; at < size; at += kRecord) order.push_back(at);
    std::rotate(order.begin(), order.end() - 8, order.end());
    std::string sparse = bench::EntryHeader(key, 9);
    std::string plain(size, '\0');
    for (std::uint64_t at = 0; at < size; ++at) plain[at] = static_cast<char>((at * 2654435761u) >> 13);
    for (std::uint64_t at : order) {
        const std::uint64_t length = std::min(kRecord, size - at);
        Put64(sparse, 0xeb97bf016553676bull);
        Put64(sparse, at);
        Put64(sparse, length);
        const auto record = std::span(reinterpret_cast<const std::uint8_t*>(plain.data()) + at, length);
        Put32(sparse, crcs ? platform::Crc32(record) : 0);
        Put32(sparse, 0);
        sparse.append(plain, at, length);
    }
    return bench::WriteFileBytes(folder + L"\\" + bench::HashName(1, L"_s"), sparse) &&
           bench::WriteFileBytes(plainCopy, plain);
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    HANDLE fa = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE fb = CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    bool same = fa != INVALID_HANDLE_VALUE && fb != INVALID_HANDLE_VALUE;
    std::vector<char> x(1 << 20), y(1 << 20);
    while (same) {
        DWORD ra = 0, rb = 0;
        same = ReadFile(fa, x.data(), 1 << 20, &ra, nullptr) && ReadFile(fb, y.data(), 1 << 20, &rb, nullptr) &&
               ra == rb && std::memcmp(x.data(), y.data(), ra) == 0;
        if (ra == 0) break;
    }
    if (fa != INVALID_HANDLE_VALUE) CloseHandle(fa);
    if (fb != INVALID_HANDLE_VALUE) CloseHandle(fb);
    return same;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"reelkeep-bench-readers-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    titles::UseTitleStoreAt(base + L"\\titles.log");
    int failures = 0;

    // The pass: the watcher's walk with its cache intake; the first pass settles every
    // entry, the timed ones find nothing new.
    const std::wstring cache = base + L"\\Cache_Data";
    capture::IntakeContext context;
    context.libraryFolder = base + L"\\Videos\\";
    CreateDirectoryW(context.libraryFolder.c_str(), nullptr);
    if (!MakeEntryCache(cache, context.libraryFolder)) {
        std::printf("could not make the 5000-entry cache\n");
        return 1;
    }
    capture::BrowserCacheIntake intake(context);
    int folders = 0;
    const capture::CacheFolderSink caches = [&](const std::wstring& folder, const capture::CacheListing& listing) {
        ++folders;
        intake.ScanFolder(folder, listing);
    };
    long candidates = 0;
    const auto sink = [&](const std::wstring&, const WIN32_FIND_DATAW&) { ++candidates; };
    capture::ScanCacheFolder(cache + L"\\*", sink, nullptr, &caches);
    std::vector<double> passes, walks;
    for (int round = 0; round < kRounds; ++round) {
        double start = NowMicroseconds();
        capture::ScanCacheFolder(cache + L"\\*", sink, nullptr, &caches);
        intake.ForgetUnseen();
        passes.push_back(NowMicroseconds() - start);
        start = NowMicroseconds();
        if (BareWalk(cache) < 5000) ++failures;
        walks.push_back(NowMicroseconds() - start);
    }
    const double passRatio = Median(passes) / Median(walks);
    std::printf(
        "pass over a 5000-entry Chromium cache, 4000 of them pieces of 40 captured streams, vs bare walk: %.2fx "
        "(limit %.1fx)\n",
        passRatio, kPassLimit);
    if (passRatio > kPassLimit || candidates != 0 || folders != kRounds + 1) ++failures;

    // The same pass when one page has just changed: only that entry is read again, but
    // every stream is grouped and looked up anew. Printed beside, without a limit.
    std::vector<double> changedPasses;
    for (int round = 0; round < kRounds; ++round) {
        const std::string page(3000 + round + 1, 'y');
        const std::string headers = std::string("HTTP/1.1 200 OK\0Content-Type: text/html\0\0", 42);
        if (!bench::WriteFileBytes(cache + L"\\" + bench::HashName(round, L"_0"),
                                   bench::StreamFile(Key(round), page, headers)))
            ++failures;
        const double start = NowMicroseconds();
        capture::ScanCacheFolder(cache + L"\\*", sink, nullptr, &caches);
        intake.ForgetUnseen();
        changedPasses.push_back(NowMicroseconds() - start);
    }
    std::printf("the same pass after one page changed vs bare walk: %.2fx (no limit)\n",
                Median(changedPasses) / Median(walks));

    // The assembly: records read and written out in order, against a plain copy; and the
    // same records with their CRC-32s, checked on the way, against those without.
    constexpr std::uint64_t kVideoSize = 100'000'000;
    const std::wstring checked = base + L"\\checked";
    const std::wstring unchecked = base + L"\\unchecked";
    const std::wstring plain = base + L"\\plain.mp4";
    if (!MakeRangeVideo(checked, kVideoSize, plain, true) || !MakeRangeVideo(unchecked, kVideoSize, plain, false)) {
        std::printf("could not make the range-played video\n");
        return 1;
    }
    const std::wstring hash = bench::HashName(1, L"");
    const capture::SimpleEntryFiles entry{std::string(hash.begin(), hash.end()), true, true};
    const auto assemble = [&](const std::wstring& video) {
        // One reader per round, as the watcher has one per pass: it keeps its last file open.
        const capture::DiskCacheFiles files(video);
        const double start = NowMicroseconds();
        const auto response = capture::ReadSimpleEntry(files, entry);
        const bool made = response && response->state == capture::BodyState::Whole &&
                          capture::AssembleBody(response->body, response->otherDigests, video,
                                                base + L"\\assembled.mp4") == capture::Assembly::Written;
        const double elapsed = NowMicroseconds() - start;
        if (!made || !SameFile(base + L"\\assembled.mp4", plain)) ++failures;
        DeleteFileW((base + L"\\assembled.mp4").c_str());
        return elapsed;
    };
    std::vector<double> assemblies, checkedAssemblies, copies;
    for (int round = 0; round < 5; ++round) {
        assemblies.push_back(assemble(unchecked));
        checkedAssemblies.push_back(assemble(checked));
        const double start = NowMicroseconds();
        if (!SystemCopyToDisk(plain, base + L"\\copied.mp4")) ++failures;
        copies.push_back(NowMicroseconds() - start);
        DeleteFileW((base + L"\\copied.mp4").c_str());
    }
    const double assemblyRatio = Median(assemblies) / Median(copies);
    std::printf("putting together a 100 MB range-played video vs copying 100 MB: %.2fx (limit %.1fx)\n", assemblyRatio,
                kAssemblyLimit);
    if (assemblyRatio > kAssemblyLimit) ++failures;
    const double checkRatio = Median(checkedAssemblies) / Median(assemblies);
    std::printf("the same with every record's CRC-32 checked vs without: %.2fx (limit %.1fx)\n", checkRatio,
                kCheckLimit);
    if (checkRatio > kCheckLimit) ++failures;

    testing_support::ScratchFolder::RemoveTree(base + L"\\");
    std::printf(failures ? "FAILED\n" : "ok\n");
    return failures ? 1 : 0;
}
