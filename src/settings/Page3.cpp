#include "settings/Page3.h"

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

BOOL Page3::OnInitDialog() {
    SetIcons();
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
    SendItem(IDC_ICON_SIZE, TBM_SETRANGE, TRUE, MAKELPARAM(kSmallIconPosition, kBigIconPosition));
    // Separate minimum and maximum: the packed range of TBM_SETRANGE holds no negative end.
    SendItem(IDC_VOLUME, TBM_SETRANGEMIN, FALSE, kVolumeTop);
    SendItem(IDC_VOLUME, TBM_SETRANGEMAX, TRUE, kVolumeBottom);
    SendItem(IDC_HIDE_MENU_SECONDS, EM_SETLIMITTEXT, kHideMenuDigits);
    LoadPlayerSettings();
    return TRUE;
}

void Page3::SetIcons() {
    HINSTANCE resources = framework::WinApp::ResourceInstance();
    auto loadIcon = [resources](int sizeMetric) {
        const int size = GetSystemMetrics(sizeMetric);
        return reinterpret_cast<LPARAM>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_PLAYER_SETTINGS),
                                                   IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, loadIcon(SM_CXICON));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, loadIcon(SM_CXSMICON));
}

bool Page3::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_ALLOW_FULLSCREEN && code == BN_CLICKED) {
        EnableQualityChoice(IsTicked(IDC_ALLOW_FULLSCREEN));
        return true;
    }
    if (id == IDC_PLAYER_RESTORE && code == BN_CLICKED) {
        WriteControls(DefaultPlayerOptions());
        return true;
    }
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

void Page3::OnOK() {
    SavePlayerSettings();
    EndDialog(IDOK);
}

LRESULT Page3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    if (!whiteBrush_) return 0;
    if (message == WM_CTLCOLORDLG) {
        handled = true;
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    }
    // Labels, boxes and sliders stand on the white background; the edit keeps its own colours.
    if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) != Item(IDC_HIDE_MENU_SECONDS)) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        handled = true;
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    }
    return 0;
}

void Page3::LoadPlayerSettings() {
    PlayerOptions options = ReadControls();
    ApplyStoredPlayerSettings([this](std::wstring_view name) { return store_.ReadSetting(name); },
                              options);
    WriteControls(options);
}

bool Page3::SavePlayerSettings() {
    const auto texts = PlayerSettingTexts(ReadControls());
    std::vector<SettingValue> values;
    values.reserve(texts.size());
    for (const PlayerSettingText& setting : texts) values.push_back({setting.name, setting.text});
    return store_.WriteSettings(values);
}

PlayerOptions Page3::ReadControls() const {
    PlayerOptions options;
    options.allowFullScreen = IsTicked(IDC_ALLOW_FULLSCREEN);
    if (IsTicked(IDC_FULLSCREEN_LOW)) options.quality = FullScreenQuality::Low;
    if (IsTicked(IDC_FULLSCREEN_NORMAL)) options.quality = FullScreenQuality::Normal;
    if (IsTicked(IDC_FULLSCREEN_HIGH)) options.quality = FullScreenQuality::Best;
    options.allowZoom = IsTicked(IDC_ALLOW_ZOOM);
    options.allowTimeline = IsTicked(IDC_ALLOW_TIMELINE);
    options.showHints = IsTicked(IDC_SHOW_HINTS);
    options.fitByContent = IsTicked(IDC_FIT_BY_CONTENT);
    options.volume = -static_cast<int>(SendItem(IDC_VOLUME, TBM_GETPOS));
    options.hideMenuSeconds = ItemText(IDC_HIDE_MENU_SECONDS);
    options.iconSizePosition = static_cast<int>(SendItem(IDC_ICON_SIZE, TBM_GETPOS));
    return options;
}

void Page3::WriteControls(const PlayerOptions& options) {
    SetTicked(IDC_ALLOW_FULLSCREEN, options.allowFullScreen);
    SetTicked(IDC_FULLSCREEN_LOW, options.quality == FullScreenQuality::Low);
    SetTicked(IDC_FULLSCREEN_NORMAL, options.quality == FullScreenQuality::Normal);
    SetTicked(IDC_FULLSCREEN_HIGH, options.quality == FullScreenQuality::Best);
    SetTicked(IDC_ALLOW_ZOOM, options.allowZoom);
    SetTicked(IDC_ALLOW_TIMELINE, options.allowTimeline);
    SetTicked(IDC_SHOW_HINTS, options.showHints);
    SetTicked(IDC_FIT_BY_CONTENT, options.fitByContent);
    SendItem(IDC_VOLUME, TBM_SETPOS, TRUE, -std::clamp(options.volume, kMinVolume, kMaxVolume));
    SetItemText(IDC_HIDE_MENU_SECONDS, options.hideMenuSeconds);
    SendItem(IDC_ICON_SIZE, TBM_SETPOS, TRUE, options.iconSizePosition);
    // The quality choice follows the box in every case, also when a stored switch that was
    // neither "true" nor "false" left the box cleared.
    EnableQualityChoice(options.allowFullScreen);
}

void Page3::EnableQualityChoice(bool enable) {
    for (int id : kQualityControls) EnableWindow(Item(id), enable ? TRUE : FALSE);
}

bool Page3::IsTicked(int id) const { return SendItem(id, BM_GETCHECK) == BST_CHECKED; }

void Page3::SetTicked(int id, bool ticked) const {
    SendItem(id, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED);
}

void Page3::OnHideMenuFocusLost() {
    if (!ItemText(IDC_HIDE_MENU_SECONDS).empty()) return;
    framework::ShowEditBalloon(Item(IDC_HIDE_MENU_SECONDS), L"The value must be in the range from 0 to 100",
                               L"It was reset to default", framework::BalloonIcon::None);
    SetItemText(IDC_HIDE_MENU_SECONDS, std::wstring(DefaultHideMenuSeconds()));
}

void Page3::OnHideMenuFull() {
    framework::ShowEditBalloon(Item(IDC_HIDE_MENU_SECONDS), L"Maximum - 99 seconds",
                               L"The value must be in the range from 0 to 100", framework::BalloonIcon::None);
}

}  // namespace settings
