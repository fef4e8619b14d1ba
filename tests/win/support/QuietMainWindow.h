#pragma once
// The real main window without its long-lived workers, and with its popup menus
// recorded instead of tracked, so tests drive it alone.
#include "app/Page2.h"

#include <string>
#include <vector>

namespace testing_support {

class QuietMainWindow : public app::Page2 {
public:
    std::vector<std::wstring> contextMenu;

protected:
    void StartWorkers() override {}
    UINT TrackContextMenu(HMENU menu, POINT) override {
        contextMenu.clear();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            contextMenu.push_back(text[0] ? text : L"-");
        }
        return 0;
    }
};

}  // namespace testing_support
