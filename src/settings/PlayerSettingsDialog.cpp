#include "settings/PlayerSettingsDialog.h"

#include <algorithm>
#include <vector>

#include "framework/BalloonTip.h"
#include "framework/WinApp.h"

namespace settings {

namespace {

constexpr int kQualityControls[] = {IDC_FULLSCREEN_LOW, IDC_FULLSCREEN_NORMAL, IDC_FULLSCREEN_HIGH,
                                    IDC_FULLSCREEN_QUALITY_LABEL};

// The slider runs from -100 at the top to 0 at the bottom, so louder sits higher.
constexpr int kVolumeTop = -kMaxVolume;
constexpr int kVolumeBottom = -kMinVolume;

}  // namespace

BOOL PlayerSettingsDialog::OnInitDialog() {
    SetDialogIcon(IDI_PLAYER_SETTINGS);
    SendItem(IDC_ICON_SIZE, TBM_SETRANGE, TRUE, MAKELPARAM(kSmallIconPosition, kBigIconPosition));
    // Separate minimum and maximum: the packed range of TBM_SETRANGE holds no negative end.
    SendItem(IDC_VOLUME, TBM_SETRANGEMIN, FALSE, kVolumeTop);
    SendItem(IDC_VOLUME, TBM_SETRANGEMAX, TRUE, kVolumeBottom);
    SendItem(IDC_HIDE_MENU_SECONDS, EM_SETLIMITTEXT, kHideMenuDigits);
    LoadPlayerSettings();
    return TRUE;
}

bool PlayerSettingsDialog::OnButtonClicked(WORD id) {
    if (id == IDC_ALLOW_FULLSCREEN)
        EnableQualityChoice(IsChecked(IDC_ALLOW_FULLSCREEN));
    else if (id == IDC_PLAYER_RESTORE)
        WriteControls(DefaultPlayerOptions());
    else
        return false;
    return true;
}

bool PlayerSettingsDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_HIDE_MENU_SECONDS && code == EN_KILLFOCUS) {
        OnHideMenuFocusLost();
        return true;
    }
    if (id == IDC_HIDE_MENU_SECONDS && code == EN_MAXTEXT) {
        OnHideMenuFull();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

void PlayerSettingsDialog::OnOK() {
    SavePlayerSettings();
    EndDialog(IDOK);
}

LRESULT PlayerSettingsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // Labels, boxes and sliders stand on the white background.
    LRESULT brush = 0;
    handled = PaintWhite(message, wParam, lParam, framework::WhiteParts::PageAndLabels, brush);
    return brush;
}

void PlayerSettingsDialog::LoadPlayerSettings() {
    PlayerOptions options = ReadControls();
    ApplyStoredPlayerSettings([this](std::wstring_view name) { return store_.ReadSetting(name); }, options);
    WriteControls(options);
}

bool PlayerSettingsDialog::SavePlayerSettings() {
    const auto texts = PlayerSettingTexts(ReadControls());
    std::vector<SettingValue> values;
    values.reserve(texts.size());
    for (const PlayerSettingText& setting : texts) values.push_back({setting.name, setting.text});
    return store_.WriteSettings(values);
}

PlayerOptions PlayerSettingsDialog::ReadControls() const {
    PlayerOptions options;
    options.allowFullScreen = IsChecked(IDC_ALLOW_FULLSCREEN);
    if (IsChecked(IDC_FULLSCREEN_LOW)) options.quality = FullScreenQuality::Low;
    if (IsChecked(IDC_FULLSCREEN_NORMAL)) options.quality = FullScreenQuality::Normal;
    if (IsChecked(IDC_FULLSCREEN_HIGH)) options.quality = FullScreenQuality::Best;
    options.allowZoom = IsChecked(IDC_ALLOW_ZOOM);
    options.allowTimeline = IsChecked(IDC_ALLOW_TIMELINE);
    options.showHints = IsChecked(IDC_SHOW_HINTS);
    options.fitByContent = IsChecked(IDC_FIT_BY_CONTENT);
    options.volume = -static_cast<int>(SendItem(IDC_VOLUME, TBM_GETPOS));
    options.hideMenuSeconds = ItemText(IDC_HIDE_MENU_SECONDS);
    options.iconSizePosition = static_cast<int>(SendItem(IDC_ICON_SIZE, TBM_GETPOS));
    return options;
}

void PlayerSettingsDialog::WriteControls(const PlayerOptions& options) {
    SetChecked(IDC_ALLOW_FULLSCREEN, options.allowFullScreen);
    SetChecked(IDC_FULLSCREEN_LOW, options.quality == FullScreenQuality::Low);
    SetChecked(IDC_FULLSCREEN_NORMAL, options.quality == FullScreenQuality::Normal);
    SetChecked(IDC_FULLSCREEN_HIGH, options.quality == FullScreenQuality::Best);
    SetChecked(IDC_ALLOW_ZOOM, options.allowZoom);
    SetChecked(IDC_ALLOW_TIMELINE, options.allowTimeline);
    SetChecked(IDC_SHOW_HINTS, options.showHints);
    SetChecked(IDC_FIT_BY_CONTENT, options.fitByContent);
    SendItem(IDC_VOLUME, TBM_SETPOS, TRUE, -std::clamp(options.volume, kMinVolume, kMaxVolume));
    SetItemText(IDC_HIDE_MENU_SECONDS, options.hideMenuSeconds);
    SendItem(IDC_ICON_SIZE, TBM_SETPOS, TRUE, options.iconSizePosition);
    // The quality choice follows the box in every case, also when a stored switch that was
    // neither "true" nor "false" left the box cleared.
    EnableQualityChoice(options.allowFullScreen);
}

void PlayerSettingsDialog::EnableQualityChoice(bool enable) {
    for (int id : kQualityControls) EnableWindow(Item(id), enable ? TRUE : FALSE);
}

void PlayerSettingsDialog::OnHideMenuFocusLost() {
    if (!ItemText(IDC_HIDE_MENU_SECONDS).empty()) return;
    framework::ShowEditBalloon(Item(IDC_HIDE_MENU_SECONDS), L"The value must be in the range from 0 to 100",
                               L"It was reset to default", framework::BalloonIcon::None);
    SetItemText(IDC_HIDE_MENU_SECONDS, std::wstring(DefaultHideMenuSeconds()));
}

void PlayerSettingsDialog::OnHideMenuFull() {
    framework::ShowEditBalloon(Item(IDC_HIDE_MENU_SECONDS), L"Maximum - 99 seconds",
                               L"The value must be in the range from 0 to 100", framework::BalloonIcon::None);
}

}  // namespace settings
