#include "app/MainMenu.h"

#include "framework/WinApp.h"
#include "library/ViewLayout.h"
#include "resources/resource.h"

namespace app {

namespace {

constexpr wchar_t kConvertEntryText[] = L" Convert                    F4";
constexpr UINT kConvertEntryPosition = 3;

struct CommandBitmaps {
    UINT command;
    int enabled;
    int greyed;
};
constexpr CommandBitmaps kClipCommands[] = {
    {ID_MOVIE_PLAY, IDB_MENU_PLAY, IDB_MENU_PLAY_GREY},
    {ID_MOVIE_RENAME, IDB_MENU_RENAME, IDB_MENU_RENAME_GREY},
    {ID_MOVIE_DELETE, IDB_MENU_DELETE, IDB_MENU_DELETE_GREY},
    {ID_MOVIE_PLAY_EXTERNAL, IDB_MENU_PLAY_EXTERNAL, IDB_MENU_PLAY_EXTERNAL_GREY},
};
constexpr CommandBitmaps kConvertCommand = {ID_MOVIE_CONVERT, IDB_MENU_CONVERT, IDB_MENU_CONVERT_GREY};
constexpr CommandBitmaps kCheckedCommands[] = {
    {ID_CHECKED_CONVERT, IDB_MENU_CONVERT, IDB_MENU_CONVERT_GREY},
    {ID_CHECKED_DELETE, IDB_MENU_DELETE, IDB_MENU_DELETE_GREY},
    {ID_CHECKED_EXPORT, IDB_MENU_EXPORT, IDB_MENU_EXPORT_GREY},
};
constexpr int kAllBitmaps[] = {
    IDB_MENU_YOUTUBE,       IDB_MENU_IMPORT_FLV,         IDB_MENU_CONVERT, IDB_MENU_CONVERT_GREY,
    IDB_MENU_DELETE,        IDB_MENU_DELETE_GREY,        IDB_MENU_EXPORT,  IDB_MENU_EXPORT_GREY,
    IDB_MENU_PLAY_EXTERNAL, IDB_MENU_PLAY_EXTERNAL_GREY, IDB_MENU_PLAY,    IDB_MENU_PLAY_GREY,
    IDB_MENU_RENAME,        IDB_MENU_RENAME_GREY};

}  // namespace

void MainMenu::Attach(HWND window) {
    window_ = window;
    menu_ = GetMenu(window);
    for (int id : kAllBitmaps) {
        bitmaps_[id].reset(LoadImageW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                      LR_DEFAULTCOLOR));
    }
    SetItemBitmap(ID_IMPORT_YOUTUBE, IDB_MENU_YOUTUBE);
    SetItemBitmap(ID_IMPORT_FLV, IDB_MENU_IMPORT_FLV);
}

HBITMAP MainMenu::Bitmap(int id) const {
    const auto found = bitmaps_.find(id);
    return found == bitmaps_.end() ? nullptr : static_cast<HBITMAP>(found->second.get());
}

HMENU MainMenu::MovieMenu() const { return GetSubMenu(menu_, 0); }

void MainMenu::SetItemBitmap(UINT command, int bitmapId) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = Bitmap(bitmapId);
    SetMenuItemInfoW(menu_, command, FALSE, &item);
}

void MainMenu::Enable(UINT command, bool enabled, int bitmapId, int greyBitmapId) {
    EnableMenuItem(menu_, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    SetItemBitmap(command, enabled ? bitmapId : greyBitmapId);
}

bool MainMenu::IsEnabled(UINT command) const {
    const UINT state = GetMenuState(menu_, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void MainMenu::EnableClipCommands(bool enabled) {
    for (const CommandBitmaps& entry : kClipCommands) Enable(entry.command, enabled, entry.enabled, entry.greyed);
    if (HasConvertEntry()) Enable(kConvertCommand.command, enabled, kConvertCommand.enabled, kConvertCommand.greyed);
}

void MainMenu::EnableCheckedCommands(bool enabled) {
    for (const CommandBitmaps& entry : kCheckedCommands) Enable(entry.command, enabled, entry.enabled, entry.greyed);
}

bool MainMenu::CheckedCommandsEnabled() const { return IsEnabled(ID_CHECKED_CONVERT); }

bool MainMenu::HasConvertEntry() const {
    return GetMenuState(menu_, ID_MOVIE_CONVERT, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void MainMenu::SetConvertEntry(bool present, bool enabled) {
    if (!present) {
        DeleteMenu(menu_, ID_MOVIE_CONVERT, MF_BYCOMMAND);
    } else if (!HasConvertEntry()) {
        InsertMenuW(MovieMenu(), kConvertEntryPosition, MF_BYPOSITION | MF_STRING, ID_MOVIE_CONVERT, kConvertEntryText);
    }
    if (present) Enable(kConvertCommand.command, enabled, kConvertCommand.enabled, kConvertCommand.greyed);
    DrawMenuBar(window_);
}

void MainMenu::UncheckViewEntries() {
    for (int command : library::ViewMenuCommands())
        CheckMenuItem(menu_, static_cast<UINT>(command), MF_BYCOMMAND | MF_UNCHECKED);
}

void MainMenu::CheckViewEntry(UINT command) { CheckMenuItem(menu_, command, MF_BYCOMMAND | MF_CHECKED); }

}  // namespace app
