#pragma once
// The main window (dialog template 130): the library list, filters, preview and convert
// panel, and the owner of the tray icon. It lives for the whole program.
#include "app/TrayIcon.h"
#include "framework/Dialog.h"

#include <atomic>
#include <cstdint>
#include <string>

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

class Page2 : public framework::Dialog {
public:
    Page2();
    ~Page2() override;

    TrayIcon& tray() { return tray_; }
    SharedSwitches& switches() { return switches_; }
    int viewMode() const { return viewMode_; }

    // Window-thread handlers, public so that tests drive them as the system would.
    void OnTrayNotify(UINT iconId, UINT event);
    void RunTrayCommand(UINT command);
    void ToggleVisibility();
    // Reads "browsers", "savewithnosound", "autoupdate", "lastpingtime" and the tray
    // settings into the window; again after the general settings are saved.
    void LoadSwitches();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override {}
    // Escape does nothing: the window is hidden with its close box and ends through Quit.
    void OnCancel() override {}
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool PreTranslateMessage(MSG& message) override;

    // Tracks the tray menu and returns the chosen command (0 for none). Tests replace it.
    virtual UINT TrackTrayMenu(HMENU menu, POINT at);
    // Ends the process at once after Quit was confirmed. Tests replace it.
    virtual void EndProcessNow();
    // Shows the about box modally. Tests replace it.
    virtual void ShowAboutBox();

private:
    void LoadOutputFolder();
    void CreateOutputFolderTip(const std::wstring& folder);
    void Hide();

    TrayIcon tray_;
    SharedSwitches switches_;
    HACCEL accelerators_ = nullptr;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HWND outputFolderTip_ = nullptr;
    int viewMode_ = 0;
    UINT taskbarCreatedMessage_ = 0;
};

}  // namespace app
