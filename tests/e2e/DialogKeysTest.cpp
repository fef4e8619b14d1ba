// Esc and Enter in every window, pressed as a user presses them: a key at the control
// that has the focus, handled by the window's own modal loop. Esc leaves a dialog
// without its work; Enter does the dialog's default: Save saves, Convert converts, the
// import and batch dialogs end; in the main window Esc does nothing at all.
#include "ProgramTest.h"

#include <tlhelp32.h>

#include "resources/resource.h"

#include <algorithm>
#include <set>

namespace e2e {
namespace {

std::wstring Setting(const wchar_t* name) {
    const auto value = ReadValue(HKEY_CURRENT_USER, kSettingsKey, name);
    return value ? value->Text() : L"(missing)";
}

bool Checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Flip(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, Checked(dialog, id) ? BST_UNCHECKED : BST_CHECKED, 0);
}

// The preview pane keeps an ffmpeg.exe of its own for the selected clip, so a run's
// ffmpeg.exe is told apart by its process id.
std::set<DWORD> FfmpegIds() {
    platform::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    std::set<DWORD> ids;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, L"ffmpeg.exe") == 0) ids.insert(entry.th32ProcessID);
    return ids;
}

bool FfmpegRunsBesides(const std::set<DWORD>& earlier) {
    return std::ranges::any_of(FfmpegIds(), [&](DWORD id) { return !earlier.contains(id); });
}

size_t FilesIn(const std::wstring& folder) {
    size_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

class DialogKeys : public ProgramTest {};

TEST_F(DialogKeys, EscLeavesEveryDialogWithoutItsWorkAndEnterDoesItsDefault) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    const std::wstring videos = program().Path(L"Videos");
    MakeDirectories(videos);
    ASSERT_TRUE(CopyFileW((ClipsFolder() + L"convert-60s.flv").c_str(), (videos + L"\\1260000001.flv").c_str(), FALSE));
    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(window, IDC_OUTPUT_NAME) == L"1260000001"; }, 30s));

    // In the main window Esc does nothing; the dialog opened next proves it was handled.
    PressKey(window, VK_ESCAPE);
    const std::wstring out = program().Path(L"out");
    MakeDirectories(out);
    const std::wstring loadOnStartup = Setting(L"loadonstartup");
    const std::wstring allowZoom = Setting(L"allowzoom");
    std::set<DWORD> ffmpegBefore;
    struct Case {
        const char* name;
        WORD command;
        const wchar_t* caption;
        std::function<void(HWND)> prepare;  // a change the key should keep or discard
        UINT key;
        bool closes;
        std::function<bool(HWND)> outcome;  // the dialog, already gone when `closes`
    };
    const auto nothing = [](HWND) {};
    const auto fine = [](HWND) { return true; };
    const Case cases[] = {
        {"Esc discards the general settings", ID_SETTINGS_GENERAL, L"General program settings",
         [](HWND d) { Flip(d, IDC_RUN_AT_STARTUP); }, VK_ESCAPE, true,
         [&](HWND) { return Setting(L"loadonstartup") == loadOnStartup; }},
        {"Enter saves the general settings", ID_SETTINGS_GENERAL, L"General program settings",
         [](HWND d) { Flip(d, IDC_RUN_AT_STARTUP); }, VK_RETURN, true,
         [&](HWND) { return Setting(L"loadonstartup") != loadOnStartup; }},
        {"Esc discards the player settings", ID_SETTINGS_PLAYER, L"Player Settings",
         [](HWND d) { Flip(d, IDC_ALLOW_ZOOM); }, VK_ESCAPE, true,
         [&](HWND) { return Setting(L"allowzoom") == allowZoom; }},
        {"Enter saves the player settings", ID_SETTINGS_PLAYER, L"Player Settings",
         [](HWND d) { Flip(d, IDC_ALLOW_ZOOM); }, VK_RETURN, true,
         [&](HWND) { return Setting(L"allowzoom") != allowZoom; }},
        {"Esc closes the idle convert dialog", ID_MOVIE_CONVERT, L"Converting selected video clip", nothing, VK_ESCAPE,
         true, fine},
        {"Enter converts, then Esc stops the run, removes its output and closes", ID_MOVIE_CONVERT,
         L"Converting selected video clip",
         [&](HWND d) {
             SendDlgItemMessageW(d, IDC_OUTPUT_FOLDER, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
             ffmpegBefore = FfmpegIds();
         },
         VK_RETURN, false,
         [&](HWND d) {
             // ffmpeg writes a temporary file beside the output while it runs.
             if (!WaitUntil([&] { return FilesIn(out) > 0; }, 20s)) return false;
             PressKey(d, VK_ESCAPE);
             return WaitUntil([&] { return !IsWindow(d); }, 10s) && WaitUntil([&] { return FilesIn(out) == 0; }, 5s) &&
                    !FfmpegRunsBesides(ffmpegBefore);
         }},
        {"Esc closes the batch dialog", ID_CHECKED_CONVERT, L"Convert multiple videos at once", nothing, VK_ESCAPE,
         true, fine},
        {"Enter ends the idle batch dialog", ID_CHECKED_CONVERT, L"Convert multiple videos at once", nothing, VK_RETURN,
         true, fine},
        {"Esc closes the import dialog", ID_IMPORT_YOUTUBE, L"Import video from YouTube", nothing, VK_ESCAPE, true,
         fine},
        {"Enter in the address ends the import without a download", ID_IMPORT_YOUTUBE, L"Import video from YouTube",
         [](HWND d) { SetDlgItemTextW(d, IDC_IMPORT_URL, L"http://127.0.0.1:9/watch?v=3nOIIGNmjBg"); }, VK_RETURN, true,
         [&](HWND) { return FilesIn(videos) == 1; }},
        {"Esc closes the about box", ID_HELP_ABOUT, L"About Reelkeep", nothing, VK_ESCAPE, true, fine},
        {"Enter closes the about box", ID_HELP_ABOUT, L"About Reelkeep", nothing, VK_RETURN, true, fine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PostMessageW(window, WM_COMMAND, c.command, 0);
        HWND dialog = WaitForWindowTitled(run.processId(), c.caption, 10s);
        ASSERT_NE(dialog, nullptr);
        c.prepare(dialog);
        PressKey(dialog, c.key);
        if (c.closes) {
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s)) << "the dialog stays open";
        }
        EXPECT_TRUE(c.outcome(dialog));
        if (IsWindow(dialog)) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s));
        }
    }

    EXPECT_TRUE(IsWindowVisible(window)) << "Esc hid the main window";
    EXPECT_TRUE(run.IsRunning());
}

}  // namespace
}  // namespace e2e
