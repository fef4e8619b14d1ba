// A library as it grows. From outside, on the built program: the first start with 150 new
// clips against probing them one after another, the second start with 10,000 unchanged
// clips against one with 20, the private bytes of both, and how quickly the window answers
// throughout. In this process, with the main window's list and the real intake: one
// capture into a library of 10,000 against the same capture into an empty one.
// `bench_library_growth first|second|capture` measures only that figure.
#include "capture/Intake.h"
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "library/ClipArrival.h"
#include "platform/FileValues.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheFile.h"

#include "support/FileBytes.h"
#include "support/MainWindowBench.h"
#include "support/ProgramRun.h"
#include "support/ScratchFolder.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::BinFolder;

constexpr int kNewClips = 150;
constexpr int kLargeLibrary = 10'000;
constexpr int kSmallLibrary = 20;
constexpr int kCaptureRounds = 7;
constexpr double kFirstStartLimit = 0.6;
constexpr double kSecondStartLimit = 3.0;
constexpr double kCaptureLimit = 1.2;
constexpr double kMemoryLimit = 3.0;
constexpr double kAnswerLimitMs = 100.0;
constexpr double kStartTimeoutMs = 600'000;

const wchar_t* const kSources[] = {L"library-1s.flv", L"library-3s.mp4", L"library-5s.flv"};

struct Clip {
    std::wstring path;
    std::size_t source;
    std::uint64_t size;
    std::uint64_t lastWriteTime;
};

// Copies of the few small clips, named as captures are, written from memory so that
// thousands take seconds.
bool MakeClips(const std::wstring& videos, int count, std::vector<Clip>& clips) {
    std::vector<std::string> bytes;
    for (const wchar_t* source : kSources)
        bytes.push_back(testing_support::ReadFileBytes(BinFolder() + L"probe-clips\\" + source));
    for (int i = 0; i < count; ++i) {
        const std::size_t source = static_cast<std::size_t>(i) % bytes.size();
        const std::wstring path = videos + std::to_wstring(1260000000 + i) + L".flv";
        platform::UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || bytes[source].empty() ||
            !WriteFile(file.get(), bytes[source].data(), static_cast<DWORD>(bytes[source].size()), &written, nullptr))
            return false;
        FILETIME lastWrite{};
        GetFileTime(file.get(), nullptr, nullptr, &lastWrite);
        clips.push_back({path, source, bytes[source].size(), platform::FileTimeValue(lastWrite)});
    }
    return true;
}

// What a first start would have left in the probe cache, made from one probe per source.
bool FillProbeCache(const std::wstring& cachePath, const std::wstring& ffmpeg, const std::vector<Clip>& clips) {
    std::vector<probe::ProbeFields> fields;
    for (const wchar_t* source : kSources)
        fields.push_back(probe::ProbeMedia(BinFolder() + L"probe-clips\\" + source, ffmpeg).fields);
    probe::ProbeEntries entries;
    for (const Clip& clip : clips)
        entries[clip.path] = probe::CachedProbe{clip.size, clip.lastWriteTime, true, fields[clip.source]};
    DeleteFileW(cachePath.c_str());
    return probe::ProbeCacheFile(cachePath, *probe::IdentifyProbeTool(ffmpeg)).Save(entries, nullptr);
}

double BareProbesMs(const std::wstring& ffmpeg, const std::vector<Clip>& clips) {
    const double start = bench::NowMilliseconds();
    for (const Clip& clip : clips) bench::TimeBare(probe::ProbeCommandLine(ffmpeg, clip.path));
    return bench::NowMilliseconds() - start;
}

bool Report(const char* figure, double value, double limit, const char* unit, const std::string& detail = "") {
    std::printf("library_growth.%s: %.3f%s (limit %.2f%s)  %s\n", figure, value, unit, limit, unit, detail.c_str());
    std::fflush(stdout);
    return value <= limit;
}

std::string Detail(const char* format, double a, double b, double c = 0, double d = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

// A program folder of its own with its library.
struct Library {
    std::wstring folder;
    std::vector<Clip> clips = {};
    std::wstring videos() const { return folder + L"Videos\\"; }
    std::wstring ffmpeg() const { return folder + L"ffmpeg.exe"; }
};

bool MakeLibrary(Library& library, const std::wstring& folder, int clips) {
    library.folder = folder;
    if (bench::MakeProgramFolder(BinFolder(), folder) && MakeClips(library.videos(), clips, library.clips)) return true;
    std::fprintf(stderr, "library_growth: cannot make %ls\n", folder.c_str());
    return false;
}

bool FirstStart(const std::wstring& scratch) {
    Library fresh;
    if (!MakeLibrary(fresh, scratch + L"new\\", kNewClips)) return false;
    DeleteFileW(probe::DefaultProbeCachePath().c_str());
    const std::optional<bench::ProgramStart> first = bench::TimeStartToRows(fresh.folder, kNewClips, kStartTimeoutMs);
    if (!first) return false;
    const double bare = BareProbesMs(fresh.ffmpeg(), fresh.clips);
    bool ok =
        Report("first_start_150_vs_150_bare_probes", first->msToRows / bare, kFirstStartLimit, "x",
               Detail("start to the last row %.2f s, 150 bare probes %.2f s", first->msToRows / 1000, bare / 1000));
    ok &= Report("window_answer_during_first_start_ms", first->slowestAnswerMs, kAnswerLimitMs, "");
    return ok;
}

bool SecondStart(const std::wstring& scratch) {
    Library small;
    Library large;
    if (!MakeLibrary(small, scratch + L"small\\", kSmallLibrary) ||
        !MakeLibrary(large, scratch + L"large\\", kLargeLibrary))
        return false;
    const std::wstring cache = probe::DefaultProbeCachePath();
    if (!FillProbeCache(cache, small.ffmpeg(), small.clips)) return false;
    const std::optional<bench::ProgramStart> smallStart =
        bench::TimeStartToRows(small.folder, kSmallLibrary, kStartTimeoutMs);
    if (!FillProbeCache(cache, large.ffmpeg(), large.clips)) return false;
    const std::optional<bench::ProgramStart> largeStart =
        bench::TimeStartToRows(large.folder, kLargeLibrary, kStartTimeoutMs);
    DeleteFileW(cache.c_str());
    if (!smallStart || !largeStart) return false;
    bool ok =
        Report("second_start_10000_vs_20", largeStart->msToRows / smallStart->msToRows, kSecondStartLimit, "x",
               Detail("10000 clips %.2f s, 20 clips %.2f s", largeStart->msToRows / 1000, smallStart->msToRows / 1000));
    ok &= Report(
        "window_answer_during_second_start_ms", std::max(largeStart->slowestAnswerMs, smallStart->slowestAnswerMs),
        kAnswerLimitMs, "",
        Detail("10000 clips %.0f ms, 20 clips %.0f ms", largeStart->slowestAnswerMs, smallStart->slowestAnswerMs));
    ok &= Report("private_bytes_10000_vs_20",
                 static_cast<double>(largeStart->privateBytes) / static_cast<double>(smallStart->privateBytes),
                 kMemoryLimit, "x",
                 Detail("%.1f MB against %.1f MB", static_cast<double>(largeStart->privateBytes) / 1048576.0,
                        static_cast<double>(smallStart->privateBytes) / 1048576.0));
    return ok;
}

// The main window, noting when a row reaches its list.
class CaptureWindow : public bench::QuietMainWindow {
public:
    double rowArrivedAt = 0;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        const LRESULT result = QuietMainWindow::OnMessage(message, wParam, lParam, handled);
        if (message == library::WM_CATALOGUE_INSERT && result > 0) rowArrivedAt = bench::NowMilliseconds();
        return result;
    }
};

// One library in a main window of its own, taking captures as the program takes them.
struct CaptureTarget {
    Library library;
    std::wstring cache;
    CaptureWindow window;
    std::vector<double> toRow = {};
    std::vector<double> whole = {};
    double slowestAnswerMs = 0;

    library::CatalogueSource Source() const { return {library.videos(), library.ffmpeg(), cache}; }
};

bool PrepareCaptureTarget(CaptureTarget& target, const std::wstring& folder, int clips) {
    target.cache = folder + L"probes.cache";
    if (!MakeLibrary(target.library, folder, clips) ||
        !FillProbeCache(target.cache, target.library.ffmpeg(), target.library.clips) || !target.window.CreateModeless())
        return false;
    ShowWindow(target.window.hwnd(), SW_SHOW);
    library::RefreshClipList(target.window.hwnd(), target.Source());
    bench::ServeUntil([] { return true; });
    return target.window.clipList().RowCount() == clips;
}

// A stream found in a browser's cache: a byte of its own at the end, so that no capture
// takes it for one the library holds already.
bool CaptureOnce(CaptureTarget& target, const std::wstring& cacheFolder, int round) {
    std::string bytes = testing_support::ReadFileBytes(BinFolder() + L"capture-clips\\flv-sound.flv");
    bytes.push_back(static_cast<char>(round));
    const std::wstring entry = cacheFolder + L"entry" + std::to_wstring(round);
    {
        platform::UniqueFile file(
            CreateFileW(entry.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            return false;
    }
    WIN32_FIND_DATAW found{};
    platform::UniqueFind find(FindFirstFileW(entry.c_str(), &found));
    if (!find) return false;
    const HWND window = target.window.hwnd();
    const library::CatalogueSource source = target.Source();
    capture::IntakeContext context;
    context.libraryFolder = target.library.videos();
    context.ffmpegPath = target.library.ffmpeg();
    context.keepSilentClips = [] { return false; };
    context.clipAdded = [&](const library::ArrivedClip& clip) { library::ListArrivedClip(window, clip, source); };
    const int rowsBefore = target.window.clipList().RowCount();
    double started = 0;
    capture::IntakeOutcome outcome{};
    const bench::TimedJob job = bench::RunWhileTimingAnswers(window, [&] {
        started = bench::NowMilliseconds();
        outcome = capture::IntakeCacheFile(entry, found, context);
    });
    if (outcome != capture::IntakeOutcome::Copied || target.window.clipList().RowCount() != rowsBefore + 1) {
        std::fprintf(stderr, "library_growth: a capture was not listed\n");
        return false;
    }
    target.toRow.push_back(target.window.rowArrivedAt - started);
    target.whole.push_back(job.ms);
    target.slowestAnswerMs = std::max(target.slowestAnswerMs, job.worstAnswerMs);
    return true;
}

bool Capture(const std::wstring& scratch) {
    const std::wstring cacheFolder = scratch + L"browser-cache\\";
    CreateDirectoryW(cacheFolder.c_str(), nullptr);
    CaptureTarget empty;
    CaptureTarget large;
    if (!PrepareCaptureTarget(empty, scratch + L"capture-empty\\", 0) ||
        !PrepareCaptureTarget(large, scratch + L"capture-large\\", kLargeLibrary)) {
        std::fprintf(stderr, "library_growth: cannot prepare the captures\n");
        return false;
    }
    // In turns, the one that goes first changing every round, so that the load of this
    // shared machine weighs on both alike.
    for (int round = 0; round < kCaptureRounds; ++round) {
        CaptureTarget* turns[] = {&empty, &large};
        if (round % 2 == 1) std::swap(turns[0], turns[1]);
        for (CaptureTarget* target : turns)
            if (!CaptureOnce(*target, cacheFolder, round * 2 + (target == &large ? 1 : 0))) return false;
    }
    const double emptyMs = bench::Median(empty.toRow);
    const double largeMs = bench::Median(large.toRow);
    bool ok = Report("capture_into_10000_vs_empty", largeMs / emptyMs, kCaptureLimit, "x",
                     Detail("to the row %.0f ms against %.0f ms; the whole capture %.0f ms against %.0f ms (medians)",
                            largeMs, emptyMs, bench::Median(large.whole), bench::Median(empty.whole)));
    ok &= Report("window_answer_during_captures_ms", std::max(empty.slowestAnswerMs, large.slowestAnswerMs),
                 kAnswerLimitMs, "");
    DestroyWindow(empty.window.hwnd());
    DestroyWindow(large.window.hwnd());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    GetDesktopWindow();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bench::PrintLoad();
    const std::string only = argc > 1 ? argv[1] : "";
    // The update check would ask the real server; nothing answers here.
    SetEnvironmentVariableW(L"REELKEEP_UPDATE_URL", L"http://127.0.0.1:9/actual-version/");
    const std::wstring scratch = bench::TempPath(L"reelkeep-bench-growth\\");
    testing_support::ScratchFolder::RemoveTree(scratch);
    CreateDirectoryW(scratch.c_str(), nullptr);
    bool ok = true;
    if (only.empty() || only == "first") ok &= FirstStart(scratch);
    if (only.empty() || only == "second") ok &= SecondStart(scratch);
    if (only.empty() || only == "capture") ok &= Capture(scratch);
    testing_support::ScratchFolder::RemoveTree(scratch);
    return ok ? 0 : 1;
}
