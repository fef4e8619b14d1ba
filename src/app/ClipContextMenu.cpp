#include "app/ClipContextMenu.h"

#include "resources/resource.h"

namespace app {

namespace {

void Append(HMENU menu, UINT command, const wchar_t* text, HBITMAP bitmap) {
    AppendMenuW(menu, MF_STRING, command, text);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = bitmap;
    SetMenuItemInfoW(menu, command, FALSE, &item);
}

}  // namespace

platform::UniqueMenu BuildClipContextMenu(const ClipContextMenuState& state, const MainMenu& bitmaps) {
    platform::UniqueMenu menu(CreatePopupMenu());
    HMENU handle = menu.get();
    if (!state.onRow) {
        Append(handle, ID_IMPORT_YOUTUBE, L" Download video  from YouTube site", bitmaps.Bitmap(IDB_MENU_YOUTUBE));
        Append(handle, ID_IMPORT_FLV, L" Import FLV video from local folder", bitmaps.Bitmap(IDB_MENU_IMPORT_FLV));
        return menu;
    }
    Append(handle, ID_MOVIE_PLAY, L" Play                     Enter", bitmaps.Bitmap(IDB_MENU_PLAY));
    Append(handle, ID_MOVIE_RENAME, L" Rename                   F2", bitmaps.Bitmap(IDB_MENU_RENAME));
    Append(handle, ID_MOVIE_DELETE, L" Delete                     Del", bitmaps.Bitmap(IDB_MENU_DELETE));
    if (state.simpleLayout)
        Append(handle, ID_MOVIE_CONVERT, L" Convert                    F4", bitmaps.Bitmap(IDB_MENU_CONVERT));
    AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
    Append(handle, ID_MOVIE_PLAY_EXTERNAL, L" Play in external player", bitmaps.Bitmap(IDB_MENU_PLAY_EXTERNAL));
    if (state.clipHasPage) AppendMenuW(handle, MF_STRING, ID_MOVIE_OPEN_PAGE, L" Open the page");
    if (state.checkedCommandsEnabled) {
        AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
        HMENU checked = CreatePopupMenu();
        Append(checked, ID_CHECKED_CONVERT, L" Convert", bitmaps.Bitmap(IDB_MENU_CONVERT));
        Append(checked, ID_CHECKED_DELETE, L" Delete", bitmaps.Bitmap(IDB_MENU_DELETE));
        Append(checked, ID_CHECKED_EXPORT, L" Export", bitmaps.Bitmap(IDB_MENU_EXPORT));
        // The parent menu owns and destroys the submenu from here on.
        AppendMenuW(handle, MF_POPUP, reinterpret_cast<UINT_PTR>(checked), L" With checked movies");
    }
    return menu;
}

}  // namespace app
