#include "settings/GeneralSettingsDialog.h"

#include "framework/FileErrorText.h"
#include "framework/Prompter.h"
#include "framework/WinApp.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "settings/DefaultBrowser.h"
#include "settings/SettingsStore.h"
#include "settings/StartupShortcut.h"

#include <array>

namespace settings {

namespace {

constexpr std::array<int, kBrowserCount> kBrowserBoxes = {IDC_BROWSER_IE, IDC_BROWSER_FIREFOX, IDC_BROWSER_CHROME,
                                                          IDC_BROWSER_OPERA};

constexpr std::array<const wchar_t*, 3> kModeEntries = {
    L"Save video from all browsers", L"Save video from default browser", L"Save video from custom browsers"};

constexpr wchar_t kNoBrowserQuestion[] = L"All browsers are disconnected from the program. Do you want to continue?";
constexpr wchar_t kSettingsNotSaved[] = L"The settings could not be saved.";
constexpr wchar_t kShortcutNotCreated[] = L"The program could not be set to run at startup:\n";

}  // namespace

Browser GeneralSettingsDialog::DetectDefaultBrowser() { return settings::DetectDefaultBrowser(); }

BOOL GeneralSettingsDialog::OnInitDialog() {
    defaultBrowser_ = DetectDefaultBrowser();
    SetDialogIcon(IDI_GENERAL_SETTINGS);
    for (const wchar_t* entry : kModeEntries)
        SendItem(IDC_BROWSER_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    LoadGeneralSettings();
    OnShowMessageClicked();
    return TRUE;
}

LRESULT GeneralSettingsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // A white page: the dialog and its check boxes and group boxes paint on white.
    LRESULT brush = 0;
    handled = PaintWhite(message, wParam, lParam, framework::WhiteParts::PageLabelsAndButtons, brush);
    return brush;
}

bool GeneralSettingsDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_BROWSER_MODE && code == CBN_SELCHANGE) {
        OnBrowserModeChanged();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool GeneralSettingsDialog::OnButtonClicked(WORD id) {
    for (std::size_t i = 0; i < kBrowserCount; ++i) {
        if (id == kBrowserBoxes[i]) {
            OnBrowserClicked(static_cast<Browser>(i));
            return true;
        }
    }
    switch (id) {
    case IDC_SHOW_ICON: OnShowIconClicked(); return true;
    case IDC_SHOW_MESSAGE: OnShowMessageClicked(); return true;
    case IDC_GENERAL_RESTORE: OnRestoreDefaults(); return true;
    default: return false;
    }
}

const std::array<GeneralSettingsDialog::SwitchBox, 7> GeneralSettingsDialog::kSwitchBoxes{{
    {IDC_SHOW_ICON, kShowIcon, &Values::showIcon},
    {IDC_SHOW_MESSAGE, kShowMessage, &Values::showMessage},
    {IDC_PLAY_SOUND, kPlaySound, &Values::playSound},
    {IDC_AUTO_UPDATE, kAutoUpdate, &Values::autoUpdate},
    {IDC_AUTO_OPEN_FOLDER, kAutoOpenFolder, &Values::autoOpenFolder},
    {IDC_RUN_AT_STARTUP, kLoadOnStartup, &Values::runAtStartup},
    {IDC_SAVE_NO_SOUND, kSaveWithNoSound, &Values::saveWithNoSound},
}};

void GeneralSettingsDialog::ReadControls() {
    const auto checked = [this](int id) { return IsChecked(id); };
    const LRESULT selection = SendItem(IDC_BROWSER_MODE, CB_GETCURSEL);
    values_.mode = selection >= 0 && selection <= static_cast<LRESULT>(BrowserMode::Custom)
                       ? static_cast<BrowserMode>(selection)
                       : BrowserMode::All;
    for (std::size_t i = 0; i < kBrowserCount; ++i) values_.browsers[i] = checked(kBrowserBoxes[i]);
    for (const SwitchBox& box : kSwitchBoxes) values_.*box.value = checked(box.id);
}

void GeneralSettingsDialog::WriteControls() const {
    const auto check = [this](int id, bool on) { SetChecked(id, on); };
    SendItem(IDC_BROWSER_MODE, CB_SETCURSEL, static_cast<WPARAM>(values_.mode));
    for (std::size_t i = 0; i < kBrowserCount; ++i) check(kBrowserBoxes[i], values_.browsers[i]);
    for (const SwitchBox& box : kSwitchBoxes) check(box.id, values_.*box.value);
}

void GeneralSettingsDialog::LoadGeneralSettings() {
    const SettingsStore store;
    ReadControls();
    ApplySettings([&store](const SettingDefinition& setting) { return store.ReadSetting(setting); });
    WriteControls();
}

void GeneralSettingsDialog::ApplySettings(const std::function<std::wstring(const SettingDefinition&)>& read) {
    values_.mode = ModeFromSetting(read(kBrowserMode));
    values_.browsers = ApplyBrowsersSetting(read(kBrowsers), values_.browsers);
    // A text other than "true" or "false" leaves the box as the template made it.
    for (const SwitchBox& box : kSwitchBoxes)
        if (const std::optional<bool> on = StrictSwitch(read(box.setting))) values_.*box.value = *on;
}

void GeneralSettingsDialog::OnBrowserModeChanged() {
    ReadControls();
    values_.browsers = ChecksForMode(values_.mode, defaultBrowser_);
    WriteControls();
}

void GeneralSettingsDialog::OnBrowserClicked(Browser clicked) {
    ReadControls();
    values_.browsers = KeepOneBrowser(values_.browsers, clicked);
    values_.mode = ModeForChecks(values_.browsers, defaultBrowser_);
    WriteControls();
}

void GeneralSettingsDialog::OnShowIconClicked() {
    const bool on = IsChecked(IDC_SHOW_ICON);
    EnableWindow(Item(IDC_SHOW_MESSAGE), on);
    if (on) {
        EnableItem(IDC_PLAY_SOUND, IsChecked(IDC_SHOW_MESSAGE));
        return;
    }
    EnableWindow(Item(IDC_PLAY_SOUND), FALSE);
    SetChecked(IDC_SHOW_MESSAGE, false);
    SetChecked(IDC_PLAY_SOUND, false);
}

void GeneralSettingsDialog::OnShowMessageClicked() {
    const bool on = IsChecked(IDC_SHOW_MESSAGE);
    EnableWindow(Item(IDC_PLAY_SOUND), on);
    if (!on) SetChecked(IDC_PLAY_SOUND, false);
}

void GeneralSettingsDialog::OnRestoreDefaults() {
    EnableWindow(Item(IDC_SHOW_MESSAGE), TRUE);
    EnableWindow(Item(IDC_PLAY_SOUND), TRUE);
    values_ = Values{};
    ApplySettings([](const SettingDefinition& setting) { return std::wstring(setting.firstRunDefault); });
    WriteControls();
}

void GeneralSettingsDialog::OnOK() {
    ReadControls();
    if (NoBrowserChecked(values_.browsers) &&
        framework::prompter().AskYesNo(hwnd(), kNoBrowserQuestion) != framework::Answer::Yes) {
        return;
    }
    if (SaveGeneralSettings()) EndDialog(IDOK);
}

bool GeneralSettingsDialog::SaveGeneralSettings() {
    const SettingsStore store;
    const std::wstring browsers = BrowsersSetting(values_.browsers);
    const std::wstring mode = ModeSetting(values_.mode);
    const bool written = store.WriteSettings({
        {kBrowsers.name, browsers},
        {kBrowserMode.name, mode},
        {kShowIcon.name, SwitchText(values_.showIcon)},
        {kShowMessage.name, SwitchText(values_.showMessage)},
        {kPlaySound.name, SwitchText(values_.playSound)},
        {kAutoUpdate.name, SwitchText(values_.autoUpdate)},
        {kSaveWithNoSound.name, SwitchText(values_.saveWithNoSound)},
        {kAutoOpenFolder.name, SwitchText(values_.autoOpenFolder)},
    });
    // Without the settings key the shortcut is left alone, so the two cannot disagree.
    if (!written) {
        framework::prompter().Tell(hwnd(), kSettingsNotSaved, true);
        return false;
    }
    const std::optional<bool> runAtStartup = ApplyStartupShortcut();
    if (!runAtStartup) return false;
    return store.WriteSetting(kLoadOnStartup, SwitchText(*runAtStartup));
}

std::optional<bool> GeneralSettingsDialog::ApplyStartupShortcut() {
    const std::wstring path = StartupShortcutPath();
    const bool exists = !path.empty() && platform::FileExists(path);
    if (values_.runAtStartup) {
        if (exists) return true;
        const HRESULT hr = path.empty() ? HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) : CreateStartupShortcut(path);
        if (SUCCEEDED(hr)) return true;
        // "loadonstartup" mirrors the shortcut: a shortcut that was not made is stored as off.
        const DWORD code = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
        framework::prompter().Tell(hwnd(), kShortcutNotCreated + framework::FileErrorText(path, code), true);
        return false;
    }
    if (exists && !DeleteFileW(path.c_str())) {
        const DWORD error = GetLastError();
        framework::prompter().Tell(hwnd(), framework::FileErrorText(path, error), true);
        return std::nullopt;
    }
    return false;
}

}  // namespace settings
