// The main window's library side: layouts, the clip list's notifications and context
// menu, the filter's "Show", and the rows that the list-building workers hand over.
#include "app/MainWindow.h"

#include "app/ClipContextMenu.h"
#include "app/ShellLaunch.h"
#include "convert/ConvertDialog.h"
#include "convert/OutputNames.h"
#include "framework/RedrawPause.h"
#include "framework/Worker.h"
#include "library/Catalogue.h"
#include "library/CatalogueMessages.h"
#include "library/RowDelivery.h"
#include "library/ViewLayout.h"
#include "platform/SystemDpi.h"
#include "preview/PreviewHostWindow.h"
#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "titles/TitleStore.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

namespace app {

namespace {

// How long after a build ended the top row is selected and previewed.
constexpr UINT kSelectTopRowDelayMs = 100;
// How long one message of a list build may keep the window from answering others, however
// many rows it carries and however loaded the machine is.
constexpr std::chrono::milliseconds kInsertSlice{30};

// The layouts are pixels at 96 dpi, fitted to the template under dialog units of 1.5
// pixels each way (base units 6 x 12). At another DPI the template grows by its font's
// units, not by the DPI alone, so the layouts follow those units axis by axis.
struct LayoutScale {
    int baseX = 6;
    int baseY = 12;
    int X(int pixels) const { return MulDiv(pixels, baseX, 6); }
    int Y(int pixels) const { return MulDiv(pixels, baseY, 12); }
    RECT Rect(const library::PixelRect& r) const {
        return {X(r.left), Y(r.top), X(r.left) + X(r.width), Y(r.top) + Y(r.height)};
    }
};

LayoutScale LayoutScaleOf(HWND dialog) {
    if (platform::SystemDpi() == 96) return {};
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    return {units.right, units.bottom};
}

}  // namespace

void MainWindow::ApplyViewMode(int mode) {
    const std::optional<library::ViewLayout> layout = library::LayoutForViewMode(mode);
    // A control hidden only to be shown again would be painted twice for nothing.
    const std::span<const int> shown = layout ? layout->shownControls : std::span<const int>{};
    for (int id : library::ConvertPanelControls())
        if (std::ranges::find(shown, id) == shown.end()) ShowWindow(Item(id), SW_HIDE);
    menu_.UncheckViewEntries();
    if (layout) {
        // Ten column widths and a resize would each redraw a long list's scroll bars.
        const framework::RedrawPause listPause(list_.hwnd());
        const bool moved = PlaceControls(layout->placements);
        for (int id : shown) ShowWindow(Item(id), SW_SHOW);
        const LayoutScale scale = LayoutScaleOf(hwnd());
        for (const library::ColumnWidth& column : layout->columnWidths)
            list_.SetColumnWidth(column.column, scale.X(column.width));
        menu_.CheckViewEntry(static_cast<UINT>(layout->viewMenuCommand));
        if (previewWindow_) previewWindow_->Place(scale.Rect(layout->previewPlayer));
        // Moved group boxes leave their old frames on the dialog's background.
        if (moved) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    settings::SettingsStore().WriteNumber<settings::kView>(mode);
}

bool MainWindow::PlaceControls(std::span<const library::ControlPlacement> placements) {
    const LayoutScale scale = LayoutScaleOf(hwnd());
    bool moved = false;
    for (const library::ControlPlacement& place : placements) {
        const HWND control = Item(place.controlId);
        const RECT before = RectInDialog(control);
        const RECT r = scale.Rect(place.rect);
        // At start-up most controls stand where the template put them already.
        if (EqualRect(&before, &r)) continue;
        SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOACTIVATE | SWP_NOZORDER);
        // Compared afterwards, not with the layout: a combo box keeps a height of its own.
        const RECT after = RectInDialog(control);
        moved |= !EqualRect(&before, &after);
    }
    return moved;
}

RECT MainWindow::RectInDialog(HWND control) const {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MainWindow::SetViewMode(int mode) {
    ApplyViewMode(mode);
    menu_.SetConvertEntry(mode == library::kViewSimple, list_.RowCount() > 0);
    viewMode_ = mode;
}

void MainWindow::CycleViewMode() { SetViewMode(library::NextViewMode(viewMode_)); }

void MainWindow::UpdateCheckedCommands() { menu_.EnableCheckedCommands(list_.CheckedCount() > 0); }

void MainWindow::OnShow() {
    menu_.EnableCheckedCommands(false);
    preview_.ShowPlaceholder();
    EnableWindow(Item(IDC_FILTER_SHOW), FALSE);
    list_.ResetHeaderArrows();
    framework::StartWorker(hwnd(), [](HWND window) { library::RebuildClipList(window); });
}

LRESULT MainWindow::OnCatalogueMessage(UINT message, LPARAM lParam) {
    switch (message) {
    case library::WM_CATALOGUE_INSERT: {
        const int inserted = list_.Deliver(*reinterpret_cast<library::RowDelivery*>(lParam), kInsertSlice);
        if (inserted > 0) {
            EnableWindow(Item(IDC_CONVERT), TRUE);
            menu_.EnableClipCommands(true);
        }
        return inserted;
    }
    case library::WM_CATALOGUE_LISTED_PATHS:
        *reinterpret_cast<std::unordered_set<std::wstring>*>(lParam) = list_.Paths();
        return 1;
    case library::WM_CATALOGUE_READ_FILTER:
        *reinterpret_cast<std::optional<library::ClipFilter>*>(lParam) = filters_.ReadClipFilter();
        return 1;
    case library::WM_CATALOGUE_BUILD_DONE:
        list_.ReleaseRedraw();
        SetTimer(hwnd(), library::kSelectTopRowTimer, kSelectTopRowDelayMs, nullptr);
        return 1;
    case library::WM_CATALOGUE_REBUILD_BEGIN:
        EnableWindow(Item(IDC_FILTER_SHOW), FALSE);
        list_.DeleteAllRows();
        convertPanel_.ShowEmptyList();
        return 1;
    case library::WM_CATALOGUE_REBUILD_END: EnableWindow(Item(IDC_FILTER_SHOW), TRUE); return 1;
    case library::WM_FILTER_REFRESH:
        if (SendMessageW(Item(IDC_FILTER_KIND), CB_GETCURSEL, 0, 0) == 0) filters_.ApplyDatePreset();
        return 1;
    default: return 0;
    }
}

void MainWindow::OnTimer(UINT_PTR id) {
    if (convertPanel_.OnTimer(id)) return;
    if (id != library::kSelectTopRowTimer) return;
    KillTimer(hwnd(), id);
    SelectTopRow();
}

// The top visible row, which after a build is the newest clip unless the user scrolled.
void MainWindow::SelectTopRow() {
    if (list_.RowCount() == 0) return;
    const int top = static_cast<int>(SendMessageW(list_.hwnd(), LVM_GETTOPINDEX, 0, 0));
    list_.SelectAndFocus(top);
    if (top + 1 < list_.RowCount()) list_.ClearSelection(top + 1);
    SetFocus(list_.hwnd());
    RefreshConvertPanel(list_.SelectionMark());
    PreviewClip(top, preview::PreviewStart::Paused, preview::PreviewReload::Always);
}

LRESULT MainWindow::OnNotify(const NMHDR& header, bool& handled) {
    handled = true;
    if (header.idFrom == IDC_CLIP_LIST) return OnListNotify(header);
    if (filters_.OnNotify(header)) return 0;
    if (convertPanel_.OnNotify(header)) return 0;
    handled = false;
    return 0;
}

LRESULT MainWindow::OnListNotify(const NMHDR& header) {
    LRESULT answer = 0;
    if (list_.OnNotify(header, answer)) return answer;
    switch (header.code) {
    case NM_CLICK: OnListClick(); return 0;
    case NM_RCLICK: ShowClipContextMenu(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction); return 0;
    case LVN_KEYDOWN: OnListKey(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey); return 0;
    case LVN_HOTTRACK:
        if (!listHasFocus_ && !editingLabel_) SetFocus(list_.hwnd());
        return 0;
    case NM_SETFOCUS: listHasFocus_ = true; return 0;
    case NM_KILLFOCUS: listHasFocus_ = false; return 0;
    case LVN_ENDSCROLL:
        // Scrolling leaves stale grid lines behind on some systems; setting the style redraws them.
        SendMessageW(list_.hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
        return 0;
    case LVN_BEGINLABELEDIT: {
        editingLabel_ = true;
        // Rows may move under an edit (a capture lands at the top): the edit renames this clip.
        editedPath_ = list_.RowPath(reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem);
        return FALSE;
    }
    case LVN_ENDLABELEDIT: return RenameClip(reinterpret_cast<const NMLVDISPINFOW&>(header)) ? TRUE : FALSE;
    case LVN_COLUMNCLICK: list_.SortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem); return 0;
    default: return 0;
    }
}

void MainWindow::OnListClick() { FollowSelectionMark(); }

int MainWindow::FollowSelectionMark() {
    const int mark = list_.SelectionMark();
    RefreshConvertPanel(mark);
    // A click on empty space leaves nothing selected: the marked row takes it back.
    if (list_.FirstSelected() < 0) {
        if (mark >= 0) list_.SelectAndFocus(mark);
    } else {
        PreviewClip(mark, preview::PreviewStart::Paused, preview::PreviewReload::IfChanged);
    }
    return mark;
}

void MainWindow::OnListKey(WORD key) {
    const int mark = list_.SelectionMark();
    switch (key) {
    case VK_DOWN:
    case VK_UP: {
        // Past either end the row has no clip: the preview keeps its picture but forgets
        // the path, so the next click on the shown clip loads it again.
        const int row = mark + (key == VK_DOWN ? 1 : -1);
        if (row >= 0 && row < list_.RowCount()) RefreshConvertPanel(row);
        PreviewClip(row, preview::PreviewStart::Paused, preview::PreviewReload::IfChanged);
        return;
    }
    case VK_F2:
        if (list_.FirstSelected() >= 0)
            SendMessageW(list_.hwnd(), LVM_EDITLABELW, static_cast<WPARAM>(list_.FirstSelected()), 0);
        return;
    case VK_DELETE: DeleteClip(); return;
    case VK_F4:
        if (viewMode_ != library::kViewSimple) return;
        convert::ConvertDialog(hwnd(), &list_).DoModal();
        LoadOutputFolder();
        return;
    default: return;
    }
}

void MainWindow::ShowClipContextMenu(POINT click) {
    const int mark = FollowSelectionMark();
    if (mark >= 0) SetItemText(IDC_OUTPUT_NAME, convert::defaultOutputName(list_.CellText(mark, 0)));

    LVHITTESTINFO hit{};
    hit.pt = click;
    SendMessageW(list_.hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const bool onRow = hit.iItem >= 0;
    // The page the clicked clip was watched on is kept with the clip, and read only when asked for.
    const std::wstring page = onRow ? titles::ReadPageUrl(list_.RowPath(hit.iItem)) : std::wstring();
    platform::UniqueMenu menu = BuildClipContextMenu(
        {onRow, viewMode_ == library::kViewSimple, menu_.CheckedCommandsEnabled(), IsWebPageAddress(page)}, menu_);
    POINT screen = click;
    ClientToScreen(list_.hwnd(), &screen);
    const UINT command = TrackContextMenu(menu.get(), screen);
    switch (command) {
    case ID_MOVIE_PLAY:
        PreviewClip(list_.SelectionMark(), preview::PreviewStart::Playing, preview::PreviewReload::IfChanged);
        break;
    case ID_MOVIE_RENAME:
        SetFocus(list_.hwnd());
        SendMessageW(list_.hwnd(), LVM_EDITLABELW, static_cast<WPARAM>(hit.iItem), 0);
        break;
    case ID_MOVIE_CONVERT:
        convert::ConvertDialog(hwnd(), &list_).DoModal();
        LoadOutputFolder();
        break;
    case ID_MOVIE_OPEN_PAGE: OpenWebPage(page); break;
    case 0: break;
    default: OnCommand(static_cast<WORD>(command), 0, nullptr); break;
    }
}

void MainWindow::OpenWebPage(const std::wstring& url) { OpenPageInBrowser(hwnd(), url); }

UINT MainWindow::TrackContextMenu(HMENU menu, POINT at) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, at.x, at.y, 0, hwnd(), nullptr));
}

void MainWindow::RefreshConvertPanel(int row) { convertPanel_.FillFromClip(row); }

}  // namespace app
