#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "preview/PreviewHostWindow.h"
#include "app/ShellLaunch.h"
#include "app/SingleInstance.h"
#include "capture/CacheWatcher.h"
#include "convert/ConvertDialog.h"
#include "convert/BatchConvertDialog.h"
#include "framework/SideThread.h"
#include "framework/WindowMessages.h"
#include "framework/Worker.h"
#include "framework/WinApp.h"
#include "library/Catalogue.h"
#include "library/ClipArrival.h"
#include "probe/MediaProbe.h"
#include "library/ViewLayout.h"
#include "platform/ProgramFolder.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemVersion.h"
#include "platform/Text.h"
#include "preview/PlayerQuery.h"
#include "resources/resource.h"
#include "settings/PlayerSettingsDialog.h"
#include "settings/GeneralSettingsDialog.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"
#include "update/UpdateAgent.h"
#include "webimport/WebImportDialog.h"

#include <ctime>

#include <shlobj.h>

namespace app {

namespace {

constexpr wchar_t kNoClipsToConvert[] = L"No video clips to convert";

HICON LoadSizedIcon(int id, int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED));
}

// A clip that a worker put into the library joins the list on the window's thread.
void ListInWindow(HWND window, const library::ArrivedClip& clip) {
    framework::StartWorker(window, [clip](HWND target) { library::ListArrivedClip(target, clip); });
}

}  // namespace

MainWindow::MainWindow(ATOM previewHostClass) : Dialog(IDD_PAGE2_MAIN), previewHostClass_(previewHostClass) {
    largeIcon_ = LoadSizedIcon(IDI_MAIN, SM_CXICON);
    accelerators_ = LoadAcceleratorsW(framework::WinApp::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
}

MainWindow::~MainWindow() { tray_.Remove(); }

preview::PreviewHost* MainWindow::CreatePreviewHost() {
    previewWindow_ = std::make_unique<preview::PreviewHostWindow>(hwnd(), previewHostClass_);
    if (previewWindow_->created()) return previewWindow_.get();
    previewWindow_.reset();
    return nullptr;
}

void MainWindow::ReloadPlayerSettings() {
    settings::SettingsStore store;
    preview_.SetSettingsVars(preview::BuildPlayerSettingsVars(
        [&store](const settings::SettingDefinition& setting) { return store.ReadSetting(setting); }));
}

void MainWindow::PreviewClip(int row, preview::PreviewStart start, preview::PreviewReload reload) {
    const bool listed = row >= 0 && row < list_.RowCount();
    preview_.PreviewClip(listed ? list_.RowPath(row) : std::wstring(), start, reload);
}

BOOL MainWindow::OnInitDialog() {
    // The shell adds the tray icon in another process, which takes tens of milliseconds
    // under load; the window's icons, the filters and the player pane are set up meanwhile.
    // The icon is in place before any worker starts.
    tray_.Initialize(hwnd());
    framework::SideThread trayAddition([tray = &tray_] { tray->Add(); });

    smallIcon_ = LoadSizedIcon(IDI_TRAY, SM_CXSMICON);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    // The filter controls come first: the start-up list build reads them. The list is
    // attached at once too, since a worker's message can be served while this runs.
    list_.Attach(Item(IDC_CLIP_LIST));
    filters_.Attach(hwnd());
    filters_.Setup();
    preview_ = preview::PreviewPlayer(CreatePreviewHost(), platform::ProgramFolder());

    // Explorer announces a restart with this message; the icon must then be added again.
    taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
    quitForSetupMessage_ = RegisterWindowMessageW(kQuitForSetupMessage);
    trayAddition.Wait();

    StartWorkers();

    list_.Initialize();
    list_.OnChecksChanged([this] { UpdateCheckedCommands(); });
    menu_.Attach(hwnd());

    LoadOutputFolder();
    settings::SettingsStore().EnsureSettings(
        [this](const std::wstring& myVideos) { SetItemText(IDC_OUTPUT_FOLDER, myVideos); });
    ReloadPlayerSettings();
    LoadSwitches();
    viewMode_ =
        library::ViewModeFromNumber(platform::ParseNumber(settings::SettingsStore().ReadSetting(settings::kView)));
    ApplyViewMode(viewMode_);
    if (viewMode_ == library::kViewSimple) menu_.SetConvertEntry(true, false);

    convertPanel_.Attach(hwnd(), convert::ConvertSurface::MainPanel, &list_);
    convertPanel_.SetFolderTip(&outputFolderTip_);
    convertPanel_.Setup();
    menu_.EnableCheckedCommands(false);
    menu_.EnableClipCommands(false);
    EnableWindow(Item(IDC_CONVERT), FALSE);
    SetItemText(IDC_OUTPUT_NAME, kNoClipsToConvert);
    DecorateWindow();
    // The list is still empty; the first clip arrives when its build ends (timer 1).
    preview_.ShowPlaceholder();
    // Served after the window is shown and before its first paint.
    PostMessageW(hwnd(), framework::WM_ADD_DECORATIONS, 0, 0);
    return TRUE;
}

bool MainWindow::AddDecoration(int step) {
    HINSTANCE resources = framework::WinApp::ResourceInstance();
    if (step < library::FilterPanel::kIconCombos) {
        filters_.AddIcons(resources, step);
        return true;
    }
    switch (step - library::FilterPanel::kIconCombos) {
    case 0: convertPanel_.AddFormatIcons(); return true;
    case 1: list_.SetWatermark(resources, IDB_LIST_WATERMARK); return true;
    case 2: outputFolderTip_.Create(hwnd(), Item(IDC_OUTPUT_FOLDER), ItemText(IDC_OUTPUT_FOLDER)); return false;
    default: return false;
    }
}

void MainWindow::StartWorkers() {
    HWND window = hwnd();
    capture::WatcherInputs watch{
        window,
        {&switches_.watchInternetExplorer, &switches_.watchFirefox, &switches_.watchChrome, &switches_.watchOpera},
        &switches_.keepSilentClips,
        [window, tray = &tray_](const library::ArrivedClip& clip) {
            ListInWindow(window, clip);
            if (tray->notifyOnCapture()) framework::StartWorker(window, [](HWND target) { AnimateTrayIcon(target); });
        }};
    framework::StartWorker(std::move(watch),
                           [](const capture::WatcherInputs& inputs) { capture::RunCacheWatcher(inputs); });
    framework::StartWorker(window, [](HWND target) { library::RefreshClipList(target); });
    framework::StartWorker(UpdateAgentContext(), [](const update::AgentContext& context) {
        update::RunUpdateAgent(context, update::SleepOneMinute);
    });
    framework::StartWorker(window, [](HWND target) { library::FilterRefresher(target); });
}

update::AgentContext MainWindow::UpdateAgentContext() {
    update::AgentContext context;
    context.updateBase = update::UpdateBaseUrl();
    context.updatesFolder = platform::ProgramFolder() + L"Updates\\";
    context.runningProgram = platform::ExecutablePath();
    // The switches live as long as the window, and the window as long as the process.
    SharedSwitches* switches = &switches_;
    context.autoUpdateOn = [switches] { return switches->autoUpdate.load(); };
    context.lastContact = [switches] { return switches->lastPingTime.load(); };
    context.recordContact = [switches](std::int32_t time) {
        if (settings::SettingsStore().WriteSetting(settings::kLastPingTime, std::to_wstring(time)))
            switches->lastPingTime = time;
    };
    context.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    return context;
}

void MainWindow::DecorateWindow() {
    SetWindowPos(Item(IDC_TOP_LINE), nullptr, 0, 0, 1000, 1, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!platform::IsSystemMajorVersion6()) return;
    SetItemPicture(IDC_PANEL_FOLDER_MARK, IDB_FOLDER_MARK_V6);
    SetItemPicture(IDC_PANEL_NAME_MARK, IDB_NAME_MARK_V6);
}

void MainWindow::LoadOutputFolder() {
    const std::wstring folder = convert::OutputFolderSetting();
    SetItemText(IDC_OUTPUT_FOLDER, folder);
    outputFolderTip_.SetText(folder);
}

void MainWindow::LoadSwitches() {
    settings::SettingsStore store;
    settings::BrowserSwitches browsers{switches_.watchInternetExplorer, switches_.watchFirefox, switches_.watchChrome,
                                       switches_.watchOpera};
    settings::ApplyBrowsersText(store.ReadSetting(settings::kBrowsers), browsers);
    switches_.watchInternetExplorer = browsers.internetExplorer;
    switches_.watchFirefox = browsers.firefox;
    switches_.watchChrome = browsers.chrome;
    switches_.watchOpera = browsers.opera;
    tray_.LoadNotifySettings();
    switches_.keepSilentClips = settings::IsSwitchOn(store.ReadSetting(settings::kSaveWithNoSound));
    switches_.autoUpdate = settings::IsSwitchOn(store.ReadSetting(settings::kAutoUpdate));
    switches_.lastPingTime = platform::ParseNumber(store.ReadSetting(settings::kLastPingTime));
}

bool MainWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (filters_.OnCommand(id, code)) return true;
    if (convertPanel_.OnCommand(id, code)) return true;
    switch (id) {
    case IDC_FILTER_SHOW:
        if (code == BN_CLICKED) OnShow();
        return true;
    case ID_MOVIE_PLAY: OnOK(); return true;
    case ID_MOVIE_CONVERT:
        // From the Movie menu the folder box stays as it is after the dialog.
        convert::ConvertDialog(hwnd(), &list_).DoModal();
        return true;
    case ID_MOVIE_DELETE: DeleteClip(); return true;
    case ID_CHECKED_DELETE: DeleteCheckedClips(); return true;
    case ID_MOVIE_PLAY_EXTERNAL: PlayExternally(); return true;
    case ID_CHECKED_EXPORT: ExportCheckedClips(); return true;
    case ID_CHECKED_CONVERT: convert::BatchConvertDialog(hwnd(), &list_).DoModal(); return true;
    case ID_IMPORT_FLV: StartImport(); return true;
    case ID_MOVIE_RENAME:
        if (list_.SelectionMark() >= 0) {
            SetFocus(list_.hwnd());
            SendMessageW(list_.hwnd(), LVM_EDITLABELW, static_cast<WPARAM>(list_.SelectionMark()), 0);
        }
        return true;
    case ID_VIEW_SIMPLE: SetViewMode(library::kViewSimple); return true;
    case ID_VIEW_STANDARD: SetViewMode(library::kViewStandard); return true;
    case ID_VIEW_ADVANCED: SetViewMode(library::kViewAdvanced); return true;
    case ID_ACCEL_CYCLE_VIEW: CycleViewMode(); return true;
    case ID_HELP_USERS_GUIDE:
    case ID_ACCEL_USERS_GUIDE: OpenUserGuide(hwnd()); return true;
    case ID_HELP_ABOUT: ShowAboutBox(); return true;
    case ID_HELP_WEBSITE: OpenWebSite(hwnd()); return true;
    case ID_SETTINGS_GENERAL:
        if (settings::GeneralSettingsDialog(hwnd()).DoModal() == IDOK) LoadSwitches();
        return true;
    case ID_SETTINGS_PLAYER:
        if (settings::PlayerSettingsDialog(hwnd()).DoModal() == IDOK) {
            ReloadPlayerSettings();
            PreviewClip(list_.SelectionMark(), preview::PreviewStart::Paused, preview::PreviewReload::Always);
        }
        return true;
    case ID_IMPORT_YOUTUBE: {
        webimport::ImportSettings import{platform::LibraryFolder(), probe::DefaultFfmpegPath(), webimport::SiteUrl()};
        import.clipArrived = [window = hwnd()](const library::ArrivedClip& clip) { ListInWindow(window, clip);
    };
        webimport::WebImportDialog(hwnd(), import).DoModal();
        return true;
    }
default: return Dialog::OnCommand(id, code, control);
}
}  // namespace app

void MainWindow::OnOK() {
    const int mark = list_.SelectionMark();
    if (mark >= 0) PreviewClip(mark, preview::PreviewStart::Playing, preview::PreviewReload::IfChanged);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    if (convertPanel_.OnMessage(message, wParam, lParam)) return 0;
    if (message >= framework::WM_CATALOGUE_INSERT && message <= framework::WM_FILTER_REFRESH)
        return OnCatalogueMessage(message, lParam);
    if (message == framework::WM_ADD_DECORATIONS) {
        if (AddDecoration(static_cast<int>(wParam))) PostMessageW(hwnd(), message, wParam + 1, 0);
        return 0;
    }
    if (message == framework::WM_SHOW_FOR_SECOND_START) {
        ShowWindow(hwnd(), SW_SHOW);
        ShowWindow(hwnd(), SW_RESTORE);
        return 0;
    }
    if (message == framework::WM_TRAYNOTIFY) {
        OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    }
    if (message == framework::WM_TRAYANIMATION) {
        switch (static_cast<TrayAnimationStep>(wParam)) {
        case TrayAnimationStep::Begin: return tray_.BeginAnimation() ? 1 : 0;
        case TrayAnimationStep::Frame: tray_.ShowFrame(static_cast<int>(lParam)); return 1;
        case TrayAnimationStep::Finish: tray_.FinishAnimation(); return 1;
        }
        return 0;
    }
    if (message == WM_CLOSE) {
        Hide();
        // Reloading paused stops a clip that plays while nobody sees it.
        PreviewClip(list_.SelectionMark(), preview::PreviewStart::Paused, preview::PreviewReload::Always);
        return 0;
    }
    if (quitForSetupMessage_ != 0 && message == quitForSetupMessage_) {
        Quit();
        return 0;
    }
    if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
        tray_.Add();
        return 0;
    }
    handled = false;
    return 0;
}

bool MainWindow::PreTranslateMessage(MSG& message) {
    outputFolderTip_.Relay(message);
    return accelerators_ != nullptr && TranslateAcceleratorW(hwnd(), accelerators_, &message) != 0;
}

void MainWindow::ShowAboutBox() {
    AboutBox about(hwnd());
    about.DoModal();
}

}  // namespace app
