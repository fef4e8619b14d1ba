#pragma once
// Drives the real Reelkeep.exe from outside: a scratch program folder on the prefix's
// C: drive, the process, its windows and message boxes, the registry it leaves behind,
// and screenshots taken by the shell loop of tests/e2e/run.sh.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// The folder holding this test binary: the build's program folder, with Reelkeep.exe,
// ffmpeg.exe, player.swf and the helper programs of the e2e layer.
std::wstring BuildProgramFolder();

// ---------------------------------------------------------------------------------
// Files

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
std::optional<std::string> ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Deletes a file or a folder tree; a missing path is fine.
void RemoveTree(const std::wstring& path);
// Deletes what RemoveTree set aside because a process still ran it.
void ClearSetAsideFiles();
// Creates every missing folder of the path.
void MakeDirectories(const std::wstring& path);
std::wstring SpecialFolder(int csidl);

// Linux path of a Windows path and back, through Wine's kernel32 exports. Both throw
// when the exports are missing: the layer only runs under Wine.
std::string UnixPathOf(const std::wstring& windowsPath);
std::wstring WindowsPathOf(const std::string& unixPath);

// ---------------------------------------------------------------------------------
// Scratch program folder: C:\e2e\<name>\ with the executable and its companions.

enum class Companion { Ffmpeg, PlayerMovie };

class ScratchProgram {
public:
    explicit ScratchProgram(const std::wstring& name);
    ~ScratchProgram();
    ScratchProgram(const ScratchProgram&) = delete;
    ScratchProgram& operator=(const ScratchProgram&) = delete;

    // Always ends in a backslash, like the program's own idea of its folder.
    const std::wstring& folder() const { return folder_; }
    std::wstring Path(const std::wstring& relative) const { return folder_ + relative; }
    std::wstring ExecutablePath() const { return Path(L"Reelkeep.exe"); }
    void RemoveCompanion(Companion companion);
    // Puts the build's program signed with the test publisher's key (bin\signed\) in place
    // of the unsigned developer build.
    void UseSignedProgram();
    // Keeps the folder after the test, for a look at what the program left there.
    void Keep() { keep_ = true; }

private:
    std::wstring folder_;
    bool keep_ = false;
};

// ---------------------------------------------------------------------------------
// Windows of another process

std::wstring WindowText(HWND window);
// The live text of a control of another process's dialog (an edit's contents, a
// button's caption as last set), asked from the control itself with WM_GETTEXT.
std::wstring ItemText(HWND dialog, int id);
std::wstring ClassName(HWND window);
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
// The program's main window: its top-level dialog titled "Reelkeep" that holds the
// library list. Message boxes carry the same caption, so the list tells them apart.
bool IsMainWindow(HWND window);
// A visible top-level window of the process with this caption; null on time-out.
HWND WaitForWindowTitled(DWORD processId, const std::wstring& caption, Milliseconds timeout);
// A key pressed as a user presses it: down and up at the control of the window that has
// the keyboard focus (the window itself when the focus is elsewhere), so that the
// window's own loop turns it into what the key means there.
void PressKey(HWND window, UINT key);

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // IDOK, IDYES, IDNO, ... present in the box

    bool Has(int button) const;
    // Presses a button the way a click does; returns false when the box has no such button.
    bool Press(int button) const;
};
// A message box of the process when one is up: a #32770 window with push buttons and a
// static text but no library list.
std::optional<MessageBoxView> FindMessageBox(DWORD processId);

// Reads every row of a list view in another process (LVM_GETITEMTEXTW through memory
// allocated in that process).
std::vector<std::vector<std::wstring>> ReadListView(HWND list, int columns);
// The same for only the given columns, in that order: each cell is a round trip to the
// program, and a long list has many.
std::vector<std::vector<std::wstring>> ReadListViewColumns(HWND list, const std::vector<int>& columns);

// The tray icon (owner window, id) as Wine's explorer knows it: NIM_MODIFY with no
// flags changes nothing and succeeds only for an icon that exists.
bool TrayIconExists(HWND owner, UINT id);
// Wine's taskbar keeps a button per top-level window, as a child of Shell_TrayWnd whose
// control id is the window handle; true when such a button is visible.
bool TaskbarButtonVisible(HWND window);

// ---------------------------------------------------------------------------------
// One run of Reelkeep.exe

class RunningProgram {
public:
    // Starts <folder>Reelkeep.exe with the given arguments, current folder = its folder,
    // in this process's environment with `environment` ("NAME=value") set on top.
    RunningProgram(const ScratchProgram& program, const std::wstring& arguments = L"",
                   const std::vector<std::wstring>& environment = {});
    // Starts any executable with its folder as the current folder (an installed copy).
    explicit RunningProgram(const std::wstring& executable, const std::wstring& arguments = L"");
    // Ends the process if it still runs: tests never leave a Reelkeep.exe behind, or the
    // next start would take itself for a second instance.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    DWORD processId() const { return processId_; }
    bool IsRunning() const;
    bool WaitForExit(Milliseconds timeout) const;
    // The exit code once the process has ended.
    std::optional<DWORD> ExitCode() const;
    void Terminate();

    // The main window once it exists (visible or not); null on time-out or exit.
    HWND WaitForMainWindow(Milliseconds timeout) const;
    // The main window once it is visible; null on time-out or exit.
    HWND WaitForVisibleMainWindow(Milliseconds timeout) const;
    HWND MainWindow() const;

private:
    void Start(const std::wstring& executable, const std::wstring& folder, const std::wstring& arguments,
               const std::vector<std::wstring>& environment);

    platform::UniqueHandle process_;
    DWORD processId_ = 0;
};

// What a run showed until the process ended: every message box (in order, each answered
// by `answer`, which returns the button to press) and whether a main window appeared.
struct RunTranscript {
    std::vector<std::wstring> messages;
    bool mainWindowSeen = false;
    bool exited = false;
};
using Answerer = std::function<int(const MessageBoxView&)>;
RunTranscript WatchUntilExit(RunningProgram& run, const Answerer& answer, Milliseconds timeout);

// Waits for the visible main window, answering every message box on the way (No where it
// is offered, else OK); the texts of those boxes, in order, and whether the window came.
struct StartWatch {
    std::vector<std::wstring> messages;
    bool mainWindowShown = false;
};
StartWatch WatchStartUntilMainWindow(RunningProgram& run, Milliseconds timeout);

// Polls `condition` every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout);
// For what must NOT happen where no event marks the moment it no longer could: an
// observation window. True when `condition` holds at every poll through `span`; false
// at the first poll where it fails.
bool HoldsThroughout(const std::function<bool()>& condition, Milliseconds span);

// ---------------------------------------------------------------------------------
// Registry

struct RegistryValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    // The text of a REG_SZ value without its terminating zero.
    std::wstring Text() const;
    std::optional<DWORD> Dword() const;
};

// Every value of the key in enumeration order; nullopt when the key does not open.
std::optional<std::vector<RegistryValue>> ReadKeyValues(HKEY root, const std::wstring& path);
std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& path);
void DeleteKeyTree(HKEY root, const std::wstring& path);
void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);

// ---------------------------------------------------------------------------------
// What the display shows

// A window's frame as the display shows it now, read back from the screen.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    bool operator==(const ScreenPicture&) const = default;
};
ScreenPicture PictureOf(HWND window);

// Waits until the window's picture holds still and `shows` (when given) holds, so that a
// screenshot taken next shows what the test waited for rather than a paint under way:
// the picture must stay the same, and `shows` hold, at every poll through a fifth of a
// second.
bool WaitForSteadyPicture(HWND window, Milliseconds timeout, const std::function<bool()>& shows = {});

// ---------------------------------------------------------------------------------
// Screenshots

// Asks the shell loop of run.sh for a picture of the whole X display and waits for it.
// `name` becomes <screenshots>/<name>.png; returns the Windows path of the picture.
// Throws with a clear message when no loop answers (the binary was started by hand).
std::wstring TakeScreenshot(const std::wstring& name, Milliseconds timeout = 20s);
// The same, cut to a window's frame: the pictures of the user's guide.
std::wstring TakeWindowScreenshot(const std::wstring& name, HWND window, Milliseconds timeout = 20s);
// A picture of the display, cut to `crop` ("WxH+X+Y") unless it is empty.
std::wstring RequestPicture(const std::wstring& name, const std::string& crop, Milliseconds timeout);

// ---------------------------------------------------------------------------------
// Wine's trace output

// The driver's stderr, which run.sh sends to a file: processes started from the driver
// write their Wine traces there (a process started with WINEDEBUG=trace+reg, say).
class TraceLog {
public:
    // Remembers where the log ends now; throws when run.sh gave no log.
    TraceLog();
    // Everything written to the log since construction.
    std::string ReadNew() const;

private:
    std::wstring path_;
    size_t start_ = 0;
};

// The value names of every registry write (NtSetValueKey) in a trace+reg log, in order.
std::vector<std::wstring> RegistryWritesIn(const std::string& log);

// True while a process of the prefix runs this executable (a full Windows path).
bool ProcessRunsFrom(const std::wstring& executable);

// Ends every Reelkeep.exe that a scratch folder of this layer started; returns how many
// other Reelkeep.exe processes run (those would confuse the single-instance test).
int EndLeftoverPrograms();

}  // namespace e2e
