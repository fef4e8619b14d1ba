// What the main window does to the clips themselves: rename a title in place, delete
// (deferred to the next start), play in the system's player.
#include "app/MainWindow.h"

#include "library/MovieNumbering.h"

#include "platform/CopyWholeFile.h"
#include "platform/ProgramFolder.h"
#include "convert/OutputNames.h"
#include "framework/Pickers.h"
#include "framework/Worker.h"
#include "library/DeletionMarks.h"
#include "library/ImportFlvFiles.h"
#include "library/PlayableFiles.h"
#include "framework/Prompter.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "resources/resource.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

namespace app {

namespace {

bool IsBlank(const wchar_t* text) {
    if (text == nullptr) return true;
    for (; *text != L'\0'; ++text) {
        if (!std::iswspace(static_cast<std::wint_t>(*text))) return false;
    }
    return true;
}

}  // namespace

bool MainWindow::RenameClip(const NMLVDISPINFOW& edit) {
    editingLabel_ = false;
    const std::wstring path = std::exchange(editedPath_, std::wstring());
    const wchar_t* text = edit.item.pszText;
    if (IsBlank(text)) return false;
    // Start-up deletes every clip whose title holds the marker; a title the user typed
    // must never get a clip deleted, so such a rename is refused.
    const std::wstring title(text);
    if (title.find(titles::kTitleToDelete) != std::wstring::npos) return false;
    const std::size_t found = path.empty() ? static_cast<std::size_t>(edit.item.iItem) : list_.rows().Find(path);
    const int row = static_cast<int>(std::min<std::size_t>(found, INT_MAX));
    if (list_.RecordAt(row) == nullptr) return false;
    list_.SetTitle(row, title);
    titles::WriteTitle(list_.RowPath(row), title);
    // A clip renamed "Movie42" takes that number out of the captures' numbering.
    library::ProcessMovieNumbers().See(title);
    const int mark = list_.SelectionMark();
    if (mark >= 0) SetItemText(IDC_OUTPUT_NAME, convert::defaultOutputName(list_.CellText(mark, 0)));
    // The list must not apply the edit itself: the row already shows the new title.
    return false;
}

// The checked commands follow the list's own report of the row's box going.
void MainWindow::PrepareRowRemoval() {
    if (list_.RowCount() <= 1) menu_.EnableClipCommands(false);
}

void MainWindow::RemoveRowForDeletion(int row) {
    // The player holds the clip it shows open; the placeholder lets go of it, or a volume
    // that keeps titles in the file itself could not take the mark, and the clip would
    // come back at the next build.
    if (list_.RowPath(row) == preview_.lastPreviewedPath()) preview_.ShowPlaceholder();
    // A title that cannot be written now (the file is in use) leaves the file to be
    // listed again at the next build; the row goes either way.
    titles::WriteTitle(list_.RowPath(row), std::wstring(titles::kTitleToDelete));
    PrepareRowRemoval();
    list_.DeleteRow(row);
}

void MainWindow::AfterRowsDeleted() {
    if (list_.RowCount() == 0) {
        convertPanel_.ShowEmptyList();
        preview_.ShowPlaceholder();
        return;
    }
    int mark = list_.SelectionMark();
    if (mark < 0 || mark >= list_.RowCount()) mark = 0;
    list_.SelectAndFocus(mark);
    PreviewClip(mark, preview::PreviewStart::Paused, preview::PreviewReload::IfChanged);
}

void MainWindow::DeleteClip() {
    if (framework::prompter().AskYesNo(hwnd(), L"Are you sure you want to delete this video clip?") !=
        framework::Answer::Yes)
        return;
    const int mark = list_.SelectionMark();
    if (mark < 0 || mark >= list_.RowCount()) return;
    RemoveRowForDeletion(mark);
    AfterRowsDeleted();
}

void MainWindow::DeleteCheckedClips() {
    if (framework::prompter().AskYesNo(hwnd(), L"Are you sure you want to delete the selected videos?") !=
        framework::Answer::Yes)
        return;
    if (list_.CheckedCount() >= list_.RowCount()) menu_.EnableClipCommands(false);
    std::vector<std::wstring> marked;
    for (const library::ClipRecord& clip : list_.DeleteCheckedRows()) {
        if (clip.path() == preview_.lastPreviewedPath()) preview_.ShowPlaceholder();
        marked.push_back(clip.path());
    }
    // Hundreds of marks take seconds: they are written on a worker while the window goes on.
    library::MarkForDeletion(std::move(marked));
    AfterRowsDeleted();
}

void MainWindow::ExportCheckedClips() {
    const auto folder = framework::pickers().BrowseFolder(hwnd(), L"Select a folder to export", L"");
    if (!folder || folder->empty()) return;
    std::wstring target = *folder;
    if (target.back() != L'\\') target += L'\\';
    int failed = 0;
    for (int row = 0; row < list_.RowCount(); ++row) {
        if (!list_.IsChecked(row)) continue;
        const std::wstring copy = target + convert::defaultOutputName(list_.CellText(row, 0)) + L".flv";
        if (!platform::CopyWholeFile(list_.RowPath(row), copy)) ++failed;
    }
    // Saying "successfully" after a copy failed would send the user away without files.
    if (failed == 0) {
        framework::prompter().Tell(hwnd(), L"Videos have been successfully exported");
    } else {
        framework::prompter().Tell(hwnd(),
                                   std::to_wstring(failed) + (failed == 1 ? L" video" : L" videos") +
                                       L" could not be exported to " + *folder + L".",
                                   true);
    }
}

void MainWindow::StartImport() {
    framework::StartWorker(hwnd(), [](HWND window) { library::ImportFlvFiles(window, platform::LibraryFolder()); });
}

void MainWindow::PlayExternally() {
    const int mark = list_.SelectionMark();
    if (mark < 0) return;
    const std::wstring path = list_.RowPath(mark);
    if (!library::IsPlayableMediaFile(path)) {
        framework::prompter().Tell(hwnd(), L"Only video and audio files are played in the external player:\n" + path,
                                   true);
        return;
    }
    ShellExecuteW(hwnd(), nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace app
