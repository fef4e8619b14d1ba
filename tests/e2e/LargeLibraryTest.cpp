// A long-time user's library in the real program: the first start lists every clip with its
// columns and the second the same rows, a capture into the full list is one more row probed
// once, and sorting, filtering, ticking all and deleting a twentieth keep the window
// answering. The probe tool is a stand-in that answers with what the real ffmpeg.exe said
// of the same clip and counts its starts, so that ten thousand probes take minutes rather
// than an hour. `make test` lists 500 clips whose probes a first start left in the cache
// (as the bench seeds it); `make test-large` probes ten thousand.
#include "ProgramTest.h"

#include "library/ClipListView.h"
#include "library/ClipOrder.h"
#include "library/ClipRecordText.h"
#include "platform/FileValues.h"
#include "platform/ProcessRunner.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeCacheFile.h"
#include "titles/TitleStore.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

namespace e2e {
namespace {

// REELKEEP_E2E_LARGE_CLIPS makes the library at scale smaller, for a quick look at a failure.
const int kClipsAtScale = [] {
    const char* count = std::getenv("REELKEEP_E2E_LARGE_CLIPS");
    return count != nullptr && std::atoi(count) >= 100 ? std::atoi(count) : 10'000;
}();
constexpr int kClipsSeeded = 500;
const wchar_t* const kSources[] = {L"library-1s.flv", L"library-3s.mp4", L"library-5s.flv"};
const wchar_t* const kFirefoxEntry = L"04B8E7C5022A76D7AC7D187B69B877708C152195";
// What a user still takes for a window that answers: generous, as the machine is shared.
constexpr auto kLongestAnswer = 1000ms;

// Memory in the program's process, for the messages that carry a pointer.
class RemoteBlock {
public:
    RemoteBlock(DWORD processId, std::size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
          address_(process_ ? VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                            : nullptr) {}
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    template <typename T>
    LPARAM Holding(const T& value) {
        WriteProcessMemory(process_.get(), address_, &value, sizeof value, nullptr);
        return reinterpret_cast<LPARAM>(address_);
    }
    template <typename T>
    T Read() const {
        T value{};
        ReadProcessMemory(process_.get(), address_, &value, sizeof value, nullptr);
        return value;
    }

private:
    platform::UniqueHandle process_;
    void* address_;
};

// Sends a message and returns how long the window took to answer it.
Milliseconds AnswerTime(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto start = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 60000, &result);
    return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
}

// Times the window's answers to a message sent every few milliseconds while it lives.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND window)
        : prober_([this, window] {
              while (!done_) {
                  const long long took = AnswerTime(window, WM_NULL, 0, 0).count();
                  if (took > slowest_) slowest_ = took;
                  Sleep(10);
              }
          }) {}
    ~AnswerWatch() { Stop(); }
    Milliseconds Stop() {
        done_ = true;
        if (prober_.joinable()) prober_.join();
        return Milliseconds(slowest_.load());
    }

private:
    std::atomic<bool> done_{false};
    std::atomic<long long> slowest_{0};
    std::thread prober_;
};

class LargeLibrary : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
        DeleteFileW(probe::DefaultProbeCachePath().c_str());
        MakeDirectories(program().Path(L"reports"));
        ASSERT_NO_FATAL_FAILURE(InstallCountingTool());
    }
    void TearDown() override {
        RemoveTree(SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox");
        DeleteFileW(probe::DefaultProbeCachePath().c_str());
        ProgramTest::TearDown();
    }

    // The stand-in answers each clip with the real tool's report of a file of its size.
    void InstallCountingTool() {
        const std::wstring tool = BuildProgramFolder() + L"ffmpeg.exe";
        std::vector<std::wstring> probed;
        for (const wchar_t* source : kSources) probed.push_back(ClipsFolder() + source);
        probed.push_back(BuildProgramFolder() + L"browser-caches\\media\\clip.flv");
        for (const std::wstring& file : probed) {
            const std::string bytes = ReadWholeFile(file).value_or("");
            ASSERT_FALSE(bytes.empty()) << "no test clip " << testing::PrintToString(file);
            std::wstring report =
                platform::RunAndCapture(probe::ProbeCommandLine(tool, file), probe::kProbeTimeout).text;
            for (std::size_t at; (at = report.find(file)) != std::wstring::npos;)
                report.replace(at, file.size(), L"%PATH%");
            reports_[bytes.size()] = probe::ParseProbeReport(report);
            WriteWholeFile(program().Path(L"reports\\" + std::to_wstring(bytes.size()) + L".txt"),
                           std::string(report.begin(), report.end()));
            sizes_.push_back(bytes.size());
        }
        // The program's own ffmpeg.exe goes; the stand-in takes its place.
        program().RemoveCompanion(Companion::Ffmpeg);
        ASSERT_TRUE(CopyFileW((BuildProgramFolder() + L"probe_counting_tool.exe").c_str(),
                              program().Path(L"ffmpeg.exe").c_str(), FALSE));
    }
    // Clips named apart from the rest, the first twentieth, so that a keyword shows exactly these.
    int OldClips() const { return clips_ / 20; }
    std::wstring ClipName(int i) const {
        return i < OldClips() ? L"old clip " + std::to_wstring(i) : std::to_wstring(1260000000 + i);
    }
    // Copies of the few small clips, written from memory so that ten thousand take seconds.
    void MakeClips(int count) {
        clips_ = count;
        std::vector<std::string> bytes;
        for (const wchar_t* source : kSources) bytes.push_back(*ReadWholeFile(ClipsFolder() + source));
        MakeDirectories(program().Path(L"Videos"));
        for (int i = 0; i < clips_; ++i) {
            const std::string& clip = bytes[static_cast<std::size_t>(i) % bytes.size()];
            platform::UniqueFile file(CreateFileW(program().Path(L"Videos\\" + ClipName(i) + L".flv").c_str(),
                                                  GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
            DWORD written = 0;
            ASSERT_TRUE(file && WriteFile(file.get(), clip.data(), static_cast<DWORD>(clip.size()), &written, nullptr));
        }
        // A clip without a title is "Untitled" to the keyword filter: the old ones are titled.
        for (int i = 0; i < OldClips(); ++i)
            titles::WriteTitle(program().Path(L"Videos\\" + ClipName(i) + L".flv"), ClipName(i));
    }
    // What a first start would have left in the probe cache: each clip's report of its source.
    void SeedProbeCache() {
        const std::optional<probe::ProbeToolIdentity> tool = probe::IdentifyProbeTool(program().Path(L"ffmpeg.exe"));
        ASSERT_TRUE(tool.has_value());
        probe::ProbeEntries entries;
        for (int i = 0; i < clips_; ++i) {
            const std::wstring path = program().Path(L"Videos\\" + ClipName(i) + L".flv");
            WIN32_FILE_ATTRIBUTE_DATA data{};
            ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
            const std::uint64_t size = platform::FileSizeOf(data);
            entries[path] =
                probe::CachedProbe{size, platform::FileTimeValue(data.ftLastWriteTime), true, reports_.at(size)};
        }
        ASSERT_TRUE(probe::ProbeCacheFile(probe::DefaultProbeCachePath(), *tool).Save(entries, nullptr));
    }
    void ListSortFilterDeleteAndCapture(bool seeded);
    // The tool's starts that probed a file; the preview's decoder writes to "-" instead.
    std::size_t Starts() {
        const std::string log = ReadWholeFile(program().Path(L"starts.log")).value_or("");
        const auto lines = static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
        std::size_t decoders = 0;
        for (std::size_t at = 0; (at = log.find("-\n", at)) != std::string::npos; at += 2)
            if (at == 0 || log[at - 1] == '\n') ++decoders;
        return lines - decoders;
    }
    // The files probed after the first `count` starts, for a failure's message.
    std::string ProbedAfter(std::size_t count) {
        const std::string log = ReadWholeFile(program().Path(L"starts.log")).value_or("");
        std::size_t at = 0;
        for (std::size_t line = 0; line < count && at != std::string::npos; ++line) at = log.find('\n', at + 1);
        return at == std::string::npos ? std::string() : log.substr(at);
    }
    // Every row as it must show clip i: its name, the size and the probe of its source.
    void ExpectRowsOfEveryClip(const std::vector<std::vector<std::wstring>>& rows) {
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(clips_));
        std::set<std::wstring> seen;
        for (const std::vector<std::wstring>& row : rows) {
            const std::wstring name = row[library::kPathColumn].substr(program().Path(L"Videos\\").size());
            ASSERT_TRUE(name.ends_with(L".flv")) << testing::PrintToString(row[library::kPathColumn]);
            seen.insert(name);
            const std::wstring title = name.substr(0, name.size() - 4);
            const int i = title.starts_with(L"old clip ") ? std::stoi(title.substr(9)) : std::stoi(title) - 1260000000;
            const std::uint64_t size = sizes_[static_cast<std::size_t>(i) % std::size(kSources)];
            const probe::ProbeFields& fields = reports_.at(size);
            const std::vector<std::wstring> expected{title,
                                                     row[1],
                                                     row[2],
                                                     library::SizeText(size),
                                                     probe::FormatDuration(fields.duration),
                                                     fields.resolution,
                                                     fields.frameRate,
                                                     fields.bitRate,
                                                     program().Path(L"Videos\\") + name,
                                                     fields.video,
                                                     fields.audio};
            ASSERT_EQ(row, expected);
            ASSERT_EQ(row[1].size(), 10u) << "date of view";
            ASSERT_EQ(row[2].size(), 8u) << "time of view";
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(clips_)) << "each clip once";
    }
    // Clicks each column's header as a user does, in the advanced view where every column
    // but the hidden path shows, and checks the order of the whole column. The clicks go
    // to the header itself: Wine does not carry WM_NOTIFY between processes.
    void SortByEachColumn(const RunningProgram& run, HWND window, HWND list) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_COMMAND, ID_VIEW_ADVANCED, 0, SMTO_NORMAL, 60000, &ignored);
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        RemoteBlock remote(run.processId(), sizeof(RECT));
        for (int column = 0; column < static_cast<int>(library::kClipColumns.size()); ++column) {
            if (column == library::kPathColumn) continue;
            SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), remote.Holding(RECT{}));
            const RECT item = remote.Read<RECT>();
            ASSERT_GT(item.right - item.left, 8) << "column " << column << " shows in the advanced view";
            // The header takes clicks only where it shows: the list scrolls the column in.
            SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(-100000), 0);
            SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(item.left), 0);
            const LPARAM middle = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
            SendMessageTimeoutW(header, WM_LBUTTONDOWN, MK_LBUTTON, middle, SMTO_NORMAL, 60000, &ignored);
            const Milliseconds took = AnswerTime(header, WM_LBUTTONUP, 0, middle);
            EXPECT_LT(took, kLongestAnswer) << "sorting by column " << column;
            const library::SortKind kind = library::SortKindForColumn(column);
            const auto key = [&](const std::wstring& cell) {
                return library::ReadSortKey(kind, cell, library::ParseListDateTime);
            };
            std::vector<std::wstring> cells;
            for (const std::vector<std::wstring>& row : ReadListViewColumns(list, {column})) cells.push_back(row[0]);
            // The first click on a column sorts it ascending (a native test holds the rule).
            const auto firstUnsorted = [&](bool ascending) {
                const std::int64_t parameter = library::SortParameter(kind, ascending);
                std::size_t row = 1;
                while (row < cells.size() && !library::SortsBefore(parameter, key(cells[row]), key(cells[row - 1])))
                    ++row;
                return row;
            };
            const std::size_t up = firstUnsorted(true);
            const std::size_t down = firstUnsorted(false);
            std::printf("[ info     ] column %d: ascending to row %zu, descending to row %zu of %zu\n", column, up,
                        down, cells.size());
            ASSERT_EQ(up, cells.size()) << "column " << column << " row " << up << ": "
                                        << testing::PrintToString(cells[up - 1]) << " before "
                                        << testing::PrintToString(cells[std::min(up, cells.size() - 1)]);
        }
    }

    std::map<std::uint64_t, probe::ProbeFields> reports_;
    std::vector<std::uint64_t> sizes_;
    int clips_ = 0;
};

// Only in `make test-large`: what grows with the library's size.
class LargeLibraryAtScale : public LargeLibrary {};

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
bool TopRowSelected(HWND list) {
    return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 0;
}

void ShowClips(HWND window, int filterKind, int datePreset, const std::wstring& keyword) {
    SendDlgItemMessageW(window, IDC_FILTER_KIND, CB_SETCURSEL, static_cast<WPARAM>(filterKind), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_FILTER_KIND, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_FILTER_KIND)));
    SendDlgItemMessageW(window, IDC_FILTER_DATE_PRESET, CB_SETCURSEL, static_cast<WPARAM>(datePreset), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_FILTER_DATE_PRESET, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_FILTER_DATE_PRESET)));
    SetDlgItemTextW(window, IDC_FILTER_KEYWORD, keyword.c_str());
}

TEST_F(LargeLibrary, FiveHundredClipsFromTheProbeCacheListSortFilterDeleteAndTakeACapture) {
    ASSERT_NO_FATAL_FAILURE(MakeClips(kClipsSeeded));
    ASSERT_NO_FATAL_FAILURE(SeedProbeCache());
    ListSortFilterDeleteAndCapture(true);
}

TEST_F(LargeLibraryAtScale, TenThousandClipsListSortFilterDeleteAndTakeACaptureWhileTheWindowAnswers) {
    ASSERT_NO_FATAL_FAILURE(MakeClips(kClipsAtScale));
    ListSortFilterDeleteAndCapture(false);
}

void LargeLibrary::ListSortFilterDeleteAndCapture(bool seeded) {
    const int oldClips = OldClips();
    // A seeded cache answers every probe of the first start.
    const std::size_t firstProbes = seeded ? 0 : static_cast<std::size_t>(clips_);
    std::vector<std::vector<std::wstring>> firstRows;
    {
        const auto started = std::chrono::steady_clock::now();
        RunningProgram run(program());
        HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
        ASSERT_NE(window, nullptr);
        HWND list = GetDlgItem(window, IDC_CLIP_LIST);
        ASSERT_TRUE(WaitUntil([&] { return Rows(list) == clips_ && TopRowSelected(list); }, 40min))
            << "rows: " << Rows(list);
        std::printf("[ info     ] first start to the last of %d rows: %.1f s\n", clips_,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        EXPECT_EQ(Starts(), firstProbes) << (seeded ? "every probe from the cache" : "one probe per clip");
        firstRows = ReadListView(list, static_cast<int>(library::kClipColumns.size()));
        ASSERT_NO_FATAL_FAILURE(ExpectRowsOfEveryClip(firstRows));
    }

    WriteString(HKEY_CURRENT_USER, kSettingsKey, L"browsers", L"0100");
    const std::wstring entries =
        SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox\\Profiles\\e2e.default\\cache2\\entries";
    RemoveTree(SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Mozilla\\Firefox");
    MakeDirectories(entries);
    {
        const auto started = std::chrono::steady_clock::now();
        RunningProgram run(program());
        HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
        ASSERT_NE(window, nullptr);
        HWND list = GetDlgItem(window, IDC_CLIP_LIST);
        ASSERT_TRUE(WaitUntil([&] { return Rows(list) == clips_ && TopRowSelected(list); }, 60s)) << Rows(list);
        std::printf("[ info     ] second start to the last row: %.1f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        EXPECT_EQ(Starts(), firstProbes) << "every probe came from the cache; probed again:"
                                         << ProbedAfter(firstProbes);
        // Title, size, duration, resolution and path: the rest came from the same probes.
        const std::vector<int> compared{0, 3, 4, 5, library::kPathColumn};
        std::vector<std::vector<std::wstring>> secondRows = ReadListViewColumns(list, compared);
        for (std::vector<std::wstring>& row : firstRows) {
            std::vector<std::wstring> kept;
            for (const int column : compared) kept.push_back(row[static_cast<std::size_t>(column)]);
            row = std::move(kept);
        }
        std::sort(firstRows.begin(), firstRows.end());
        std::sort(secondRows.begin(), secondRows.end());
        EXPECT_TRUE(secondRows == firstRows) << "the second start lists the same rows";

        AnswerWatch answers(window);
        // A stream lands in Firefox's cache: one row more, on top, probed once.
        const std::wstring written =
            BuildProgramFolder() + L"browser-caches\\firefox\\cache2\\entries\\" + kFirefoxEntry;
        ASSERT_TRUE(CopyFileW(written.c_str(), (entries + L"\\writing").c_str(), FALSE));
        ASSERT_TRUE(MoveFileW((entries + L"\\writing").c_str(), (entries + L"\\" + kFirefoxEntry).c_str()));
        ASSERT_TRUE(WaitUntil([&] { return Rows(list) == clips_ + 1 && TopRowSelected(list); }, 30s)) << Rows(list);
        // Named after the site of the page that played it: the profile keeps no history.
        EXPECT_EQ(ReadListView(list, 1)[0][0], L"Video from 127.0.0.1");
        EXPECT_EQ(Starts(), firstProbes + 1)
            << "the capture's probe is the only one; probed:" << ProbedAfter(firstProbes);

        ASSERT_NO_FATAL_FAILURE(SortByEachColumn(run, window, list));

        ShowClips(window, 0, 1, L"");  // Yesterday
        ASSERT_TRUE(ListAgain(run, window));
        // The captured stream is dated when the browser fetched it, which was when the test
        // cache was made; every other clip is of today.
        for (const std::vector<std::wstring>& row : ReadListView(list, 1)) EXPECT_EQ(row[0], L"Video from 127.0.0.1");
        ShowClips(window, 2, 0, L"old clip");
        ASSERT_TRUE(ListAgain(run, window));
        ASSERT_EQ(Rows(list), oldClips);

        RemoteBlock remote(run.processId(), sizeof(LVITEMW));
        LVITEMW tick{};
        tick.stateMask = LVIS_STATEIMAGEMASK;
        tick.state = INDEXTOSTATEIMAGEMASK(2);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), remote.Holding(tick));
        PostMessageW(window, WM_COMMAND, ID_CHECKED_DELETE, 0);
        std::optional<MessageBoxView> question;
        ASSERT_TRUE(WaitUntil([&] { return (question = FindMessageBox(run.processId())).has_value(); }, 10s));
        EXPECT_EQ(question->text, L"Are you sure you want to delete the selected videos?");
        question->Press(IDYES);
        ASSERT_TRUE(WaitUntil([&] { return Rows(list) == 0; }, 10s));
        // The marks are written while the window goes on.
        const auto marked = [&] {
            for (int i = 0; i < oldClips; i += std::max(1, oldClips / 10))
                if (titles::ReadTitle(program().Path(L"Videos\\" + ClipName(i) + L".flv")) != L"InOrderToDelete")
                    return false;
            return true;
        };
        ASSERT_TRUE(WaitUntil(marked, 60s));
        ShowClips(window, 0, 4, L"");  // All Time
        ASSERT_TRUE(ListAgain(run, window));
        EXPECT_EQ(Rows(list), clips_ - oldClips + 1);
        EXPECT_LT(answers.Stop(), kLongestAnswer) << "the slowest answer of the window from the capture on";
    }

    // The next start deletes the marked clips and lists the rest from the cache.
    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CLIP_LIST);
    ASSERT_TRUE(WaitUntil([&] { return Rows(list) == clips_ - oldClips + 1 && TopRowSelected(list); }, 60s))
        << Rows(list);
    EXPECT_FALSE(FileExists(program().Path(L"Videos\\" + ClipName(0) + L".flv")));
    EXPECT_TRUE(FileExists(program().Path(L"Videos\\" + ClipName(oldClips) + L".flv")));
    EXPECT_EQ(Starts(), firstProbes + 1);
}

}  // namespace
}  // namespace e2e
