#include "Harness.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace e2e {

namespace {

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

[[noreturn]] void Fail(const std::wstring& what) {
    const DWORD error = GetLastError();
    throw std::runtime_error(Narrow(what) + " (error " + std::to_string(error) + ")");
}

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(name, buffer, ARRAYSIZE(buffer));
    if (length == 0 || length >= ARRAYSIZE(buffer)) return {};
    return std::wstring(buffer, length);
}

// Test names may carry characters a folder name cannot ("/" of parameterised tests).
std::wstring SafeFolderName(const std::wstring& name) {
    std::wstring result = name;
    for (wchar_t& c : result) {
        if (!(std::iswalnum(c) || c == L'_' || c == L'-' || c == L'.')) c = L'_';
    }
    return result;
}

}  // namespace

std::wstring BuildProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) Fail(L"GetModuleFileNameW");
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// ---------------------------------------------------------------------------------
// Files

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(L"cannot create " + path);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(L"cannot write " + path);
}

namespace {

// Every scratch folder's ffmpeg.exe is a hard link to the build's. Under Wine no link of a
// file may be deleted while any process runs it, and a tool that an earlier test's program
// started may still be ending; a link may be renamed, though. Such a file is moved into a
// folder of its own on the same drive, which the next run clears of what has ended.
bool DeleteOrSetAside(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return true;
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    static std::atomic<unsigned> setAside{0};
    const std::wstring folder = L"C:\\e2e-set-aside\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring target = folder + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++setAside);
    return MoveFileExW(path.c_str(), target.c_str(), 0) != FALSE;
}

}  // namespace

void ClearSetAsideFiles() {
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW(L"C:\\e2e-set-aside\\*", &entry));
    if (!find) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((std::wstring(L"C:\\e2e-set-aside\\") + entry.cFileName).c_str());
    } while (FindNextFileW(find.get(), &entry));
}

void RemoveTree(const std::wstring& path) {
    std::wstring trimmed = path;
    while (trimmed.size() > 3 && trimmed.back() == L'\\') trimmed.pop_back();
    const DWORD attributes = GetFileAttributesW(trimmed.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(trimmed.c_str(), FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeleteOrSetAside(trimmed) && !RemoveDirectoryW(trimmed.c_str())) Fail(L"cannot delete " + trimmed);
        return;
    }
    WIN32_FIND_DATAW entry;
    {
        platform::UniqueFind find(FindFirstFileW((trimmed + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") RemoveTree(trimmed + L"\\" + name);
            } while (FindNextFileW(find.get(), &entry));
        }
    }
    if (!RemoveDirectoryW(trimmed.c_str())) Fail(L"cannot remove folder " + trimmed);
}

void MakeDirectories(const std::wstring& path) {
    const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        Fail(L"cannot create folder " + path);
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) Fail(L"SHGetSpecialFolderPathW");
    return path;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) throw std::runtime_error("wine_get_unix_file_name is missing: not running under Wine");
    char* unixPath = convert(windowsPath.c_str());
    if (unixPath == nullptr) Fail(L"no Unix path for " + windowsPath);
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

std::wstring WindowsPathOf(const std::string& unixPath) {
    using Converter = wchar_t*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (convert == nullptr) throw std::runtime_error("wine_get_dos_file_name is missing: not running under Wine");
    wchar_t* windowsPath = convert(unixPath.c_str());
    if (windowsPath == nullptr) throw std::runtime_error("no Windows path for " + unixPath);
    std::wstring result = windowsPath;
    HeapFree(GetProcessHeap(), 0, windowsPath);
    return result;
}

// ---------------------------------------------------------------------------------
// Scratch program folder

ScratchProgram::ScratchProgram(const std::wstring& name) : folder_(L"C:\\e2e\\" + SafeFolderName(name) + L"\\") {
    RemoveTree(folder_);
    MakeDirectories(folder_);
    const std::wstring source = BuildProgramFolder();
    for (const wchar_t* file : {L"Reelkeep.exe", L"player.swf"}) {
        if (!CopyFileW((source + file).c_str(), (folder_ + file).c_str(), FALSE))
            Fail(std::wstring(L"cannot copy ") + file + L" from " + source);
    }
    // ffmpeg.exe is 64 MB; a hard link costs nothing when the build and the prefix share
    // a file system, a copy otherwise.
    const std::wstring ffmpeg = source + L"ffmpeg.exe";
    if (!CreateHardLinkW((folder_ + L"ffmpeg.exe").c_str(), ffmpeg.c_str(), nullptr) &&
        !CopyFileW(ffmpeg.c_str(), (folder_ + L"ffmpeg.exe").c_str(), FALSE))
        Fail(L"cannot copy ffmpeg.exe from " + source);
}

ScratchProgram::~ScratchProgram() {
    if (keep_) return;
    try {
        RemoveTree(folder_);
    } catch (const std::exception&) {
        // A file the ended process still held; the next run of this test starts afresh.
    }
}

void ScratchProgram::RemoveCompanion(Companion companion) {
    const std::wstring path = Path(companion == Companion::Ffmpeg ? L"ffmpeg.exe" : L"player.swf");
    if (!DeleteOrSetAside(path)) Fail(L"cannot delete " + path);
}

void ScratchProgram::UseSignedProgram() {
    const std::wstring source = BuildProgramFolder() + L"signed\\Reelkeep.exe";
    if (!CopyFileW(source.c_str(), ExecutablePath().c_str(), FALSE)) Fail(L"cannot copy " + source);
}

// ---------------------------------------------------------------------------------
// Windows of another process

std::wstring WindowText(HWND window) {
    // The text as the window manager keeps it: no message goes to the other process, so a
    // busy or hung program cannot stall the test here.
    wchar_t buffer[1024] = {};
    const int length = InternalGetWindowText(window, buffer, ARRAYSIZE(buffer));
    return std::wstring(buffer, length > 0 ? length : 0);
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(window, buffer, ARRAYSIZE(buffer));
    return std::wstring(buffer, length > 0 ? length : 0);
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsMainWindow(HWND window) {
    return ClassName(window) == L"#32770" && WindowText(window) == L"Reelkeep" &&
           FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr) != nullptr;
}

HWND WaitForWindowTitled(DWORD processId, const std::wstring& caption, Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindowsOf(processId))
                if (IsWindowVisible(window) && WindowText(window) == caption) found = window;
            return found != nullptr;
        },
        timeout);
    return found;
}

void PressKey(HWND window, UINT key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == window || IsChild(window, info.hwndFocus)))
        target = info.hwndFocus;
    // Repeat count 1; the key-up carries the previous-state and transition bits.
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

bool MessageBoxView::Has(int button) const {
    return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

bool MessageBoxView::Press(int button) const {
    HWND control = GetDlgItem(window, button);
    if (!Has(button) || control == nullptr) return false;
    // The box ends on WM_COMMAND with the button's id, exactly what a click sends; posting
    // it keeps this thread out of the other process's modal loop.
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control)) != 0;
}

std::optional<MessageBoxView> FindMessageBox(DWORD processId) {
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (ClassName(window) != L"#32770" || !IsWindowVisible(window) || IsMainWindow(window)) continue;
        MessageBoxView view;
        view.window = window;
        view.caption = WindowText(window);
        std::wstring anyStatic;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            const std::wstring kind = ClassName(child);
            const int id = GetDlgCtrlID(child);
            if (_wcsicmp(kind.c_str(), L"Button") == 0 && id >= IDOK && id <= IDCONTINUE && IsWindowVisible(child)) {
                view.buttons.push_back(id);
            } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
                const std::wstring text = WindowText(child);
                // The system gives the message text the id 0xFFFF; any other static with
                // text is the fallback for boxes built differently.
                if (id == 0xFFFF && !text.empty())
                    view.text = text;
                else if (anyStatic.empty())
                    anyStatic = text;
            }
        }
        if (view.text.empty()) view.text = anyStatic;
        if (!view.buttons.empty()) return view;
    }
    return std::nullopt;
}

std::vector<std::vector<std::wstring>> ReadListView(HWND list, int columns) {
    std::vector<int> all(static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column) all[static_cast<std::size_t>(column)] = column;
    return ReadListViewColumns(list, all);
}

std::vector<std::vector<std::wstring>> ReadListViewColumns(HWND list, const std::vector<int>& columns) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    platform::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) Fail(L"OpenProcess for the list view");

    constexpr int kTextCapacity = 1024;
    const SIZE_T size = sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) Fail(L"VirtualAllocEx");
    auto* remoteItem = static_cast<LVITEMW*>(remote);
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<BYTE*>(remote) + sizeof(LVITEMW));

    std::vector<std::vector<std::wstring>> rows;
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (const int column : columns) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = column;
            item.pszText = remoteText;
            item.cchTextMax = kTextCapacity;
            std::wstring cell;
            wchar_t text[kTextCapacity] = {};
            DWORD_PTR length = 0;
            if (WriteProcessMemory(process.get(), remoteItem, &item, sizeof item, nullptr) &&
                SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remoteItem), SMTO_ABORTIFHUNG,
                                    2000, &length) &&
                ReadProcessMemory(process.get(), remoteText, text,
                                  (std::min<size_t>(length, kTextCapacity - 1) + 1) * sizeof(wchar_t), nullptr))
                cell.assign(text, std::min<size_t>(length, kTextCapacity - 1));
            cells.push_back(cell);
        }
        rows.push_back(std::move(cells));
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return rows;
}

bool TrayIconExists(HWND owner, UINT id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool TaskbarButtonVisible(HWND window) {
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr) return false;
    for (HWND child = GetWindow(tray, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongPtrW(child, GWLP_ID) == reinterpret_cast<LONG_PTR>(window)) return IsWindowVisible(child);
    }
    return false;
}

// ---------------------------------------------------------------------------------
// One run of Reelkeep.exe

namespace {

// This process's environment with the given entries replacing those of the same name,
// as a CreateProcessW block.
std::wstring EnvironmentBlock(const std::vector<std::wstring>& overrides) {
    std::vector<std::wstring> entries;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) entries.emplace_back(entry);
        FreeEnvironmentStringsW(strings);
    }
    for (const std::wstring& override : overrides) {
        const std::wstring name = override.substr(0, override.find(L'=') + 1);
        std::erase_if(entries, [&](const std::wstring& entry) {
            return _wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
        });
        entries.push_back(override);
    }
    std::wstring block;
    for (const std::wstring& entry : entries) block += entry + L'\0';
    return block + L'\0';
}

}  // namespace

RunningProgram::RunningProgram(const ScratchProgram& program, const std::wstring& arguments,
                               const std::vector<std::wstring>& environment) {
    Start(program.ExecutablePath(), program.folder(), arguments, environment);
}

RunningProgram::RunningProgram(const std::wstring& executable, const std::wstring& arguments) {
    Start(executable, executable.substr(0, executable.rfind(L'\\') + 1), arguments, {});
}

void RunningProgram::Start(const std::wstring& executable, const std::wstring& folder, const std::wstring& arguments,
                           const std::vector<std::wstring>& environment) {
    std::wstring commandLine = L"\"" + executable + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring block = environment.empty() ? std::wstring() : EnvironmentBlock(environment);
    // Wine now and then refuses a start with ERROR_INTERNAL_ERROR while another process
    // of the same image is starting; nothing ran, so the start is simply made again.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(200);
        started =
            CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                           block.empty() ? nullptr : block.data(), folder.c_str(), &startup, &info) != FALSE;
        if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    if (!started) Fail(L"cannot start " + commandLine);
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
}

RunningProgram::~RunningProgram() { Terminate(); }

bool RunningProgram::IsRunning() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool RunningProgram::WaitForExit(Milliseconds timeout) const {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> RunningProgram::ExitCode() const {
    DWORD code = 0;
    if (IsRunning() || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

void RunningProgram::Terminate() {
    if (!process_ || !IsRunning()) return;
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
}

HWND RunningProgram::MainWindow() const {
    for (HWND window : TopLevelWindowsOf(processId_)) {
        if (IsMainWindow(window)) return window;
    }
    return nullptr;
}

HWND RunningProgram::WaitForMainWindow(Milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = MainWindow()) != nullptr || !IsRunning(); }, timeout);
    return found;
}

HWND RunningProgram::WaitForVisibleMainWindow(Milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = MainWindow();
            return (found != nullptr && IsWindowVisible(found)) || !IsRunning();
        },
        timeout);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

RunTranscript WatchUntilExit(RunningProgram& run, const Answerer& answer, Milliseconds timeout) {
    RunTranscript transcript;
    HWND lastAnswered = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (run.MainWindow() != nullptr) transcript.mainWindowSeen = true;
        if (auto box = FindMessageBox(run.processId()); box && box->window != lastAnswered) {
            transcript.messages.push_back(box->text);
            box->Press(answer(*box));
            lastAnswered = box->window;
        }
        if (run.WaitForExit(20ms)) {
            transcript.exited = true;
            break;
        }
    }
    return transcript;
}

StartWatch WatchStartUntilMainWindow(RunningProgram& run, Milliseconds timeout) {
    StartWatch watch;
    watch.mainWindowShown = WaitUntil(
        [&] {
            if (auto box = FindMessageBox(run.processId())) {
                watch.messages.push_back(box->text);
                box->Press(box->Has(IDNO) ? IDNO : IDOK);
            }
            HWND window = run.MainWindow();
            return window != nullptr && IsWindowVisible(window);
        },
        timeout);
    return watch;
}

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

bool HoldsThroughout(const std::function<bool()>& condition, Milliseconds span) {
    return !WaitUntil([&] { return !condition(); }, span);
}

// ---------------------------------------------------------------------------------
// What the display shows

ScreenPicture PictureOf(HWND window) {
    ScreenPicture picture;
    RECT frame{};
    if (!GetWindowRect(window, &frame) || frame.right <= frame.left || frame.bottom <= frame.top) return picture;
    picture.width = frame.right - frame.left;
    picture.height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = picture.width;
    request.bmiHeader.biHeight = -picture.height;  // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    GetDIBits(memory, bitmap, 0, picture.height, picture.pixels.data(), &request, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool WaitForSteadyPicture(HWND window, Milliseconds timeout, const std::function<bool()>& shows) {
    // Long enough for a control that paints in steps, and for the delay with which the
    // program's drawing reaches the display.
    constexpr auto kSteadySpan = 200ms;
    ScreenPicture last;
    auto lastChange = std::chrono::steady_clock::now();
    return WaitUntil(
        [&] {
            // A state that a control reports may be ahead of its paint: the span counts
            // from when the state holds as well as from the last change of the picture.
            const bool showing = !shows || shows();
            ScreenPicture now = PictureOf(window);
            const auto at = std::chrono::steady_clock::now();
            if (!showing || now.pixels.empty() || now != last) {
                last = std::move(now);
                lastChange = at;
                return false;
            }
            return at - lastChange >= kSteadySpan;
        },
        timeout);
}

// ---------------------------------------------------------------------------------
// Registry

std::wstring RegistryValue::Text() const {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::optional<DWORD> RegistryValue::Dword() const {
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&value));
    return value;
}

std::optional<std::vector<RegistryValue>> ReadKeyValues(HKEY root, const std::wstring& path) {
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    std::vector<RegistryValue> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = ARRAYSIZE(name);
        DWORD type = 0;
        DWORD size = 0;
        LONG status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail(L"RegEnumValueW in " + path);
        RegistryValue value;
        value.name.assign(name, nameLength);
        value.type = type;
        value.data.resize(size);
        nameLength = ARRAYSIZE(name);
        status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, value.data.data(), &size);
        // The program may write a longer value between the two calls: read that one again.
        if (status == ERROR_MORE_DATA) {
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) Fail(L"RegEnumValueW data in " + path);
        value.data.resize(size);
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    auto values = ReadKeyValues(root, path);
    if (!values) return std::nullopt;
    for (auto& value : *values) {
        if (_wcsicmp(value.name.c_str(), name.c_str()) == 0) return value;
    }
    return std::nullopt;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    platform::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        SetLastError(static_cast<DWORD>(status));
        Fail(L"RegDeleteTreeW " + path);
    }
}

namespace {

platform::UniqueRegKey CreateKey(HKEY root, const std::wstring& path) {
    platform::UniqueRegKey key;
    const LONG status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        Fail(L"RegCreateKeyExW " + path);
    }
    return key;
}

}  // namespace

void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    auto key = CreateKey(root, path);
    if (RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
        ERROR_SUCCESS)
        Fail(L"RegSetValueExW " + name);
}

void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    auto key = CreateKey(root, path);
    if (RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        Fail(L"RegSetValueExW " + name);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueW(key.get(), name.c_str());
}

// ---------------------------------------------------------------------------------
// Screenshots

std::wstring TakeScreenshot(const std::wstring& name, Milliseconds timeout) {
    return RequestPicture(name, "", timeout);
}

std::wstring TakeWindowScreenshot(const std::wstring& name, HWND window, Milliseconds timeout) {
    RECT frame{};
    if (!GetWindowRect(window, &frame)) Fail(L"no window to take a picture of for " + name);
    const std::string crop = std::to_string(frame.right - frame.left) + "x" + std::to_string(frame.bottom - frame.top) +
                             "+" + std::to_string(frame.left) + "+" + std::to_string(frame.top);
    return RequestPicture(name, crop, timeout);
}

std::wstring RequestPicture(const std::wstring& name, const std::string& crop, Milliseconds timeout) {
    const std::wstring requests = EnvironmentValue(L"REELKEEP_E2E_SHOT_REQUESTS");
    const std::wstring pictures = EnvironmentValue(L"REELKEEP_SCREENSHOTS");
    if (requests.empty() || pictures.empty())
        throw std::runtime_error("no screenshot service: run this binary through tests/e2e/run.sh");
    const std::string pictureUnixPath = Narrow(pictures) + "/" + Narrow(name) + ".png";
    const std::wstring requestFolder = WindowsPathOf(Narrow(requests)) + L"\\";
    const std::wstring done = requestFolder + name + L".done";
    DeleteFileW(done.c_str());
    DeleteFileW(WindowsPathOf(pictureUnixPath).c_str());
    // Written under another name and renamed, so the loop never reads half a request.
    WriteWholeFile(requestFolder + name + L".part", pictureUnixPath + "\n" + crop + "\n");
    if (!MoveFileExW((requestFolder + name + L".part").c_str(), (requestFolder + name + L".req").c_str(),
                     MOVEFILE_REPLACE_EXISTING))
        Fail(L"cannot post the screenshot request");
    if (!WaitUntil([&] { return FileExists(done); }, timeout))
        throw std::runtime_error("the screenshot loop of run.sh did not answer");
    const auto answer = ReadWholeFile(done).value_or("");
    DeleteFileW(done.c_str());
    if (answer.rfind("ok", 0) != 0) throw std::runtime_error("screenshot failed: " + answer);
    return WindowsPathOf(pictureUnixPath);
}

TraceLog::TraceLog() {
    const std::wstring unixPath = EnvironmentValue(L"REELKEEP_E2E_STDERR_LOG");
    if (unixPath.empty()) throw std::runtime_error("no stderr log: run this binary through tests/e2e/run.sh");
    path_ = WindowsPathOf(Narrow(unixPath));
    start_ = ReadWholeFile(path_).value_or("").size();
}

std::string TraceLog::ReadNew() const {
    const std::string all = ReadWholeFile(path_).value_or("");
    return all.size() > start_ ? all.substr(start_) : std::string();
}

std::vector<std::wstring> RegistryWritesIn(const std::string& log) {
    // Lines look like: 0120:trace:reg:NtSetValueKey (0x90,L"lastpingtime",1,0x21ebe0,4)
    static constexpr std::string_view kMarker = ":trace:reg:NtSetValueKey (";
    std::vector<std::wstring> names;
    for (size_t at = log.find(kMarker); at != std::string::npos; at = log.find(kMarker, at + 1)) {
        const size_t open = log.find("L\"", at);
        const size_t close = open == std::string::npos ? open : log.find('"', open + 2);
        const size_t lineEnd = log.find('\n', at);
        if (close == std::string::npos || close > lineEnd) continue;
        const std::string name = log.substr(open + 2, close - open - 2);
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

namespace {

// Calls `visit` with each process of the prefix whose file name is `name`, opened for
// `access` (null when it cannot be opened), and its full image path (empty then).
void ForEachProcessNamed(const wchar_t* name, DWORD access,
                         const std::function<void(HANDLE process, const std::wstring& image)>& visit) {
    platform::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) Fail(L"CreateToolhelp32Snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, name) != 0) continue;
        platform::UniqueHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | access, FALSE, entry.th32ProcessID));
        wchar_t path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        const bool known = process && QueryFullProcessImageNameW(process.get(), 0, path, &length);
        visit(process.get(), known ? std::wstring(path, length) : std::wstring());
    }
}

}  // namespace

bool ProcessRunsFrom(const std::wstring& executable) {
    const std::wstring name = executable.substr(executable.find_last_of(L'\\') + 1);
    bool found = false;
    ForEachProcessNamed(name.c_str(), 0, [&](HANDLE, const std::wstring& image) {
        found = found || _wcsicmp(image.c_str(), executable.c_str()) == 0;
    });
    return found;
}

int EndLeftoverPrograms() {
    int others = 0;
    ForEachProcessNamed(L"Reelkeep.exe", PROCESS_TERMINATE | SYNCHRONIZE,
                        [&](HANDLE process, const std::wstring& image) {
                            if (_wcsnicmp(image.c_str(), L"C:\\e2e\\", 7) == 0) {
                                TerminateProcess(process, 98);
                                WaitForSingleObject(process, 10000);
                            } else {
                                ++others;
                            }
                        });
    return others;
}

}  // namespace e2e
