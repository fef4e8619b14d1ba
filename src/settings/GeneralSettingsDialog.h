#pragma once
// The general settings dialog (template 144): which browsers' caches are watched, the tray
// notifications, capture and conversion follow-up, updates and the start-up shortcut.
// "Save" ends it with IDOK so that the main window reloads its switches.
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "settings/GeneralSettingsRules.h"
#include "settings/SettingsTable.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace settings {

class GeneralSettingsDialog : public framework::Dialog {
public:
    explicit GeneralSettingsDialog(HWND parent) : Dialog(IDD_GENERAL_SETTINGS, parent) {}

    // The user's default browser (DefaultBrowser.h).
    static Browser DetectDefaultBrowser();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnButtonClicked(WORD id) override;
    void OnOK() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    // What the controls show, as typed values.
    struct Values {
        BrowserMode mode = BrowserMode::All;
        BrowserChecks browsers{};
        bool showIcon = false;
        bool showMessage = false;
        bool playSound = false;
        bool autoUpdate = false;
        bool autoOpenFolder = false;
        bool runAtStartup = false;
        bool saveWithNoSound = false;
    };
    // A check box that stands for one on-or-off setting.
    struct SwitchBox {
        int id;
        const SettingDefinition& setting;
        bool Values::*value;
    };
    static const std::array<SwitchBox, 7> kSwitchBoxes;

    void ReadControls();
    void WriteControls() const;
    void LoadGeneralSettings();
    // Applies the texts `read` gives over the values the controls hold: the stored ones
    // when the dialog opens, the table's defaults for "Restore default values".
    void ApplySettings(const std::function<std::wstring(const SettingDefinition&)>& read);
    // False when the dialog must stay open (nothing or only part was stored).
    bool SaveGeneralSettings();
    // The value "loadonstartup" takes after the shortcut was made or removed; nullopt when
    // removing failed and the save must stop.
    std::optional<bool> ApplyStartupShortcut();

    void OnBrowserModeChanged();
    void OnBrowserClicked(Browser clicked);
    void OnShowIconClicked();
    void OnShowMessageClicked();
    void OnRestoreDefaults();

    Browser defaultBrowser_ = Browser::InternetExplorer;
    Values values_;
};

}  // namespace settings
