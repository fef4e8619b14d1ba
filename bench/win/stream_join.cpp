// Capturing a played pair of streams, timed under Wine against the bare tool in the same
// run: a 100 MB video stream and the 10 MB audio stream played with it, cached as 1 MiB
// query-range pieces in a Simple cache, are read, grouped, paired, joined by ffmpeg.exe
// straight from the cache files and checked, against ffmpeg.exe joining the same two
// streams as plain files. Prints the ratio of the medians; fails when it is over its limit.
#include "capture/CacheReaders.h"
#include "intake/ClipReport.h"
#include "intake/ToolCommand.h"
#include "capture/StreamIntake.h"
#include "platform/ProcessRunner.h"
#include "platform/UniqueHandle.h"
#include "titles/FallbackTitleStore.h"

#include "support/BenchClock.h"
#include "support/BenchTools.h"
#include "support/ScratchFolder.h"
#include "support/SimpleCacheWriter.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::NowMicroseconds;

// Copying is served from memory here, while joining runs ffmpeg.exe over every packet:
// the pipeline is held against the bare tool's join of the same two files plus the copy.
constexpr double kJoinLimit = 1.3;
constexpr int kRounds = 3;
constexpr std::uint64_t kPiece = 1u << 20;

std::string ReadAll(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    std::vector<char> block(1 << 20);
    DWORD read = 0;
    while (file && ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr) && read > 0)
        bytes.append(block.data(), read);
    return bytes;
}

// The stream as a player fetched it: one entry per 1 MiB piece, asked as ?range=A-B.
bool CacheStream(const std::wstring& folder, const std::string& bytes, const char* itag, const char* type, int& entry) {
    // Fetched a moment ago, in Chromium's microseconds since 1601.
    const std::uint64_t fetched = (static_cast<std::uint64_t>(std::time(nullptr)) + 11644473600ull) * 1000000ull;
    for (std::uint64_t first = 0; first < bytes.size(); first += kPiece) {
        const std::uint64_t length = std::min<std::uint64_t>(kPiece, bytes.size() - first);
        const std::string url = "http://127.0.0.1:8000/videoplayback?id=bench&itag=" + std::string(itag) +
                                "&clen=" + std::to_string(bytes.size()) + "&range=" + std::to_string(first) + "-" +
                                std::to_string(first + length - 1) + "&rn=" + std::to_string(entry);
        const std::string headers = "HTTP/1.1 200 OK" + std::string(1, '\0') + "Content-Type: " + type +
                                    std::string(1, '\0') + "Content-Length: " + std::to_string(length) +
                                    std::string(2, '\0');
        const std::string file = bench::StreamFile(bench::KeyOf(url), bytes.substr(first, length), headers, fetched);
        if (!bench::WriteFileBytes(folder + L"\\" + bench::HashName(entry++, L"_0"), file)) return false;
    }
    return true;
}

bool SystemCopyToDisk(const std::wstring& from, const std::wstring& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) return false;
    platform::UniqueFile copy(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return copy && FlushFileBuffers(copy.get());
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"reelkeep-bench-join-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    titles::UseTitleStoreAt(base + L"\\titles.log");
    const std::wstring ffmpeg = bench::BinFolder() + L"ffmpeg.exe";
    // Made by bench/make-join-streams.sh at build time.
    const std::wstring video = bench::BinFolder() + L"bench-join\\video.mp4";
    const std::wstring audio = bench::BinFolder() + L"bench-join\\audio.mp4";
    const std::wstring cache = base + L"\\Cache_Data";
    CreateDirectoryW(cache.c_str(), nullptr);
    int entry = 0;
    if (bench::FileSize(video) < 80'000'000 || bench::FileSize(audio) < 8'000'000) {
        std::printf("the streams are %lld and %lld bytes\n", bench::FileSize(video), bench::FileSize(audio));
        return 1;
    }
    if (!bench::WriteSimpleIndex(cache) || !CacheStream(cache, ReadAll(video), "134", "video/mp4", entry) ||
        !CacheStream(cache, ReadAll(audio), "140", "audio/mp4", entry)) {
        std::printf("could not make the cached streams\n");
        return 1;
    }
    int failures = 0;
    std::vector<double> joins, copies, bare;
    for (int round = 0; round < kRounds; ++round) {
        capture::IntakeContext context;
        context.libraryFolder = base + L"\\Videos" + std::to_wstring(round) + L"\\";
        context.ffmpegPath = ffmpeg;
        CreateDirectoryW(context.libraryFolder.c_str(), nullptr);
        capture::MovieNumbers numbers;
        context.numbers = &numbers;
        int clips = 0;
        context.clipAdded = [&](const library::ArrivedClip&) { ++clips; };
        capture::StreamIntake intake(context);
        double start = NowMicroseconds();
        {
            const capture::DiskCacheFiles files(cache);
            intake.TakeFolder(cache, files, capture::ReadCache(files, capture::CacheKind::ChromiumSimple));
        }
        joins.push_back(NowMicroseconds() - start);
        if (clips != 1) ++failures;
        start = NowMicroseconds();
        if (!SystemCopyToDisk(video, base + L"\\copied-video.mp4") ||
            !SystemCopyToDisk(audio, base + L"\\copied-audio.mp4"))
            ++failures;
        copies.push_back(NowMicroseconds() - start);
        DeleteFileW((base + L"\\copied-video.mp4").c_str());
        DeleteFileW((base + L"\\copied-audio.mp4").c_str());
        start = NowMicroseconds();
        intake::CopyOrJoin job;
        job.picture.location = video;
        job.sound = intake::ToolInput{audio};
        job.container = intake::ClipContainer::Matroska;
        job.output = base + L"\\bare.mkv";
        platform::RunAndCapture(intake::CopyOrJoinCommandLine(ffmpeg, job), std::chrono::minutes(5));
        bare.push_back(NowMicroseconds() - start);
        if (bench::FileSize(base + L"\\bare.mkv") < 100'000'000) ++failures;
        DeleteFileW((base + L"\\bare.mkv").c_str());
        testing_support::ScratchFolder::RemoveTree(context.libraryFolder);
    }
    std::printf("capturing a 100 MB video stream with its 10 MB audio stream vs copying 110 MB: %.2fx (no limit)\n",
                Median(joins) / Median(copies));
    const double ratio = Median(joins) / Median(bare);
    std::printf("the same vs ffmpeg.exe joining the two streams as plain files: %.2fx (limit %.1fx)\n", ratio,
                kJoinLimit);
    if (ratio > kJoinLimit) ++failures;
    testing_support::ScratchFolder::RemoveTree(base + L"\\");
    std::printf(failures ? "FAILED\n" : "ok\n");
    return failures ? 1 : 0;
}
