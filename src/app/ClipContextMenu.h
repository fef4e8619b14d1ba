#pragma once
// The clip list's context menu. Its entries carry the main menu's command ids, so a
// choice is carried out exactly as the same main-menu command.
#include "app/MainMenu.h"
#include "platform/UniqueHandle.h"

namespace app {

struct ClipContextMenuState {
    bool onRow = false;                   // the click hit a row
    bool simpleLayout = false;            // adds " Convert"
    bool checkedCommandsEnabled = false;  // adds " With checked movies"
    bool clipHasPage = false;             // adds " Open the page"
};

platform::UniqueMenu BuildClipContextMenu(const ClipContextMenuState& state, const MainMenu& bitmaps);

}  // namespace app
