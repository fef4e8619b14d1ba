// The cache watcher's cost against a bare FindFirstFileW walk of the same tree, timed
// alternately in one run: a pass over 20,000 small files that are not candidates, a pass
// over 1,000 candidates that are marked already, and the CPU time of a watcher with every
// switch off. Prints the ratios of the medians; fails when one is over its limit.
#include "capture/CacheWatcher.h"
#include "titles/FallbackTitleStore.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include "support/BareWalk.h"
#include "support/BenchClock.h"
#include "support/ScratchFolder.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::BareWalk;
using bench::Median;
using bench::NowMicroseconds;

constexpr double kSmallFilesLimit = 1.5;
constexpr double kMarkedLimit = 3.0;
constexpr int kRounds = 7;

bool MakeFile(const std::wstring& path, LONG size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool made = true;
    if (size > 0) {
        // Extending leaves a sparse file: the size is what the scan looks at.
        made = SetFilePointer(file, size, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(file);
    }
    CloseHandle(file);
    return made;
}

// A cache's shape: folders of a hundred entries with page, image and extensionless names.
// Streams get names the watcher takes; the rest page, image and script names as well.
std::vector<std::wstring> MakeTree(const std::wstring& root, int files, LONG size, bool streamNames) {
    std::vector<std::wstring> paths;
    CreateDirectoryW(root.c_str(), nullptr);
    const wchar_t* mixed[] = {L"", L".html", L".png", L".js", L".flv"};
    const wchar_t* streams[] = {L"", L".flv", L".mp4", L".tmp", L""};
    const wchar_t** extensions = streamNames ? streams : mixed;
    for (int i = 0; i < files; ++i) {
        const std::wstring folder = root + L"\\F" + std::to_wstring(i / 100);
        if (i % 100 == 0) CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring path = folder + L"\\E" + std::to_wstring(i) + extensions[i % 5];
        if (!MakeFile(path, size)) return {};
        paths.push_back(path);
    }
    return paths;
}

// Times the scan and the bare walk alternately; returns the ratio of the medians.
// With `memo` the scans share it, as the watcher's passes do; without, every scan reads
// every candidate's title, as a first pass does.
double CompareWithBareWalk(const std::wstring& root, long& candidates, capture::MarkedFileMemo* memo = nullptr) {
    std::vector<double> scans;
    std::vector<double> walks;
    candidates = 0;
    for (int round = 0; round < kRounds; ++round) {
        double start = NowMicroseconds();
        capture::ScanCacheFolder(
            root + L"\\*", [&](const std::wstring&, const WIN32_FIND_DATAW&) { ++candidates; }, memo);
        if (memo) memo->ForgetUnseen();
        scans.push_back(NowMicroseconds() - start);
        start = NowMicroseconds();
        if (BareWalk(root) == 0) return 1e9;
        walks.push_back(NowMicroseconds() - start);
    }
    return Median(scans) / Median(walks);
}

std::atomic<bool> switchedOff{false};

DWORD WINAPI IdleWatcher(void* root) {
    const std::wstring pattern = *static_cast<const std::wstring*>(root) + L"\\*";
    capture::IntakeContext intake;
    capture::CacheWatcher watcher({&switchedOff, &switchedOff, &switchedOff, &switchedOff},
                                  {pattern, pattern, {pattern}, {pattern}, {}, {}}, intake);
    watcher.RunForever();
}

double ThreadCpuMilliseconds(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
    const auto value = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"reelkeep-bench-cache-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    titles::UseTitleStoreAt(base + L"\\titles.log");
    int failures = 0;

    const std::wstring small = base + L"\\small";
    if (MakeTree(small, 20000, 1000, false).empty()) {
        std::printf("could not make the small-file tree\n");
        return 1;
    }
    long candidates = 0;
    const double smallRatio = CompareWithBareWalk(small, candidates);
    std::printf("cache pass over 20000 small files vs bare walk: %.2fx (limit %.1fx)\n", smallRatio, kSmallFilesLimit);
    if (smallRatio > kSmallFilesLimit || candidates != 0) ++failures;

    const std::wstring marked = base + L"\\marked";
    const std::vector<std::wstring> streams = MakeTree(marked, 1000, 300000, true);
    for (const std::wstring& path : streams) titles::WriteTitle(path, std::wstring(titles::kTitleFlv));
    const double firstRatio = CompareWithBareWalk(marked, candidates);
    std::printf("first pass over 1000 marked candidates (titles read) vs bare walk: %.2fx (no limit)\n", firstRatio);
    if (candidates != 0 || streams.empty()) ++failures;
    capture::MarkedFileMemo memo;
    capture::ScanCacheFolder(
        marked + L"\\*", [](const std::wstring&, const WIN32_FIND_DATAW&) {}, &memo);
    const double markedRatio = CompareWithBareWalk(marked, candidates, &memo);
    std::printf("cache pass over 1000 marked candidates vs bare walk: %.2fx (limit %.1fx)\n", markedRatio,
                kMarkedLimit);
    if (markedRatio > kMarkedLimit || candidates != 0 || memo.size() != streams.size()) ++failures;

    std::wstring root = small;
    HANDLE thread = CreateThread(nullptr, 0, IdleWatcher, &root, 0, nullptr);
    Sleep(500);
    const double before = ThreadCpuMilliseconds(thread);
    Sleep(4000);
    const double used = ThreadCpuMilliseconds(thread) - before;
    std::printf("watcher CPU with every switch off over 4 s: %.1f ms (limit 10 ms)\n", used);
    if (used < 0 || used > 10) ++failures;

    testing_support::ScratchFolder::RemoveTree(base + L"\\");
    std::printf(failures ? "FAILED\n" : "ok\n");
    // The idle watcher never returns; the process ends it.
    ExitProcess(failures ? 1 : 0);
}
