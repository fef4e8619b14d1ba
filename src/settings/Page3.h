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

class Page3 : public framework::Dialog {
public:
    explicit Page3(HWND parent, SettingsStore store = SettingsStore())
        : Dialog(IDD_PAGE3_PLAYER_SETTINGS, parent), store_(std::move(store)) {}

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void SetIcons();
    void LoadPlayerSettings();
    bool SavePlayerSettings();
    PlayerOptions ReadControls() const;
    void WriteControls(const PlayerOptions& options);
    void EnableQualityChoice(bool enable);
    bool IsTicked(int id) const;
    void SetTicked(int id, bool ticked) const;
    void OnHideMenuFocusLost();
    void OnHideMenuFull();

    SettingsStore store_;
    platform::UniqueGdiObject whiteBrush_;
};

}  // namespace settings
