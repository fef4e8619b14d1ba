// The batch dialog for real: ticked clips of a real main window, the real ffmpeg.exe,
// outputs probed afterwards.
#include "app/MainWindow.h"
#include "convert/OutputFolder.h"
#include "convert/BatchConvertDialog.h"
#include "framework/BalloonTip.h"
#include "library/Catalogue.h"
#include "probe/MediaProbe.h"
#include "titles/TitleStore.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsStore.h"
#include "support/ConvertSupport.h"
#include "support/MessagePump.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using framework::Answer;
using testing_support::BinFolder;
using testing_support::FilesIn;
using testing_support::ForeignFfmpeg;
using testing_support::PumpUntil;
using testing_support::ScratchFolder;

// The row menu is recorded and answered from a script instead of tracked.
class ScriptedBatchDialog : public convert::BatchConvertDialog {
public:
    using BatchConvertDialog::BatchConvertDialog;
    std::vector<std::wstring> menu;
    UINT answer = 0;

protected:
    UINT TrackRowMenu(HMENU handle, POINT) override {
        menu.clear();
        for (int i = 0; i < GetMenuItemCount(handle); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(handle, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            menu.push_back(text);
        }
        return answer;
    }
};

std::wstring Text(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::string ReadAll(const std::wstring& path) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<missing>";
    std::string bytes(64, '\0');
    DWORD got = 0;
    ReadFile(file.get(), bytes.data(), 64, &got, nullptr);
    bytes.resize(got);
    return bytes;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool StartsWith(const std::wstring& text, std::wstring_view start) {
    return std::wstring_view(text).starts_with(start);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class BatchConvert : public ::testing::Test {
protected:
    // Clip file, made clip, title, ticked.
    struct Clip {
        const wchar_t* file;
        const wchar_t* source;
        const wchar_t* title;
        bool ticked;
    };

    void Open(std::initializer_list<Clip> clips) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        for (const Clip& clip : clips) {
            const std::wstring path = library_.path() + clip.file;
            ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\" + clip.source).c_str(), path.c_str(), FALSE));
            titles::WriteTitle(path, clip.title);
        }
        ASSERT_TRUE(window_.CreateModeless());
        library::RefreshClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
        ASSERT_EQ(window_.clipList().RowCount(), static_cast<int>(clips.size()));
        for (const Clip& clip : clips)
            for (int row = 0; row < window_.clipList().RowCount(); ++row)
                if (window_.clipList().RowPath(row) == library_.path() + clip.file)
                    window_.clipList().SetChecked(row, clip.ticked);
        SetWindowTextW(GetDlgItem(window_.hwnd(), IDC_OUTPUT_FOLDER), Folder().c_str());
        convert::SetFolderOpener([this](HWND, const std::wstring& folder) { opened_.push_back(folder); });
        framework::SetBalloonObserver(
            [this](HWND, const std::wstring& title, const std::wstring&) { balloons_.push_back(title); });
        settings::SettingsStore().WriteSetting(L"autoopenfolder", L"true");
        dialog_ = std::make_unique<ScriptedBatchDialog>(window_.hwnd(), &window_.clipList());
        dialog_->SetToolFolder(BinFolder());
        ASSERT_TRUE(dialog_->CreateModeless());
    }
    void TearDown() override {
        dialog_.reset();
        convert::SetFolderOpener(nullptr);
        framework::SetBalloonObserver(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
    }

    HWND Item(int id) const { return GetDlgItem(dialog_->hwnd(), id); }
    void Click(int id) {
        SendMessageW(dialog_->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    void SelectFormat(int format) {
        SendMessageW(Item(IDC_FORMAT), CB_SETCURSEL, static_cast<WPARAM>(format), 0);
        SendMessageW(dialog_->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FORMAT, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(IDC_FORMAT)));
    }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const convert::BatchRow& row : dialog_->Rows()) names.push_back(row.name);
        return names;
    }
    // Runs the batch to its end, remembering every label the file bar showed.
    bool ConvertToEnd(std::vector<std::wstring>* labels = nullptr) {
        Click(IDC_CONVERT);
        return PumpUntil(
            [&] {
                const std::wstring label = Text(Item(IDC_FILE_PERCENT));
                if (labels && (labels->empty() || labels->back() != label)) labels->push_back(label);
                return Text(Item(IDC_CONVERT)) == L"&Convert";
            },
            120s);
    }
    void Notify(UINT code, WORD key = 0) {
        NMLVKEYDOWN notice{};
        notice.hdr.hwndFrom = Item(IDC_BATCH_LIST);
        notice.hdr.idFrom = IDC_BATCH_LIST;
        notice.hdr.code = code;
        notice.wVKey = key;
        SendMessageW(dialog_->hwnd(), WM_NOTIFY, IDC_BATCH_LIST, reinterpret_cast<LPARAM>(&notice));
    }
    void EndEdit(int row, const wchar_t* text) {
        NMLVDISPINFOW edit{};
        edit.hdr.hwndFrom = Item(IDC_BATCH_LIST);
        edit.hdr.idFrom = IDC_BATCH_LIST;
        edit.hdr.code = LVN_ENDLABELEDIT;
        edit.item.iItem = row;
        edit.item.pszText = const_cast<wchar_t*>(text);
        SendMessageW(dialog_->hwnd(), WM_NOTIFY, IDC_BATCH_LIST, reinterpret_cast<LPARAM>(&edit));
    }
    std::wstring Folder() const { return output_.path().substr(0, output_.path().size() - 1); }
    std::wstring Output(const std::wstring& file) const { return output_.path() + file; }

    ScratchFolder library_{L"batch-library"};
    ScratchFolder output_{L"batch-output"};
    testing_support::QuietMainWindow window_;
    std::unique_ptr<ScriptedBatchDialog> dialog_;
    testing_support::ScriptedPrompter prompter_;
    std::vector<std::wstring> opened_;
    std::vector<std::wstring> balloons_;
};

TEST_F(BatchConvert, TickedClipsInListOrderOneQuestionNoSkipsYesReplacesInOrder) {
    Open({{L"1260000001.flv", L"convert-10s.flv", L"A", true},
          {L"1260000002.flv", L"convert-10s.flv", L"B", true},
          {L"1260000003.flv", L"flv-320x240-sound.flv", L"A", true},
          {L"1260000004.flv", L"flv-320x240-sound.flv", L"C", false},
          {L"1260000005.flv", L"flv-320x240-sound.flv", L"D", false}});
    std::vector<std::wstring> ticked;
    for (int row = 0; row < window_.clipList().RowCount(); ++row)
        if (window_.clipList().IsChecked(row)) ticked.push_back(window_.clipList().CellText(row, 0));
    ASSERT_EQ(Names(), ticked) << "the ticked rows in list order";
    EXPECT_EQ(Text(Item(IDC_OUTPUT_FOLDER)), Folder());
    EXPECT_EQ(SendMessageW(Item(IDC_QUALITY), CB_GETCURSEL, 0, 0), 1) << "Medium";
    EXPECT_EQ(SendMessageW(Item(IDC_FORMAT), CB_GETCOUNT, 0, 0), 7);
    EXPECT_FALSE(IsWindowVisible(Item(IDC_BATCH_PROGRESS)));

    SelectFormat(1);
    WriteAll(Output(L"A.mp4"), "old");
    prompter_.Answer(Answer::No);
    std::vector<std::wstring> labels;
    ASSERT_TRUE(ConvertToEnd(&labels));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(
        prompter_.shown[0],
        L"?ync Current folder already contains files named 'A.mp4'. Would you like to replace the existing files?");
    EXPECT_EQ(ReadAll(Output(L"A.mp4")), "old") << "No skips the rows whose output exists";
    EXPECT_EQ(labels.back(), L"File 1 of 1 - 100%");
    EXPECT_EQ(SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETRANGE, FALSE, 0), 10) << "only B's seconds";
    EXPECT_EQ(Text(Item(IDC_BATCH_PERCENT)), L"All files - 100%");
    EXPECT_EQ(opened_, std::vector<std::wstring>{Folder()});
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_BATCH_LIST)) && IsWindowEnabled(Item(IDC_FORMAT)));

    prompter_.Answer(Answer::Yes);
    labels.clear();
    ASSERT_TRUE(ConvertToEnd(&labels));
    std::vector<std::wstring> rowsSeen;
    for (const std::wstring& label : labels)
        if (label.size() >= 11 && (rowsSeen.empty() || rowsSeen.back() != label.substr(0, 11)))
            rowsSeen.push_back(label.substr(0, 11));
    EXPECT_EQ(rowsSeen, (std::vector<std::wstring>{L"File 1 of 3", L"File 2 of 3", L"File 3 of 3"}));
    EXPECT_EQ(labels.back(), L"File 3 of 3 - 100%");
    EXPECT_EQ(SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETRANGE, FALSE, 0), 22);
    EXPECT_EQ(prompter_.shown.size(), 2u) << "no failure to report";
    EXPECT_EQ(FilesIn(output_.path()), (std::vector<std::wstring>{L"A.mp4", L"B.mp4"})) << "nothing left half-made";

    // The last A row's clip is the one in A.mp4.
    const std::vector<convert::BatchRow> rows = dialog_->Rows();
    const int lastA = rows[0].name == L"A" && rows[2].name == L"A" ? rows[2].durationSeconds : rows[1].durationSeconds;
    for (const wchar_t* file : {L"A.mp4", L"B.mp4"}) {
        const probe::MediaProbeResult probe = probe::ProbeMedia(Output(file), BinFolder() + L"ffmpeg.exe");
        EXPECT_EQ(probe.fields.resolution, L"480x320") << probe.report;
        EXPECT_NE(probe.fields.video.find(L"mpeg4"), std::wstring::npos) << probe.fields.video;
        testing_support::KeepForLinuxCheck(Output(file), file[0] == L'A' ? L"batch-a" : L"batch-b", 1, L".mp4");
        if (std::wstring(file) == L"A.mp4") {
            EXPECT_EQ(probe::DurationSeconds(probe.fields.duration), lastA);
        }
    }
}

TEST_F(BatchConvert, TwoOfFiveOutputsExistNoConvertsTheOtherThreeOverTheirOwnSeconds) {
    // The tagged MP4 lists as 00:00:30 from its metadata: its row counts 30 seconds.
    Open({{L"1260000001.flv", L"flv-320x240-sound.flv", L"a", true},
          {L"1260000002.flv", L"flv-320x240-sound.flv", L"b", true},
          {L"1260000003.flv", L"flv-320x240-sound.flv", L"c", true},
          {L"1260000004.flv", L"flv-320x240-sound.flv", L"d", true},
          {L"1260000005.flv", L"mp4-640x360-tagged.mp4", L"e", true}});
    SelectFormat(1);
    WriteAll(Output(L"b.mp4"), "old b");
    WriteAll(Output(L"d.mp4"), "old d");
    prompter_.Answer(Answer::No);
    std::vector<std::wstring> labels;
    ASSERT_TRUE(ConvertToEnd(&labels));
    std::vector<std::wstring> rowsSeen;
    for (const std::wstring& label : labels)
        if (label.size() >= 11 && (rowsSeen.empty() || rowsSeen.back() != label.substr(0, 11)))
            rowsSeen.push_back(label.substr(0, 11));
    EXPECT_EQ(rowsSeen, (std::vector<std::wstring>{L"File 1 of 3", L"File 2 of 3", L"File 3 of 3"}));
    EXPECT_EQ(SendMessageW(Item(IDC_BATCH_PROGRESS), PBM_GETRANGE, FALSE, 0), 2 + 2 + 30);
    EXPECT_EQ(FilesIn(output_.path()), (std::vector<std::wstring>{L"a.mp4", L"b.mp4", L"c.mp4", L"d.mp4", L"e.mp4"}));
    EXPECT_EQ(ReadAll(Output(L"b.mp4")), "old b") << "skipped rows stay untouched";
    EXPECT_EQ(ReadAll(Output(L"d.mp4")), "old d");
}

TEST_F(BatchConvert, RowMenuNameRulesDeleteRefusalAndTheMainWindowsFrameSize) {
    Open({{L"1260000001.flv", L"flv-320x240-sound.flv", L"x", true},
          {L"1260000002.flv", L"mp4-640x360-tagged.mp4", L"y: part 1/2?", true},
          {L"1260000003.flv", L"flv-320x240-sound.flv", L"z", true}});
    EXPECT_EQ(balloons_, std::vector<std::wstring>{L"Some characters have been removed"}) << "the title was cleaned";
    const std::vector<convert::BatchRow> rows = dialog_->Rows();
    for (const convert::BatchRow& row : rows) {
        if (row.name == L"y part 12") {
            EXPECT_EQ(row.durationSeconds, 30) << "the metadata duration";
        }
    }

    // WMV shows the frame size of the clip selected in the main window, not of a batch row.
    for (int row = 0; row < window_.clipList().RowCount(); ++row)
        if (window_.clipList().CellText(row, 5) == L"640x360") window_.clipList().SelectAndFocus(row);
    SelectFormat(4);
    EXPECT_EQ(Text(Item(IDC_RESOLUTION)), L"640x360");
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_RESOLUTION)));

    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(Item(IDC_BATCH_LIST), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    NMITEMACTIVATE click{};
    click.hdr = {Item(IDC_BATCH_LIST), IDC_BATCH_LIST, static_cast<UINT>(NM_RCLICK)};
    click.ptAction = {first.left + 5, first.top + 2};
    SendMessageW(dialog_->hwnd(), WM_NOTIFY, IDC_BATCH_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(dialog_->menu,
              (std::vector<std::wstring>{L" Rename                   F2", L" Delete                     Del"}));
    click.ptAction = {first.left + 5, 2000};
    SendMessageW(dialog_->hwnd(), WM_NOTIFY, IDC_BATCH_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(dialog_->menu.empty()) << "outside the rows the menu is empty";

    const std::wstring before = Names()[0];
    balloons_.clear();
    EndEdit(0, L"   ");
    EndEdit(0, nullptr);
    EXPECT_EQ(Names()[0], before) << "blank and cancelled edits keep the name";
    EndEdit(0, L"<");
    EXPECT_EQ(Names()[0], before) << "a name the rules empty keeps the old one";
    EXPECT_EQ(balloons_, std::vector<std::wstring>{L"Some characters have been removed"});
    EndEdit(0, L"a/b");
    EXPECT_EQ(Names()[0], L"ab");

    SendMessageW(Item(IDC_BATCH_LIST), LVM_SETSELECTIONMARK, 0, 0);
    prompter_.Answer(Answer::No);
    Notify(LVN_KEYDOWN, VK_DELETE);
    EXPECT_EQ(prompter_.shown.back(), L"?yn Are you sure you want to delete this file from the list?");
    EXPECT_EQ(Names().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        prompter_.Answer(Answer::Yes);
        Notify(LVN_KEYDOWN, VK_DELETE);
    }
    EXPECT_EQ(Names().size(), 1u);
    EXPECT_EQ(prompter_.shown.back(), L"!info You can not delete the last file from the list");
}

TEST_F(BatchConvert, StopInTheSecondRowKeepsTheFirstAndWhatWasNotReachedThenCloseDuringARun) {
    ForeignFfmpeg foreign;
    Open({{L"1260000001.flv", L"convert-60s.flv", L"s1", true},
          {L"1260000002.flv", L"convert-60s.flv", L"s2", true},
          {L"1260000003.flv", L"convert-60s.flv", L"s3", true}});
    SelectFormat(1);
    // List order decides which row comes last; its output exists before the batch.
    const std::wstring last = Names().back();
    WriteAll(Output(last + L".mp4"), "keep");
    prompter_.Answer(Answer::Yes);
    Click(IDC_CONVERT);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_BATCH_LIST)));
    ASSERT_TRUE(PumpUntil([&] { return StartsWith(Text(Item(IDC_FILE_PERCENT)), L"File 2 of 3"); }, 120s));
    ASSERT_TRUE(PumpUntil([&] { return FilesIn(output_.path()).size() == 3; }, 30s)) << "row 2 began writing";
    Click(IDC_CONVERT);
    EXPECT_EQ(Text(Item(IDC_CONVERT)), L"&Convert");
    EXPECT_FALSE(IsWindowVisible(Item(IDC_BATCH_PROGRESS)));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_BATCH_LIST)));
    PumpUntil([] { return false; }, 1500ms);
    std::vector<std::wstring> kept{Names().front() + L".mp4", last + L".mp4"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(FilesIn(output_.path()), kept) << "the first row's output stays, the second's partial file is gone";
    EXPECT_EQ(ReadAll(Output(last + L".mp4")), "keep") << "not reached: untouched";
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(foreign.running()) << "the user's own ffmpeg keeps running";

    // Closing during a run stops it, cleans up and ends the dialog.
    prompter_.Answer(Answer::Yes);
    Click(IDC_CONVERT);
    ASSERT_TRUE(PumpUntil([&] { return FilesIn(output_.path()).size() == 3; }, 30s));
    SendMessageW(dialog_->hwnd(), WM_COMMAND, IDOK, 0);  // Enter takes the close path
    EXPECT_EQ(dialog_->RunModalLoop(), IDCANCEL);
    EXPECT_EQ(FilesIn(output_.path()).size(), 2u);
    EXPECT_EQ(ReadAll(Output(last + L".mp4")), "keep");
}

TEST_F(BatchConvert, FailedRowsAreReportedAndTheBatchGoesOn) {
    Open({{L"1260000001.flv", L"flv-320x240-sound.flv", L"one", true},
          {L"1260000002.flv", L"flv-320x240-sound.flv", L"two", true},
          {L"1260000003.flv", L"flv-320x240-sound.flv", L"three", true},
          {L"1260000004.flv", L"flv-320x240-sound.flv", L"four", true}});
    // A ticked clip deleted after the dialog opened, one ffmpeg cannot read, and a name at
    // the 255-character limit, which leaves no room for the extension.
    const std::wstring longest(255, L'n');
    EndEdit(3, longest.c_str());
    const std::vector<convert::BatchRow> rows = dialog_->Rows();
    ASSERT_EQ(rows[3].name, longest);
    ASSERT_TRUE(DeleteFileW(rows[0].inputPath.c_str()));
    WriteAll(rows[1].inputPath, "This is not a video any more.");
    ASSERT_TRUE(ConvertToEnd());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].rfind(L"!error These videos could not be converted:", 0), 0u) << prompter_.shown[0];
    EXPECT_NE(prompter_.shown[0].find(rows[0].name + L".mov: "), std::wstring::npos);
    EXPECT_NE(prompter_.shown[0].find(rows[1].name + L".mov: "), std::wstring::npos);
    EXPECT_NE(prompter_.shown[0].find(longest + L".mov: "), std::wstring::npos);
    EXPECT_EQ(FilesIn(output_.path()), std::vector<std::wstring>{rows[2].name + L".mov"}) << "nothing half-made stays";
    EXPECT_EQ(opened_.size(), 1u) << "one row was converted";

    // ffmpeg missing; then a folder that is gone.
    ScratchFolder noTool(L"batch-no-tool");
    dialog_->SetToolFolder(noTool.path());
    prompter_.Answer(Answer::Yes);
    ASSERT_TRUE(ConvertToEnd());
    EXPECT_NE(prompter_.shown.back().find(L"ffmpeg.exe could not be started"), std::wstring::npos)
        << prompter_.shown.back();
    dialog_->SetToolFolder(BinFolder());
    SetWindowTextW(Item(IDC_OUTPUT_FOLDER), (Folder() + L"\\gone").c_str());
    ASSERT_TRUE(ConvertToEnd());
    EXPECT_EQ(prompter_.shown.back().rfind(L"!error", 0), 0u);
    EXPECT_FALSE(Exists(Folder() + L"\\gone"));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_BATCH_LIST)) && IsWindowEnabled(Item(IDC_CHANGE_FOLDER)));
}

}  // namespace
