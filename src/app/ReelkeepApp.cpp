#include "app/ReelkeepApp.h"

#include "app/BrowserCachePrep.h"
#include "app/MainWindow.h"
#include "app/ShellLaunch.h"
#include "app/SingleInstance.h"
#include "app/StartupRules.h"
#include "flashctl/SwfHeader.h"
#include "flashhost/FlashRuntime.h"
#include "framework/Prompter.h"
#include "library/PurgeMarkedClips.h"
#include "platform/FileValues.h"
#include "platform/ProgramFolder.h"
#include "platform/ToolStartup.h"
#include "platform/UniqueHandle.h"
#include "update/WaitingSetup.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <utility>
#include <vector>

namespace app {

namespace {

// The preview plays through our own player movie: an empty or damaged one, or another
// movie in its place, would leave it blank without a word, so it counts as missing.
bool IsPlayerMovie(const std::wstring& path) {
    // The header and the first frame's tags, where the marker lies, come first.
    constexpr std::size_t kReadLimit = 1 << 20;
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<LONGLONG>(size.QuadPart, kReadLimit)));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return false;
    const flashctl::SwfReadResult movie =
        flashctl::ReadSwfHeader(bytes.data(), read, static_cast<std::uint64_t>(size.QuadPart));
    return movie.problem == flashctl::SwfProblem::None && movie.header.isPlayerMovie;
}

bool CompanionFilesPresent(const std::wstring& folder) {
    return platform::FileExists(folder + L"ffmpeg.exe") && IsPlayerMovie(folder + L"player.swf");
}

// A downloaded update leaves its marker; this version never runs while a set-up waits that
// may be run. Only one that holds is offered (update/WaitingSetup.h): anyone on the network
// path, or any user of this machine, could have put a program there to run. Another one
// goes, and the start goes on.
bool RefuseOutdatedInstallation(const std::wstring& folder) {
    const auto setup =
        update::WaitingSetup::Find(folder + L"Updates\\", platform::ExecutablePath(), std::time(nullptr));
    if (!setup) return false;
    auto& prompter = framework::prompter();
    if (prompter.AskYesNo(nullptr, kOutdatedQuestion) == framework::Answer::Yes) {
        ShellExecuteW(nullptr, nullptr, setup->path().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
        prompter.Tell(nullptr, kQuitsAsOutdatedMessage);
    }
    return true;
}

// The player control's image travels inside the executable. Without it, or when it cannot
// be loaded, the program runs without a preview.
flashhost::FlashRuntime* LoadPlayerRuntime() {
    HMODULE program = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(program, L"FLASH_OCX_CODE", L"BIN");
    HGLOBAL loaded = resource != nullptr ? LoadResource(program, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return nullptr;
    return flashhost::FlashRuntime::Create(bytes, SizeofResource(program, resource));
}

void RunMainWindow(MainWindow& window, bool hidden) {
    if (hidden) {
        if (window.CreateModeless()) {
            ShowWindow(window.hwnd(), SW_HIDE);
            window.RunModalLoop();
            return;
        }
    }
    window.DoModal();
}

}  // namespace

BOOL ReelkeepApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    platform::PrepareToolDesktop();
    OleInitialize(nullptr);
    static GuideHelpViewer guide;
    framework::SetHelpViewer(&guide);
    flashRuntime_ = LoadPlayerRuntime();

    const std::wstring& folder = platform::ProgramFolder();
    const std::wstring videos = folder + L"Videos";
    if (!PathIsDirectoryW(videos.c_str())) CreateDirectoryW(videos.c_str(), nullptr);

    if (!CompanionFilesPresent(folder)) {
        framework::prompter().Tell(nullptr, kMissingFilesMessage);
        return FALSE;
    }
    // The running copy comes first: an installer that its update agent left may not be
    // offered, let alone started, while that copy still runs from the folder it replaces.
    if (HandOverToRunningInstance()) return FALSE;
    if (RefuseOutdatedInstallation(folder)) return FALSE;

    PrepareBrowserCaches();
    const library::PurgeResult purge = library::PurgeMarkedClips(platform::LibraryFolder());
    if (!purge.kept.empty()) framework::prompter().Tell(nullptr, library::KeptClipsText(purge.kept), true);

    {
        MainWindow mainWindow(flashRuntime_ != nullptr ? flashRuntime_->hostClassAtom() : ATOM{0});
        setMainWindow(&mainWindow);
        RunMainWindow(mainWindow, HasMinimizedSwitch(GetCommandLineW()));
        setMainWindow(nullptr);
    }
    return FALSE;
}

int ReelkeepApp::ExitInstance() {
    // Every host window went with the main window, so the runtime may go now.
    flashhost::FlashRuntime::Release(std::exchange(flashRuntime_, nullptr));
    OleUninitialize();
    return WinApp::ExitInstance();
}

}  // namespace app
