#pragma once
// The main window's menu bar: enabling and greying commands together with their
// bitmaps, the check marks of the View entries, and the Convert entry that only the
// Simple layout has.
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <map>

namespace app {

class MainMenu {
public:
    // Loads the bitmaps and gives every entry that has one its bitmap.
    void Attach(HWND window);

    // Play, Rename, Delete, Play in external player, and Convert when present.
    void EnableClipCommands(bool enabled);
    // The three "With checked movies" commands.
    void EnableCheckedCommands(bool enabled);
    bool CheckedCommandsEnabled() const;
    bool IsEnabled(UINT command) const;

    // Inserts " Convert" as the fourth Movie entry (at most once) or removes it.
    void SetConvertEntry(bool present, bool enabled);
    bool HasConvertEntry() const;

    void CheckViewEntry(UINT command);
    void UncheckViewEntries();

    // A menu bitmap by resource id, loaded once for the window's life.
    HBITMAP Bitmap(int id) const;

private:
    HMENU MovieMenu() const;
    void SetItemBitmap(UINT command, int bitmapId);
    void Enable(UINT command, bool enabled, int bitmapId, int greyBitmapId);

    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    std::map<int, platform::UniqueGdiObject> bitmaps_;
};

}  // namespace app
