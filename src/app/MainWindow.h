#pragma once
// The main window (dialog template 130): the library list, filters, preview and convert
// panel, and the owner of the tray icon. It lives for the whole program.
#include "app/MainMenu.h"
#include "app/TrayIcon.h"
#include "convert/ConvertPanel.h"
#include "framework/Dialog.h"
#include "library/ClipListView.h"
#include "library/FilterPanel.h"
#include "library/ViewLayout.h"
#include "preview/PreviewPlayer.h"
#include "update/UpdateAgent.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace preview {
class PreviewHostWindow;
}

namespace app {

// Switches that workers read while the window thread writes them.
struct SharedSwitches {
    std::atomic<bool> watchInternetExplorer{false};
    std::atomic<bool> watchFirefox{false};
    std::atomic<bool> watchChrome{false};
    std::atomic<bool> watchOpera{false};
    std::atomic<bool> keepSilentClips{false};
    std::atomic<bool> autoUpdate{false};
    std::atomic<std::int32_t> lastPingTime{0};
};

// The set-up (installer and uninstaller) sends this to the main window once its user
// agreed to close the program: it quits as the tray's Quit does, without asking again.
inline constexpr wchar_t kQuitForSetupMessage[] = L"Reelkeep.QuitForSetup";

class MainWindow : public framework::Dialog {
public:
    // `previewHostClass` is the player runtime's host class; 0 runs without a preview.
    explicit MainWindow(ATOM previewHostClass = 0);
    ~MainWindow() override;

    TrayIcon& tray() { return tray_; }
    SharedSwitches& switches() { return switches_; }
    library::ClipListView& clipList() { return list_; }
    convert::ConvertPanel& convertPanel() { return convertPanel_; }
    MainMenu& menu() { return menu_; }
    const preview::PreviewPlayer& preview() const { return preview_; }
    int viewMode() const { return viewMode_; }

    // Window-thread handlers, public so that tests drive them as the system would.
    void OnTrayNotify(UINT iconId, UINT event);
    void RunTrayCommand(UINT command);
    void ToggleVisibility();
    // Reads the browser switches, kSaveWithNoSound, kAutoUpdate, kLastPingTime and the tray
    // settings into the window; again after the general settings are saved.
    void LoadSwitches();

    // Lays the window out for mode 1, 2 or 3 and stores the mode in "view".
    void ApplyViewMode(int mode);
    // A View command: the layout, the Simple-only Convert entry, and `viewMode`.
    void SetViewMode(int mode);
    // Alt+V.
    void CycleViewMode();
    // Enables the "With checked movies" commands while any row is ticked.
    void UpdateCheckedCommands();
    // The filter's "Show": rebuilds the list on a worker.
    void OnShow();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header, bool& handled) override;
    void OnTimer(UINT_PTR id) override;
    // Enter: play the selection-mark row.
    void OnOK() override;
    // Escape does nothing: the window is hidden with its close box and ends through Quit.
    void OnCancel() override {}
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(MSG& message) override;

    // The long-lived workers of the window. Tests replace it.
    virtual void StartWorkers();
    // What the update agent reads and writes: the window's switches and the registry.
    update::AgentContext UpdateAgentContext();
    // Tracks a popup menu and returns the chosen command (0 for none). Tests replace them.
    virtual UINT TrackTrayMenu(HMENU menu, POINT at);
    virtual UINT TrackContextMenu(HMENU menu, POINT at);
    // Removes the tray icon and ends the process.
    void Quit();
    // The preview's player control; none when there is no player runtime. Tests replace it.
    virtual preview::PreviewHost* CreatePreviewHost();
    // Ends the process at once after Quit was confirmed. Tests replace it.
    virtual void EndProcessNow();
    // Opens a clip's page in the default browser. Tests replace it.
    virtual void OpenWebPage(const std::wstring& url);
    // Shows the about box modally. Tests replace it.
    virtual void ShowAboutBox();

    // Clip operations. Deleting only marks the clip; the next start deletes the file.
    void DeleteClip();
    void DeleteCheckedClips();
    void PlayExternally();
    void ExportCheckedClips();
    // The FLV import runs on a worker, dialog included.
    void StartImport();

private:
    // The end of an in-place title edit; the answer to the list is always "not applied".
    bool RenameClip(const NMLVDISPINFOW& edit);
    // Greys the commands that the rows about to go leave without an object.
    void PrepareRowRemoval();
    void RemoveRowForDeletion(int row);
    void AfterRowsDeleted();

    void LoadOutputFolder();
    void DecorateWindow();
    // What WM_ADD_DECORATIONS adds: the step of wParam; true while more steps follow.
    bool AddDecoration(int step);
    void Hide();

    // Moves the controls to their places; true when any of them moved.
    bool PlaceControls(std::span<const library::ControlPlacement> placements);
    RECT RectInDialog(HWND control) const;
    LRESULT OnCatalogueMessage(UINT message, LPARAM lParam);
    LRESULT OnListNotify(const NMHDR& header);
    void OnListKey(WORD key);
    void OnListClick();
    // Shows the selection-mark row in the panel and the preview; returns the row.
    int FollowSelectionMark();
    void ShowClipContextMenu(POINT click);
    void SelectTopRow();
    // Loads the clip of `row` into the preview; a row outside the list has no clip.
    void PreviewClip(int row, preview::PreviewStart start, preview::PreviewReload reload);
    void ReloadPlayerSettings();
    void RefreshConvertPanel(int row);

    ATOM previewHostClass_;
    std::unique_ptr<preview::PreviewHostWindow> previewWindow_;
    preview::PreviewPlayer preview_{nullptr, L""};
    TrayIcon tray_;
    SharedSwitches switches_;
    MainMenu menu_;
    library::ClipListView list_;
    library::FilterPanel filters_;
    convert::ConvertPanel convertPanel_;
    HACCEL accelerators_ = nullptr;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    convert::FolderTip outputFolderTip_;
    int viewMode_ = 0;
    bool listHasFocus_ = false;
    bool editingLabel_ = false;
    // The clip whose title is being edited in place.
    std::wstring editedPath_;
    UINT taskbarCreatedMessage_ = 0;
    UINT quitForSetupMessage_ = 0;
};

}  // namespace app
