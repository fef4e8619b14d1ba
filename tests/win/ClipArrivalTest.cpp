// Clips that come into the library while the program runs: a capture through the real
// intake and an import enter the list as one row each, the tool probes each clip once
// (a stand-in beside the real ffmpeg.exe counts its starts), and what was probed is kept
// for the next build.
#include "capture/Intake.h"
#include "library/Catalogue.h"
#include "library/ClipArrival.h"
#include "resources/resource.h"
#include "support/FileBytes.h"
#include "support/MessagePump.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/ScratchTitleStore.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testing_support::BinFolder;
using testing_support::PumpUntil;
using testing_support::ScratchFolder;

class ClipArrival : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        ASSERT_TRUE(CopyFileW((BinFolder() + L"probe_counting_tool.exe").c_str(), Tool().c_str(), FALSE));
        const std::wstring real = tool_.path() + L"ffmpeg-real.exe";
        ASSERT_TRUE(CreateHardLinkW(real.c_str(), (BinFolder() + L"ffmpeg.exe").c_str(), nullptr) ||
                    CopyFileW((BinFolder() + L"ffmpeg.exe").c_str(), real.c_str(), FALSE));
        for (const wchar_t* name : {L"1260000001.flv", L"1260000002.flv", L"1260000003.flv"})
            ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(),
                                  (library_.path() + name).c_str(), FALSE));
        ASSERT_TRUE(window_.CreateModeless());
        library::RefreshClipList(window_.hwnd(), Source());
        ASSERT_EQ(List().RowCount(), 3);
        ASSERT_EQ(Starts(), 3u);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep"); }

    std::wstring Tool() const { return tool_.path() + L"ffmpeg.exe"; }
    library::CatalogueSource Source() const { return {library_.path(), Tool(), tool_.path() + L"probes.cache"}; }
    library::ClipListView& List() { return window_.clipList(); }
    std::size_t Starts() const {
        const std::string log = testing_support::ReadFileBytes(tool_.path() + L"starts.log");
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }

    // A stream in a browser's cache, taken in by the intake as the watcher hands it over.
    // Its name ends the stream's bytes, so that no two are taken for the same clip.
    capture::IntakeOutcome Capture(const std::wstring& name) {
        const std::wstring entry = cache_.path() + name;
        {
            const std::string bytes = testing_support::ReadFileBytes(BinFolder() + L"capture-clips\\flv-sound.flv");
            platform::UniqueFile file(CreateFileW(entry.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            EXPECT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
            EXPECT_TRUE(WriteFile(file.get(), name.data(), static_cast<DWORD>(name.size() * sizeof(wchar_t)), &written,
                                  nullptr));
        }
        WIN32_FIND_DATAW found{};
        platform::UniqueFind find(FindFirstFileW(entry.c_str(), &found));
        capture::IntakeContext context;
        context.libraryFolder = library_.path();
        context.ffmpegPath = Tool();
        context.keepSilentClips = [] { return false; };
        context.numbers = &numbers_;
        context.clipAdded = [this](const library::ArrivedClip& clip) {
            library::ListArrivedClip(window_.hwnd(), clip, Source());
        };
        return capture::IntakeCacheFile(entry, found, context, &captured_);
    }
    void ShowTitlesWith(const wchar_t* keyword) {
        SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_KIND, CB_SETCURSEL, 2, 0);
        SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FILTER_KIND, CBN_SELCHANGE), 0);
        SetDlgItemTextW(window_.hwnd(), IDC_FILTER_KEYWORD, keyword);
    }

    ScratchFolder library_{L"arrival"};
    ScratchFolder tool_{L"arrival-tool"};
    ScratchFolder cache_{L"arrival-cache"};
    ScratchFolder titles_{L"arrival-titles"};
    testing_support::ScratchTitleStore titleStore_{titles_.path() + L"titles.log"};
    capture::MovieNumbers numbers_;
    std::wstring captured_;
    testing_support::QuietMainWindow window_;
};

TEST_F(ClipArrival, ACaptureIsOneRowOnTopProbedOnceAndKeptForTheNextBuild) {
    List().SelectAndFocus(2);
    const std::wstring selected = List().RowPath(2);

    ASSERT_EQ(Capture(L"first"), capture::IntakeOutcome::Copied);
    EXPECT_EQ(Starts(), 4u) << "the intake's probe is the only one";
    ASSERT_EQ(List().RowCount(), 4);
    EXPECT_EQ(List().RowPath(0), captured_);
    EXPECT_EQ(List().CellText(0, 0), L"Movie1");
    EXPECT_EQ(List().CellText(0, 5), L"320x240");
    EXPECT_EQ(List().RecordAt(0)->durationSeconds, 2);
    EXPECT_EQ(List().RowPath(List().FirstSelected()), selected) << "the selection stays with its clip";
    ASSERT_TRUE(PumpUntil([&] { return List().FirstSelected() == 0; })) << "then the new clip is selected";

    library::RebuildClipList(window_.hwnd(), Source());
    EXPECT_EQ(List().RowCount(), 4);
    EXPECT_EQ(Starts(), 4u) << "the captured clip's probe was kept";

    // A clip the filter leaves out gets no row, and its probe is kept all the same.
    ShowTitlesWith(L"Movie1");
    library::RebuildClipList(window_.hwnd(), Source());
    ASSERT_EQ(List().RowCount(), 1);
    ASSERT_EQ(Capture(L"second"), capture::IntakeOutcome::Copied);
    EXPECT_EQ(List().RowCount(), 1) << "Movie2 is not what the filter shows";
    EXPECT_EQ(Starts(), 5u);
    SendDlgItemMessageW(window_.hwnd(), IDC_FILTER_KIND, CB_SETCURSEL, 0, 0);
    library::RebuildClipList(window_.hwnd(), Source());
    EXPECT_EQ(List().RowCount(), 5);
    EXPECT_EQ(Starts(), 5u);
}

TEST_F(ClipArrival, NewFilesAreProbedOnceAndListedTheLastOnTop) {
    for (const wchar_t* name : {L"1300000001.flv", L"1300000000.flv"})
        ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\mp4-320x240-sound.mp4").c_str(),
                              (library_.path() + name).c_str(), FALSE));
    library::ListNewClips(window_.hwnd(), {library_.path() + L"1300000001.flv", library_.path() + L"1300000000.flv"},
                          Source());
    EXPECT_EQ(Starts(), 5u);
    ASSERT_EQ(List().RowCount(), 5);
    EXPECT_EQ(List().CellText(0, 0), L"1300000000");
    EXPECT_EQ(List().CellText(1, 0), L"1300000001");
    EXPECT_EQ(List().CellText(0, 5), L"320x240");
    library::RefreshClipList(window_.hwnd(), Source());
    EXPECT_EQ(List().RowCount(), 5);
    EXPECT_EQ(Starts(), 5u) << "their probes were kept";
}

}  // namespace
