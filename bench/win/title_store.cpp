// ReadTitle through the fallback store holding 10,000 titles, against opening and closing
// the same files, timed alternately in one run. Prints the ratio of the medians; fails
// when it is over the limit or when a title does not read back.
#include "titles/FallbackTitleStore.h"
#include "titles/TitleStore.h"

#include "support/BenchClock.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::NowMicroseconds;

constexpr double kLimit = 2.0;
constexpr int kFiles = 10000;
constexpr int kRounds = 7;

std::wstring TitleOf(int i) { return L"Movie" + std::to_wstring(i); }

bool MakeFiles(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool wrote = WriteFile(file, "FLV\x01", 4, &written, nullptr) != FALSE;
        CloseHandle(file);
        if (!wrote) return false;
    }
    return true;
}

// Exactly the open the title store makes: no sharing, existing file only.
double TimeOpenClose(const std::vector<std::wstring>& paths) {
    const double start = NowMicroseconds();
    for (const std::wstring& path : paths) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return NowMicroseconds() - start;
}

double TimeReadTitle(const std::vector<std::wstring>& paths, int& wrong) {
    const double start = NowMicroseconds();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (titles::ReadTitle(paths[i]) != TitleOf(static_cast<int>(i))) ++wrong;
    }
    return NowMicroseconds() - start;
}

void RemoveAll(const std::wstring& folder, const std::vector<std::wstring>& paths, const std::wstring& log) {
    for (const std::wstring& path : paths) DeleteFileW(path.c_str());
    DeleteFileW(log.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"reelkeep-bench-titles-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring log = folder + L"\\titles.log";
    titles::UseTitleStoreAt(log);

    std::vector<std::wstring> paths;
    for (int i = 0; i < kFiles; ++i) paths.push_back(folder + L"\\clip" + std::to_wstring(i) + L".flv");
    if (!MakeFiles(paths)) {
        std::printf("title_store: cannot create the test files\n");
        RemoveAll(folder, paths, log);
        return 1;
    }
    // New files' times are inside the store's clock guard for a few tens of milliseconds.
    Sleep(50);
    const double writeStart = NowMicroseconds();
    for (int i = 0; i < kFiles; ++i) titles::WriteTitle(paths[i], TitleOf(i));
    const double writeMicroseconds = (NowMicroseconds() - writeStart) / kFiles;

    int wrong = 0;
    TimeReadTitle(paths, wrong);  // warms the in-memory map, as a running program has it
    std::vector<double> openClose;
    std::vector<double> readTitle;
    for (int round = 0; round < kRounds; ++round) {
        openClose.push_back(TimeOpenClose(paths));
        readTitle.push_back(TimeReadTitle(paths, wrong));
    }
    RemoveAll(folder, paths, log);

    const double ratio = Median(readTitle) / Median(openClose);
    std::printf("title_store.write: %.1f us per WriteTitle\n", writeMicroseconds);
    std::printf("title_store.open_close: %.1f us, read_title: %.1f us per call\n", Median(openClose) / kFiles,
                Median(readTitle) / kFiles);
    std::printf("title_store.read_vs_open_close: %.2fx (limit %.1fx)\n", ratio, kLimit);
    if (wrong > 0) {
        std::printf("title_store: %d reads did not give the written title\n", wrong);
        return 1;
    }
    return ratio <= kLimit ? 0 : 1;
}
