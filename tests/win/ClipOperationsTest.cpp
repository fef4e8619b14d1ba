// Renaming and deleting clips from the main window: titles in the store, rows in the
// list, the commands that follow, and the file left for the next start to delete.
#include "library/Catalogue.h"
#include "library/DeletionMarks.h"
#include "library/ImportFlvFiles.h"
#include "library/PurgeMarkedClips.h"
#include "titles/TitleStore.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"
#include "support/QuietMainWindow.h"
#include "support/ScratchFolder.h"
#include "support/ScratchTitleStore.h"
#include "support/ScriptedPickers.h"
#include "support/ScriptedPrompter.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using framework::Answer;
using testing_support::BinFolder;
using testing_support::ScratchFolder;

class ClipOperations : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep");
        for (const wchar_t* name : {L"1260000001.flv", L"1260000002.flv", L"1260000003.flv"})
            ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(),
                                  (library_.path() + name).c_str(), FALSE));
        ASSERT_TRUE(window_.CreateModeless());
        library::RefreshClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
        ASSERT_EQ(List().RowCount(), 3);
        List().SelectAndFocus(0);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Reelkeep"); }

    library::ClipListView& List() { return window_.clipList(); }
    // The list's report of a finished in-place edit; returns what the window answered.
    LRESULT EndEdit(int row, const wchar_t* text) {
        NMLVDISPINFOW edit{};
        edit.hdr.hwndFrom = List().hwnd();
        edit.hdr.idFrom = IDC_CLIP_LIST;
        edit.hdr.code = LVN_ENDLABELEDITW;
        edit.item.iItem = row;
        edit.item.pszText = const_cast<wchar_t*>(text);
        return SendMessageW(window_.hwnd(), WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&edit));
    }
    void Command(WORD id) { SendMessageW(window_.hwnd(), WM_COMMAND, id, 0); }

    ScratchFolder library_{L"operations"};
    ScratchFolder titles_{L"operations-titles"};
    testing_support::ScratchTitleStore titleStore_{titles_.path() + L"titles.log"};
    testing_support::ScriptedPrompter prompter_;
    testing_support::QuietMainWindow window_;
};

TEST_F(ClipOperations, RenameStoresTheTitleAndBlanksKeepTheOldOne) {
    const std::wstring path = List().RowPath(0);
    EXPECT_EQ(EndEdit(0, L"a/b"), FALSE) << "the list must not apply the edit itself";
    EXPECT_EQ(List().CellText(0, 0), L"a/b");
    EXPECT_EQ(titles::ReadTitle(path), L"a/b");
    EXPECT_EQ(window_.ItemText(IDC_OUTPUT_NAME), L"ab");

    EndEdit(0, L"   ");
    EndEdit(0, nullptr);
    EXPECT_EQ(titles::ReadTitle(path), L"a/b");
    EXPECT_EQ(List().CellText(0, 0), L"a/b");

    EndEdit(0, L"my InOrderToDelete copy");
    EXPECT_EQ(titles::ReadTitle(path), L"a/b") << "a typed title never marks a clip for deletion";
}

TEST_F(ClipOperations, DeleteAsksThenMarksTheClipAndRemovesItsRow) {
    const std::wstring path = List().RowPath(0);
    prompter_.Answer(Answer::No);
    Command(ID_MOVIE_DELETE);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0], L"?yn Are you sure you want to delete this video clip?");
    EXPECT_EQ(List().RowCount(), 3);

    prompter_.Answer(Answer::Yes);
    Command(ID_MOVIE_DELETE);
    EXPECT_EQ(List().RowCount(), 2);
    EXPECT_EQ(titles::ReadTitle(path), L"InOrderToDelete");
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) << "the file goes at the next start";

    prompter_.Answer(Answer::Yes);
    Command(ID_MOVIE_DELETE);
    prompter_.Answer(Answer::Yes);
    Command(ID_MOVIE_DELETE);
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_.hwnd(), IDC_CONVERT)));
    EXPECT_EQ(window_.ItemText(IDC_OUTPUT_NAME), L"No video clips to convert");
    EXPECT_FALSE(window_.menu().IsEnabled(ID_MOVIE_PLAY));
}

TEST_F(ClipOperations, DeletingTickedRowsKeepsTheOthersAndMarksTheDeletedOnesMeanwhile) {
    const std::wstring kept = List().RowPath(2);
    const std::vector<std::wstring> deleted{List().RowPath(0), List().RowPath(1)};
    List().SetChecked(0, true);
    List().SetChecked(1, true);
    ASSERT_TRUE(window_.menu().CheckedCommandsEnabled());
    prompter_.Answer(Answer::Yes);
    Command(ID_CHECKED_DELETE);
    EXPECT_EQ(prompter_.shown.back(), L"?yn Are you sure you want to delete the selected videos?");
    ASSERT_EQ(List().RowCount(), 1) << "the rows go at once";
    EXPECT_EQ(List().RowPath(0), kept);
    EXPECT_FALSE(window_.menu().CheckedCommandsEnabled());
    EXPECT_TRUE(window_.menu().IsEnabled(ID_MOVIE_PLAY)) << "one clip is still listed";
    ASSERT_TRUE(library::ProcessPendingMarks().WaitUntilWritten(std::chrono::seconds(10)));
    for (const std::wstring& path : deleted) EXPECT_EQ(titles::ReadTitle(path), L"InOrderToDelete") << path;
    EXPECT_EQ(titles::ReadTitle(kept), L"NotSet");

    // A clip whose mark is still to be written is not listed again by a build meanwhile.
    titles::WriteTitle(deleted[0], L"");
    library::ProcessPendingMarks().Add({deleted[0]});
    library::RebuildClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_FALSE(List().rows().Lists(deleted[0]));
    library::ProcessPendingMarks().Written(deleted[0]);
    library::RebuildClipList(window_.hwnd(), {library_.path(), BinFolder() + L"ffmpeg.exe"});
    EXPECT_TRUE(List().rows().Lists(deleted[0]));
    EXPECT_EQ(List().RowCount(), 2);
}

TEST_F(ClipOperations, APurgedClipLeavesNoMarkerForTheFileThatTakesItsPlace) {
    const std::wstring path = List().RowPath(0);
    titles::WriteTitle(path, L"InOrderToDelete");
    window_.clipList().DeleteAllRows();
    EXPECT_EQ(library::PurgeMarkedClips(library_.path()).deleted, 1);
    // A copy that keeps its source's times, in the place of the deleted file: on many
    // file systems it gets the freed index back and so the same identity.
    ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(), path.c_str(), FALSE));
    EXPECT_EQ(titles::ReadTitle(path), L"NotSet");
    EXPECT_EQ(library::PurgeMarkedClips(library_.path()).deleted, 0);
}

TEST_F(ClipOperations, PurgeKeepsListedWhatItCannotDeleteOrCannotTellFromTheMarkedFile) {
    const std::wstring readOnly = List().RowPath(0);
    const std::wstring stuck = List().RowPath(1);
    for (const std::wstring& path : {readOnly, stuck}) titles::WriteTitle(path, L"InOrderToDelete");
    // Made read-only after it was marked: on a volume without property sets nothing tells
    // this from a copy put in the marked file's place, so it stays.
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    // A file the system will not delete (in use by a program that shares it for reading).
    const auto deleter = [&](const std::wstring& path, DWORD& error) {
        if (path == stuck) {
            EXPECT_EQ(titles::ReadTitle(path), L"InOrderToDelete") << "the marker goes only with the file";
            error = ERROR_SHARING_VIOLATION;
            return false;
        }
        return titles::DeleteTitledFile(path, error);
    };
    const library::PurgeResult result = library::PurgeMarkedClips(library_.path(), deleter);
    EXPECT_EQ(result.deleted, 0);
    EXPECT_EQ(result.kept, std::vector<std::wstring>{stuck});
    for (const std::wstring& path : {readOnly, stuck}) {
        EXPECT_EQ(titles::ReadTitle(path), L"NotSet") << "listed again, not hidden for good";
    }
    EXPECT_NE(library::KeptClipsText(result.kept).find(stuck), std::wstring::npos);
    DWORD error = 0;
    EXPECT_TRUE(titles::DeleteTitledFile(readOnly, error)) << error;
    EXPECT_EQ(GetFileAttributesW(readOnly.c_str()), INVALID_FILE_ATTRIBUTES) << "a read-only clip can be deleted";
}

TEST_F(ClipOperations, ExportCopiesTheTickedClipsUnderTheirOutputNames) {
    ScratchFolder target(L"export");
    testing_support::ScriptedPickers pickers;
    EndEdit(0, L"Same name");
    EndEdit(1, L"Same name");
    List().SetChecked(0, true);
    List().SetChecked(1, true);
    pickers.folder = target.path();
    Command(ID_CHECKED_EXPORT);
    EXPECT_EQ(prompter_.shown.back(), L"!info Videos have been successfully exported");
    EXPECT_NE(GetFileAttributesW((target.path() + L"Same name.flv").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(titles::ReadTitle(target.path() + L"Same name.flv"), L"NotSet") << "the title stays in the library";

    pickers.folder = target.path() + L"gone\\";
    Command(ID_CHECKED_EXPORT);
    EXPECT_EQ(prompter_.shown.back().rfind(L"!error 2 videos could not be exported", 0), 0u) << prompter_.shown.back();

    const size_t shownBefore = prompter_.shown.size();
    pickers.folder.reset();
    Command(ID_CHECKED_EXPORT);
    EXPECT_EQ(prompter_.shown.size(), shownBefore) << "a cancelled folder choice does nothing";
}

TEST_F(ClipOperations, ImportCopiesEachFileUnderItsOwnSecondWithItsNameAsTitle) {
    ScratchFolder sources(L"import-sources");
    for (const wchar_t* name : {L"first.flv", L"second.flv", L"abc"})
        ASSERT_TRUE(CopyFileW((BinFolder() + L"probe-clips\\flv-320x240-sound.flv").c_str(),
                              (sources.path() + name).c_str(), FALSE));
    testing_support::ScriptedPickers pickers;
    pickers.files = std::vector<std::wstring>{sources.path() + L"first.flv", sources.path() + L"second.flv",
                                              sources.path() + L"abc"};
    const long long now = static_cast<long long>(time(nullptr));
    EXPECT_EQ(library::ImportFlvFiles(window_.hwnd(), library_.path()), 3);
    // The seconds now, now-1, now-2 may already be taken by an earlier clip; the import
    // then takes the next free name of that second and never replaces a clip.
    int found = 0;
    for (long long second = now - 3; second <= now + 1; ++second) {
        const std::wstring clip = library_.path() + std::to_wstring(second) + L".flv";
        if (GetFileAttributesW(clip.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        const std::wstring title = titles::ReadTitle(clip);
        EXPECT_TRUE(title == L"first" || title == L"second" || title == L"NotSet") << title;
        ++found;
    }
    EXPECT_EQ(found, 3);
    EXPECT_EQ(GetFileAttributesW((library_.path() + L"1260000001.flv").c_str()) != INVALID_FILE_ATTRIBUTES, true);

    pickers.files.reset();
    EXPECT_EQ(library::ImportFlvFiles(window_.hwnd(), library_.path()), 0) << "cancel imports nothing";
}

}  // namespace
