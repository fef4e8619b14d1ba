// Converting the selected clip for real: the main window's panel and the single-clip
// dialog driven by messages, the real ffmpeg.exe beside the test binary, clips made by
// the Linux ffmpeg, outputs checked by probing them.
#include "app/MainWindow.h"
#include "convert/ConvertDialog.h"
#include "convert/ConvertPanel.h"
#include "framework/BalloonTip.h"
#include "framework/Pickers.h"
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "library/ViewLayout.h"
#include "platform/CommandLine.h"
#include "platform/UniqueHandle.h"
#include "probe/MediaProbe.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "support/ConvertSupport.h"
#include "support/MessagePump.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedPrompter.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::BinFolder;
using testing_support::ForeignFfmpeg;
using testing_support::KeepForLinuxCheck;
using testing_support::PumpUntil;
using testing_support::ScratchFolder;

class QuietMainWindow : public app::MainWindow {
protected:
    void StartWorkers() override {}
    UINT TrackContextMenu(HMENU, POINT) override { return 0; }
};

struct Balloon {
    std::wstring title;
    std::wstring text;
};

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The file a run writes until it has succeeded, if there is one in `folder`.
std::wstring UnfinishedOutputIn(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((folder + L"reelkeep-unfinished-*").c_str(), &entry));
    return find ? folder + entry.cFileName : std::wstring();
}

std::string ReadAll(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<missing>";
    char buffer[256] = {};
    DWORD got = 0;
    ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr);
    return std::string(buffer, got);
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The controls of one surface, as a user reaches them.
class Surface {
public:
    // The dialog's window exists only once it is created, so it is looked up each time.
    explicit Surface(const framework::Dialog& dialog) : dialog_(&dialog) {}
    HWND Item(int id) const { return GetDlgItem(hwnd(), id); }
    std::wstring Text(int id) const { return WindowText(Item(id)); }
    void Command(int id, WORD code) const {
        SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
    }
    void SetText(int id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }
    void SelectFormat(int format) const {
        SendMessageW(Item(IDC_FORMAT), CB_SETCURSEL, static_cast<WPARAM>(format), 0);
        Command(IDC_FORMAT, CBN_SELCHANGE);
    }
    void Click(int id) const { Command(id, BN_CLICKED); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Visible(int id) const { return (GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    // Convert, then serve the window until the run has ended.
    bool ConvertToEnd(std::chrono::milliseconds limit = 60s) const {
        Click(IDC_CONVERT);
        return PumpUntil([&] { return Text(IDC_CONVERT) == L"&Convert"; }, limit);
    }
    HWND hwnd() const { return dialog_->hwnd(); }

private:
    const framework::Dialog* dialog_;
};

class Convert : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\" + ClipSource()).c_str(), ClipPath().c_str(), FALSE));
        ASSERT_TRUE(window_.CreateModeless());
        ShowWindow(window_.hwnd(), SW_SHOW);
        library::RefreshClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
        ASSERT_EQ(window_.clipList().RowCount(), 1);
        ASSERT_TRUE(PumpUntil([&] { return window_.clipList().FirstSelected() == 0; }));
        window_.convertPanel().SetToolFolder(BinFolder());
        window_.SetViewMode(library::kViewAdvanced);
        panel_.SetText(IDC_OUTPUT_FOLDER, OutputFolder());
        convert::SetFolderOpener([this](HWND, const std::wstring& folder) { opened_.push_back(folder); });
        framework::SetBalloonObserver([this](HWND, const std::wstring& title, const std::wstring& text) {
            balloons_.push_back({title, text});
        });
        settings::SettingsStore().WriteSetting(L"autoopenfolder", L"true");
    }
    void TearDown() override {
        convert::SetFolderOpener(nullptr);
        framework::SetBalloonObserver(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    }
    virtual std::wstring ClipSource() const { return L"convert-10s.flv"; }
    std::wstring ClipPath() const { return library_.path() + L"1260000001.flv"; }
    // Without its final backslash, as the folder box holds it.
    std::wstring OutputFolder() const { return output_.path().substr(0, output_.path().size() - 1); }
    std::wstring Output(const std::wstring& nameAndExtension) const { return output_.path() + nameAndExtension; }

    ScratchFolder library_{L"convert-library"};
    ScratchFolder output_{L"convert-output"};
    QuietMainWindow window_;
    Surface panel_{window_};
    testing_support::ScriptedPrompter prompter_;
    std::vector<std::wstring> opened_;
    std::vector<Balloon> balloons_;
};

using ConvertPanel = Convert;

struct FormatCase {
    int format;
    const wchar_t* extension;
    const wchar_t* resolution;  // the output's frame size
    const wchar_t* video;       // expected in the video stream's description; null: none checked
    const wchar_t* audio;       // expected in the audio stream's description
};

// Advanced view defaults: the first size of each format (176x144 for 3GP), quality "High".
const FormatCase kFormats[] = {
    {0, L".mov", L"480x320", nullptr, L"aac"},
    {1, L".mp4", L"480x320", L"mpeg4", L"Hz"},
    {2, L".mp4", L"480x272", nullptr, L"24000 Hz"},
    {3, L".3gp", L"176x144", L"h263", L"8000 Hz"},
    {4, L".wmv", L"320x240", L"wmv1", L"adpcm_ima_wav"},
    {5, L".avi", L"320x240", L"mpeg4", L"Hz"},
    {6, L".mp3", nullptr, nullptr, nullptr},  // the rate follows the quality
};

TEST_F(ConvertPanel, StartUpFillsFormatsSizesAndQualityAndTheClipGivesTheNameAndTimes) {
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 7);
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_FORMAT), CB_GETCURSEL, 0, 0), 0);
    EXPECT_NE(SendMessageW(panel_.Item(IDC_FORMAT), CBEM_GETIMAGELIST, 0, 0), 0) << "the formats carry icons";
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_RESOLUTION), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_QUALITY), CB_GETCURSEL, 0, 0), 2) << "High";
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_QUALITY_SLIDER), TBM_GETPOS, 0, 0), 3);
    EXPECT_FALSE(panel_.Enabled(IDC_CUT_FROM));
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"1260000001");
    SYSTEMTIME to{};
    SendMessageW(panel_.Item(IDC_CUT_TO), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(to.wHour * 3600 + to.wMinute * 60 + to.wSecond, 10) << "To sits at the clip's duration";

    panel_.SelectFormat(4);
    EXPECT_EQ(panel_.Text(IDC_RESOLUTION), L"320x240") << "WMV shows the clip's own size";
    EXPECT_FALSE(panel_.Enabled(IDC_RESOLUTION));
    panel_.SelectFormat(3);
    EXPECT_EQ(panel_.Text(IDC_RESOLUTION), L"176x144");
    EXPECT_TRUE(panel_.Enabled(IDC_RESOLUTION));
    panel_.Click(IDC_CUT_VIDEO);
    SendMessageW(panel_.Item(IDC_CUT_VIDEO), BM_SETCHECK, BST_CHECKED, 0);
    panel_.Click(IDC_CUT_VIDEO);
    EXPECT_TRUE(panel_.Enabled(IDC_CUT_FROM));
    EXPECT_TRUE(panel_.Enabled(IDC_CUT_TO_LABEL));
}

int PickerSeconds(HWND picker) {
    SYSTEMTIME time{};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
}

// As if the user had set the picker: the new time, then the change notification.
void UserSetsPicker(const Surface& surface, int id, int seconds) {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    time.wHour = static_cast<WORD>(seconds / 3600);
    time.wMinute = static_cast<WORD>(seconds / 60 % 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    SendMessageW(surface.Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = surface.Item(id);
    change.nmhdr.idFrom = static_cast<UINT_PTR>(id);
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.st = time;
    SendMessageW(surface.hwnd(), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&change));
}

TEST_F(ConvertPanel, ArrowKeysRefillTheNameAndTheFrameSize) {
    ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\mp4-640x360-tagged.mp4").c_str(),
                          (library_.path() + L"1260000002.flv").c_str(), FALSE));
    library::RefreshClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
    ASSERT_EQ(window_.clipList().RowCount(), 2);
    window_.clipList().SelectAndFocus(0);
    panel_.SelectFormat(4);
    const std::wstring topTitle = window_.clipList().CellText(0, 0);
    const std::wstring nextTitle = window_.clipList().CellText(1, 0);

    // The key arrives before the list moves its mark: the panel shows the row it is going to.
    NMLVKEYDOWN key{};
    key.hdr.hwndFrom = window_.clipList().hwnd();
    key.hdr.idFrom = IDC_CLIP_LIST;
    key.hdr.code = LVN_KEYDOWN;
    key.wVKey = VK_DOWN;
    SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), convert::defaultOutputName(nextTitle));
    EXPECT_EQ(panel_.Text(IDC_RESOLUTION), window_.clipList().CellText(1, 5)) << "WMV shows that clip's size";
    EXPECT_FALSE(panel_.Enabled(IDC_RESOLUTION));

    // Its report carries a metadata duration of 30.03 s: the list shows it as a time, and
    // the pickers span the whole clip.
    for (int row = 0; row < 2; ++row) {
        if (window_.clipList().CellText(row, 5) != L"640x360") continue;
        EXPECT_EQ(window_.clipList().CellText(row, 4), L"00:00:30");
        window_.convertPanel().FillFromClip(row);
        EXPECT_EQ(PickerSeconds(panel_.Item(IDC_CUT_TO)), 30);
    }

    window_.clipList().SelectAndFocus(1);
    key.wVKey = VK_UP;
    SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&key));
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), convert::defaultOutputName(topTitle));
    EXPECT_EQ(panel_.Text(IDC_RESOLUTION), window_.clipList().CellText(0, 5));
}

TEST_F(ConvertPanel, PickersKeepFromBeforeToAndBothInsideTheClip) {
    const auto times = [&] {
        return std::make_pair(PickerSeconds(panel_.Item(IDC_CUT_FROM)), PickerSeconds(panel_.Item(IDC_CUT_TO)));
    };
    using Pair = std::pair<int, int>;
    UserSetsPicker(panel_, IDC_CUT_FROM, 5);
    EXPECT_EQ(times(), Pair(5, 10));
    UserSetsPicker(panel_, IDC_CUT_FROM, 10);
    EXPECT_EQ(times(), Pair(5, 10)) << "From at the duration puts the previous From back";
    UserSetsPicker(panel_, IDC_CUT_TO, 11);
    EXPECT_EQ(times(), Pair(5, 10)) << "To beyond the duration puts the previous To back";
    UserSetsPicker(panel_, IDC_CUT_TO, 3);
    EXPECT_EQ(times(), Pair(2, 3)) << "From moves before To";
    UserSetsPicker(panel_, IDC_CUT_FROM, 6);
    EXPECT_EQ(times(), Pair(6, 7)) << "To moves after From";
    UserSetsPicker(panel_, IDC_CUT_TO, 0);
    EXPECT_EQ(times(), Pair(0, 1)) << "To at 00:00:00 restarts the pair";

    // The list loses its rows: Convert off, the notice in the name box, both pickers at 0.
    SendMessageW(window_.hwnd(), library::WM_CATALOGUE_REBUILD_BEGIN, 0, 0);
    EXPECT_FALSE(panel_.Enabled(IDC_CONVERT));
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"No video clips to convert");
    EXPECT_EQ(times(), Pair(0, 0));
}

TEST_F(ConvertPanel, CutTickedInAdvancedStillCutsInTheStandardView) {
    SendMessageW(panel_.Item(IDC_CUT_VIDEO), BM_SETCHECK, BST_CHECKED, 0);
    panel_.Click(IDC_CUT_VIDEO);
    UserSetsPicker(panel_, IDC_CUT_FROM, 2);
    UserSetsPicker(panel_, IDC_CUT_TO, 5);
    window_.SetViewMode(library::kViewStandard);
    panel_.SetText(IDC_OUTPUT_NAME, L"cut");
    ASSERT_TRUE(panel_.ConvertToEnd());
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_FILE_PROGRESS), PBM_GETRANGE, FALSE, 0), 3) << "the bar spans the cut";
    const probe::MediaProbeResult probe = probe::ProbeMedia(Output(L"cut.mov"), BinFolder() + L"ffmpeg.exe");
    EXPECT_EQ(probe.fields.duration.substr(0, 8), L"00:00:03") << probe.report;
}

// Converts to every format on one surface and probes each output. `mp3Rate` is the
// sample rate of the surface's default quality.
void ConvertEachFormat(const Surface& surface, const wchar_t* surfaceName, const std::wstring& folder,
                       const wchar_t* mp3Rate, std::vector<std::wstring>& opened) {
    for (const FormatCase& format : kFormats) {
        SCOPED_TRACE(format.format);
        surface.SelectFormat(format.format);
        surface.SetText(IDC_OUTPUT_NAME, L"out " + std::to_wstring(format.format));
        opened.clear();
        ASSERT_TRUE(surface.ConvertToEnd());
        const std::wstring path = folder + L"\\out " + std::to_wstring(format.format) + format.extension;
        EXPECT_GT(FileSize(path), 0) << "ffmpeg wrote the output";
        EXPECT_EQ(surface.Text(IDC_FILE_PERCENT), L"100%");
        EXPECT_EQ(SendMessageW(surface.Item(IDC_FILE_PROGRESS), PBM_GETPOS, 0, 0), 10);
        EXPECT_TRUE(surface.Visible(IDC_FILE_PROGRESS));
        EXPECT_EQ(opened, std::vector<std::wstring>{folder});
        EXPECT_TRUE(surface.Enabled(IDC_OUTPUT_NAME) && surface.Enabled(IDC_FORMAT) && surface.Enabled(IDC_QUALITY));
        EXPECT_EQ(surface.Enabled(IDC_RESOLUTION), format.format <= 3);

        KeepForLinuxCheck(path, surfaceName, format.format, format.extension);
        const probe::MediaProbeResult probe = probe::ProbeMedia(path, BinFolder() + L"ffmpeg.exe");
        if (format.resolution) {
            EXPECT_EQ(probe.fields.resolution, format.resolution) << probe.report;
        }
        if (format.video) {
            EXPECT_NE(probe.fields.video.find(format.video), std::wstring::npos) << probe.fields.video;
        }
        const std::wstring audio = format.format == 6 ? mp3Rate : format.audio;
        EXPECT_NE(probe.fields.audio.find(audio), std::wstring::npos) << probe.fields.audio;
    }
}

TEST_F(ConvertPanel, EachFormatGivesAFileWithItsPresetAndOpensTheFolder) {
    ConvertEachFormat(panel_, L"panel", OutputFolder(), L"48000 Hz", opened_);
    // Changing the name hides a finished run's bar and label.
    panel_.SetText(IDC_OUTPUT_NAME, L"next");
    EXPECT_FALSE(panel_.Visible(IDC_FILE_PROGRESS));
    EXPECT_FALSE(panel_.Visible(IDC_FILE_PERCENT));
}

TEST_F(ConvertPanel, StandardViewUsesTheFirstSizeAndTheSlidersLevel) {
    window_.SetViewMode(library::kViewStandard);
    panel_.SelectFormat(2);
    SendMessageW(panel_.Item(IDC_RESOLUTION), CB_SETCURSEL, 2, 0);  // hidden in this view: not used
    SendMessageW(panel_.Item(IDC_QUALITY_SLIDER), TBM_SETPOS, TRUE, 1);
    panel_.SetText(IDC_OUTPUT_NAME, L"psp");
    settings::SettingsStore().WriteSetting(L"autoopenfolder", L"False");
    panel_.Click(IDC_CONVERT);
    EXPECT_FALSE(panel_.Enabled(IDC_QUALITY_SLIDER)) << "the slider is an input of the run";
    ASSERT_TRUE(PumpUntil([&] { return panel_.Text(IDC_CONVERT) == L"&Convert"; }, 60s));
    EXPECT_TRUE(panel_.Enabled(IDC_QUALITY_SLIDER));
    EXPECT_TRUE(opened_.empty()) << "\"autoopenfolder\" is off";
    const probe::MediaProbeResult probe = probe::ProbeMedia(Output(L"psp.mp4"), BinFolder() + L"ffmpeg.exe");
    EXPECT_EQ(probe.fields.resolution, L"480x272") << probe.report;
}

TEST_F(ConvertPanel, ExistingOutputAsksItsQuestionAndNoChangesNothing) {
    panel_.SetText(IDC_OUTPUT_NAME, L"taken");
    WriteAll(Output(L"taken.mov"), "keep me");
    prompter_.Answer(framework::Answer::No);
    panel_.Click(IDC_CONVERT);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(
        prompter_.shown[0],
        L"?yn Current folder already contains files named 'taken.mov'. Would you like to replace the existing file?");
    EXPECT_EQ(panel_.Text(IDC_CONVERT), L"&Convert");
    EXPECT_EQ(ReadAll(Output(L"taken.mov")), "keep me");
    EXPECT_TRUE(panel_.Enabled(IDC_OUTPUT_NAME));
    EXPECT_TRUE(panel_.Enabled(IDC_FORMAT));
    EXPECT_FALSE(panel_.Visible(IDC_FILE_PROGRESS));
    EXPECT_EQ(GetFocus(), panel_.Item(IDC_OUTPUT_NAME));
    PumpUntil([] { return false; }, 300ms);
    EXPECT_TRUE(opened_.empty());

    prompter_.Answer(framework::Answer::Yes);
    ASSERT_TRUE(panel_.ConvertToEnd());
    EXPECT_GT(FileSize(Output(L"taken.mov")), 100) << "Yes replaces the file";
}

TEST_F(ConvertPanel, NameBoxPutsBackTheLastValidNameWithItsBalloon) {
    panel_.SetText(IDC_OUTPUT_NAME, L"a");
    balloons_.clear();
    panel_.SetText(IDC_OUTPUT_NAME, L"a<");
    ASSERT_EQ(balloons_.size(), 1u);
    EXPECT_EQ(balloons_[0].title, L"Invalid character in file name");
    EXPECT_EQ(balloons_[0].text,
              L"In the file name can not use the following characters: \", '\\', '/', '|', '?', '*', ':', '<', '>'");
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"a");
    DWORD start = 0, end = 0;
    SendMessageW(panel_.Item(IDC_OUTPUT_NAME), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u) << "caret at the end";

    panel_.SetText(IDC_OUTPUT_NAME, L" a");
    ASSERT_EQ(balloons_.size(), 2u);
    EXPECT_EQ(balloons_[1].text, L"Space can not be in the beginning of the file name");
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"a");

    panel_.SetText(IDC_OUTPUT_NAME, std::wstring(256, L'x'));
    ASSERT_EQ(balloons_.size(), 3u);
    EXPECT_EQ(balloons_[2].title, L"Too long file name");
    EXPECT_EQ(balloons_[2].text, L"Maximum file name length - 255 characters");
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"a");
    panel_.SetText(IDC_OUTPUT_NAME, std::wstring(255, L'x'));
    EXPECT_EQ(balloons_.size(), 3u) << "255 characters are accepted";
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), std::wstring(255, L'x'));
}

TEST_F(ConvertPanel, ConvertWithAnEmptyNameRestoresThePreviousTextOrTheFallback) {
    // Emptied by an edit the box can undo: undo brings the text back, and the run goes on
    // with it (here as far as the overwrite question).
    panel_.SetText(IDC_OUTPUT_NAME, L"previous");
    HWND box = panel_.Item(IDC_OUTPUT_NAME);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
    ASSERT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"");
    WriteAll(Output(L"previous.mov"), "x");
    balloons_.clear();
    panel_.Click(IDC_CONVERT);
    ASSERT_FALSE(balloons_.empty());
    EXPECT_EQ(balloons_[0].title, L"The file name can not be empty");
    EXPECT_EQ(balloons_[0].text, L"Previous file name has been restored");
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"previous");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_NE(prompter_.shown[0].find(L"'previous.mov'"), std::wstring::npos);

    // Set from outside, the box has nothing to undo.
    panel_.SetText(IDC_OUTPUT_NAME, L"");
    WriteAll(Output(L"My output file.mov"), "x");
    panel_.Click(IDC_CONVERT);
    EXPECT_EQ(panel_.Text(IDC_OUTPUT_NAME), L"My output file");
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_NE(prompter_.shown[1].find(L"'My output file.mov'"), std::wstring::npos);
}

class ConvertLongClip : public Convert {
protected:
    std::wstring ClipSource() const override { return L"convert-60s.flv"; }
};

TEST_F(ConvertLongClip, StopOnThePanelEndsOnlyOurFfmpegAndRemovesThePartialOutput) {
    ForeignFfmpeg foreign;
    ASSERT_TRUE(PumpUntil([&] { return foreign.running(); }, 2s));
    panel_.SelectFormat(1);
    panel_.SetText(IDC_OUTPUT_NAME, L"partial");
    panel_.Click(IDC_CONVERT);
    EXPECT_EQ(panel_.Text(IDC_CONVERT), L"Sto&p");
    EXPECT_FALSE(panel_.Enabled(IDC_OUTPUT_NAME));
    ASSERT_TRUE(PumpUntil([&] { return FileSize(UnfinishedOutputIn(output_.path())) > 0; }, 20s))
        << "ffmpeg began writing";
    EXPECT_FALSE(Exists(Output(L"partial.mp4"))) << "never under the real name before it is whole";
    ASSERT_EQ(panel_.Text(IDC_CONVERT), L"Sto&p") << "still running when stopped";

    panel_.Click(IDC_CONVERT);
    EXPECT_EQ(panel_.Text(IDC_CONVERT), L"&convert");
    EXPECT_FALSE(panel_.Visible(IDC_FILE_PROGRESS));
    EXPECT_FALSE(panel_.Visible(IDC_FILE_PERCENT));
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_FILE_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(panel_.Enabled(IDC_OUTPUT_NAME));

    PumpUntil([] { return false; }, 1500ms);
    EXPECT_EQ(UnfinishedOutputIn(output_.path()), L"") << "the unfinished output is gone";
    EXPECT_FALSE(Exists(Output(L"partial.mp4")));
    EXPECT_EQ(panel_.Text(IDC_CONVERT), L"&Convert") << "the run's end set the caption back";
    EXPECT_TRUE(opened_.empty()) << "a stopped run never opens the folder";
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(foreign.running()) << "the user's own ffmpeg keeps running";
}

TEST_F(ConvertLongClip, StopInTheDialogHaltsItsRunAndClosingDuringARunRemovesTheOutput) {
    ForeignFfmpeg foreign;
    {
        convert::ConvertDialog dialog(window_.hwnd(), &window_.clipList());
        dialog.SetToolFolder(BinFolder());
        ASSERT_TRUE(dialog.CreateModeless());
        Surface page(dialog);
        EXPECT_EQ(page.Text(IDC_OUTPUT_FOLDER), OutputFolder()) << "copied from the main panel";
        EXPECT_EQ(page.Text(IDC_OUTPUT_NAME), L"1260000001");
        EXPECT_EQ(SendMessageW(page.Item(IDC_QUALITY), CB_GETCURSEL, 0, 0), 1) << "Medium";
        page.SetText(IDC_OUTPUT_NAME, L"dialog run");
        page.Click(IDC_CONVERT);
        ASSERT_TRUE(PumpUntil([&] { return FileSize(UnfinishedOutputIn(output_.path())) > 0; }, 20s));
        page.Click(IDC_CONVERT);
        EXPECT_EQ(page.Text(IDC_CONVERT), L"&Convert");
        EXPECT_FALSE(page.Visible(IDC_FILE_PROGRESS));
        EXPECT_TRUE(page.Enabled(IDC_OUTPUT_NAME));
        PumpUntil([] { return false; }, 1500ms);
        EXPECT_EQ(UnfinishedOutputIn(output_.path()), L"");
        EXPECT_FALSE(Exists(Output(L"dialog run.mov")));
        EXPECT_EQ(page.Text(IDC_FILE_PERCENT), L"0%") << "the halted run reported nothing more";
        EXPECT_TRUE(opened_.empty());

        // Closing while converting: halt, then the output goes and the dialog ends.
        page.SetText(IDC_OUTPUT_NAME, L"closed run");
        page.Click(IDC_CONVERT);
        ASSERT_TRUE(PumpUntil([&] { return FileSize(UnfinishedOutputIn(output_.path())) > 0; }, 20s));
        page.Command(IDCANCEL, BN_CLICKED);
        EXPECT_EQ(dialog.RunModalLoop(), IDCANCEL);
        EXPECT_EQ(UnfinishedOutputIn(output_.path()), L"");
        EXPECT_FALSE(Exists(Output(L"closed run.mov")));
        EXPECT_TRUE(opened_.empty());
    }
    EXPECT_TRUE(foreign.running());
    PumpUntil([] { return false; }, 500ms);  // late reports of the halted runs reach no window
}

TEST_F(ConvertLongClip, ClosingTheDialogRightAfterAStopStillRemovesTheOutput) {
    convert::ConvertDialog dialog(window_.hwnd(), &window_.clipList());
    dialog.SetToolFolder(BinFolder());
    ASSERT_TRUE(dialog.CreateModeless());
    Surface page(dialog);
    page.SetText(IDC_OUTPUT_NAME, L"stopped then closed");
    page.Click(IDC_CONVERT);
    ASSERT_TRUE(PumpUntil([&] { return FileSize(UnfinishedOutputIn(output_.path())) > 0; }, 20s));
    page.Click(IDC_CONVERT);
    page.Command(IDCANCEL, BN_CLICKED);
    EXPECT_EQ(dialog.RunModalLoop(), IDCANCEL);
    EXPECT_EQ(UnfinishedOutputIn(output_.path()), L"") << "the window's timer 3 would have died with it";
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ConvertLongClip, RemovalThatFailsReportsTheFileError) {
    panel_.SetText(IDC_OUTPUT_NAME, L"locked");
    panel_.Click(IDC_CONVERT);
    std::wstring unfinished;
    ASSERT_TRUE(PumpUntil([&] { return FileSize(unfinished = UnfinishedOutputIn(output_.path())) > 0; }, 20s));
    // Held open elsewhere without leave to delete it.
    platform::UniqueFile holder(CreateFileW(unfinished.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    panel_.Click(IDC_CONVERT);
    ASSERT_TRUE(PumpUntil([&] { return !prompter_.shown.empty(); }, 5s));
    EXPECT_EQ(prompter_.shown[0], L"!error A sharing violation occurred while accessing " + unfinished + L".");
    holder.reset();
    DeleteFileW(unfinished.c_str());
}

TEST_F(ConvertPanel, DialogConvertsAsksItsOwnQuestionAndChangeStoresTheFolder) {
    convert::ConvertDialog dialog(window_.hwnd(), &window_.clipList());
    dialog.SetToolFolder(BinFolder());
    ASSERT_TRUE(dialog.CreateModeless());
    Surface page(dialog);
    ConvertEachFormat(page, L"dialog", OutputFolder(), L"44100 Hz", opened_);  // the dialog's default quality is Medium

    // Enter presses Convert, the default button.
    page.SelectFormat(6);
    page.SetText(IDC_OUTPUT_NAME, L"song");
    page.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(page.Text(IDC_CONVERT), L"Sto&p");
    ASSERT_TRUE(PumpUntil([&] { return page.Text(IDC_CONVERT) == L"&Convert"; }, 60s));
    EXPECT_GT(FileSize(Output(L"song.mp3")), 0);

    prompter_.Answer(framework::Answer::No);
    page.Click(IDC_CONVERT);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(
        prompter_.shown[0],
        L"?yn Current folder already contains a file named 'song.mp3'. Would you like to replace the existing file?");

    ScratchFolder chosen(L"convert-chosen");
    struct OnePicker : framework::Pickers {
        std::wstring folder, title;
        std::optional<std::wstring> OpenFile(HWND, const std::wstring&, const std::wstring&,
                                             const std::wstring&) override {
            return std::nullopt;
        }
        std::optional<std::wstring> BrowseFolder(HWND, const std::wstring& t, const std::wstring&) override {
            title = t;
            return folder;
        }
    } picker;
    picker.folder = chosen.path();
    framework::Pickers* previous = framework::SetPickers(&picker);
    page.Click(IDC_CHANGE_FOLDER);
    framework::SetPickers(previous);
    EXPECT_EQ(picker.title, L"Select a folder for converted videos");
    EXPECT_EQ(page.Text(IDC_OUTPUT_FOLDER), chosen.path());
    EXPECT_EQ(settings::SettingsStore().ReadSetting(L"convertpath"), chosen.path());
    page.Click(IDC_OPEN_FOLDER);
    EXPECT_EQ(opened_.back(), chosen.path());
    page.Command(IDCANCEL, BN_CLICKED);
    EXPECT_EQ(dialog.RunModalLoop(), IDCANCEL) << "idle: closes at once";
}

TEST_F(ConvertPanel, FailedRunsAreReportedAndLeaveNothingBehind) {
    EXPECT_EQ(SendMessageW(panel_.Item(IDC_OUTPUT_NAME), EM_GETLIMITTEXT, 0, 0), 251)
        << "typed names leave room for the extension";
    const auto failsWith = [&](const wchar_t* what, const std::wstring& reason) {
        SCOPED_TRACE(what);
        prompter_.shown.clear();
        opened_.clear();
        ASSERT_TRUE(panel_.ConvertToEnd(30s));
        EXPECT_TRUE(panel_.Enabled(IDC_OUTPUT_NAME));
        EXPECT_TRUE(panel_.Enabled(IDC_FORMAT));
        EXPECT_EQ(panel_.Text(IDC_FILE_PERCENT), L"Failed");
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].rfind(L"!error The video could not be converted to ", 0), 0u)
            << prompter_.shown[0];
        EXPECT_NE(prompter_.shown[0].find(reason), std::wstring::npos) << prompter_.shown[0];
        EXPECT_TRUE(opened_.empty()) << "nothing to show in the folder";
        EXPECT_EQ(UnfinishedOutputIn(output_.path()), L"");
    };
    // The output folder no longer exists: nothing creates it, and ffmpeg's own words say so.
    panel_.SetText(IDC_OUTPUT_FOLDER, OutputFolder() + L"\\gone");
    panel_.SetText(IDC_OUTPUT_NAME, L"nowhere");
    failsWith(L"missing folder", L"gone\\nowhere.mov: No such file or directory");
    EXPECT_FALSE(Exists(OutputFolder() + L"\\gone"));
    panel_.SetText(IDC_OUTPUT_FOLDER, OutputFolder());

    // The output path names a folder: the finished file cannot take its place, and the folder stays.
    CreateDirectoryW(Output(L"taken by a folder.mov").c_str(), nullptr);
    panel_.SetText(IDC_OUTPUT_NAME, L"taken by a folder");
    failsWith(L"folder in the way", L"");
    EXPECT_NE(GetFileAttributesW(Output(L"taken by a folder.mov").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // 255 characters set from outside, with the extension too long for a file name.
    panel_.SetText(IDC_OUTPUT_NAME, std::wstring(255, L'n'));
    failsWith(L"255 characters", L"");

    ScratchFolder empty(L"convert-no-tool");
    window_.convertPanel().SetToolFolder(empty.path());
    panel_.SetText(IDC_OUTPUT_NAME, L"no tool");
    failsWith(L"ffmpeg missing", L"ffmpeg.exe could not be started");
    EXPECT_FALSE(Exists(Output(L"no tool.mov")));
    window_.convertPanel().SetToolFolder(BinFolder());

    // ffmpeg that dies partway while its run still ends with exit code 0, as a killed one's
    // can under Wine: a file of two seconds of the ten, and text where the file belongs.
    ScratchFolder dying(L"convert-dying-tool");
    ASSERT_TRUE(
        CopyFileW((BinFolder() + L"convert_dying_tool.exe").c_str(), (dying.path() + L"ffmpeg.exe").c_str(), FALSE));
    SetEnvironmentVariableW(L"REELKEEP_REAL_FFMPEG", (BinFolder() + L"ffmpeg.exe").c_str());
    window_.convertPanel().SetToolFolder(dying.path());
    const std::pair<const wchar_t*, const wchar_t*> deaths[] = {
        {L"cut", L"ffmpeg ended before the file was finished: it plays 00:00:02 of 00:00:10."},
        {L"garbage", L"ffmpeg ended before the file was finished: it cannot be played."}};
    for (const auto& [death, reason] : deaths) {
        SetEnvironmentVariableW(L"REELKEEP_STAND_IN", death);
        panel_.SetText(IDC_OUTPUT_NAME, death);
        failsWith(death, reason);
        EXPECT_FALSE(Exists(Output(std::wstring(death) + L".mov")));
    }
    SetEnvironmentVariableW(L"REELKEEP_STAND_IN", nullptr);
    SetEnvironmentVariableW(L"REELKEEP_REAL_FFMPEG", nullptr);
    window_.convertPanel().SetToolFolder(BinFolder());

    // The clip turned into something ffmpeg cannot read after it was listed.
    WriteAll(ClipPath(), "This is not a video any more.");
    panel_.SetText(IDC_OUTPUT_NAME, L"unreadable");
    failsWith(L"unreadable clip", L"Invalid data found when processing input");
    EXPECT_FALSE(Exists(Output(L"unreadable.mov")));
}

class ConvertZeroDuration : public Convert {
protected:
    std::wstring ClipSource() const override { return L"convert-under-1s.flv"; }
};

TEST_F(ConvertZeroDuration, RunsToItsEndWithAnHonestBarWhenTheDurationReadsZero) {
    ASSERT_EQ(window_.clipList().CellText(0, 4), L"00:00:00");
    panel_.SetText(IDC_OUTPUT_NAME, L"short");
    panel_.Click(IDC_CONVERT);
    EXPECT_EQ(panel_.Text(IDC_FILE_PERCENT), L"") << "no share can be computed";
    EXPECT_NE(GetWindowLongW(panel_.Item(IDC_FILE_PROGRESS), GWL_STYLE) & PBS_MARQUEE, 0);
    ASSERT_TRUE(PumpUntil([&] { return panel_.Text(IDC_CONVERT) == L"&Convert"; }, 30s));
    EXPECT_GT(FileSize(Output(L"short.mov")), 0) << "the conversion ran to its end";
    EXPECT_EQ(panel_.Text(IDC_FILE_PERCENT), L"100%");
    EXPECT_EQ(GetWindowLongW(panel_.Item(IDC_FILE_PROGRESS), GWL_STYLE) & PBS_MARQUEE, 0);
}

}  // namespace
