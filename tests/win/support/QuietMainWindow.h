#pragma once
// The real main window without its long-lived workers, and with its popup menus
// recorded instead of tracked, so tests drive it alone.
#include "app/MainWindow.h"

#include <string>
#include <vector>

namespace testing_support {

// Records what the preview asks of its player control, one line per call.
class RecordingPreviewHost : public preview::PreviewHost {
public:
    std::vector<std::wstring> calls;
    void ShowPlaceholder() override { calls.push_back(L"placeholder"); }
    void PutFlashVars(const std::wstring& vars) override { calls.push_back(vars); }
    void PutMovie(const std::wstring& movie) override { calls.push_back(movie); }
};

class QuietMainWindow : public app::MainWindow {
public:
    std::vector<std::wstring> contextMenu;
    RecordingPreviewHost previewHost;
    // The command chosen from a context menu when it holds it; 0 closes it.
    UINT contextChoice = 0;
    std::vector<std::wstring> openedPages;

protected:
    void StartWorkers() override {}
    preview::PreviewHost* CreatePreviewHost() override { return &previewHost; }
    UINT TrackContextMenu(HMENU menu, POINT) override {
        contextMenu.clear();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            contextMenu.push_back(text[0] ? text : L"-");
        }
        // Only a command the menu holds can be chosen.
        return GetMenuState(menu, contextChoice, MF_BYCOMMAND) != static_cast<UINT>(-1) ? contextChoice : 0;
    }
    void OpenWebPage(const std::wstring& url) override { openedPages.push_back(url); }
};

}  // namespace testing_support
