#pragma once
// The player settings dialog (template 137): edits the preview player's options and
// stores them only on "Save".
#include <utility>

#include "framework/Dialog.h"
#include "platform/UniqueHandle.h"
#include "resources/resource.h"
#include "settings/PlayerSettings.h"
#include "settings/SettingsStore.h"

namespace settings {

class PlayerSettingsDialog : public framework::Dialog {
public:
    explicit PlayerSettingsDialog(HWND parent, SettingsStore store = SettingsStore())
        : Dialog(IDD_PLAYER_SETTINGS, parent), store_(std::move(store)) {}

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnButtonClicked(WORD id) override;
    void OnOK() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void LoadPlayerSettings();
    bool SavePlayerSettings();
    PlayerOptions ReadControls() const;
    void WriteControls(const PlayerOptions& options);
    void EnableQualityChoice(bool enable);
    void OnHideMenuFocusLost();
    void OnHideMenuFull();

    SettingsStore store_;
};

}  // namespace settings
