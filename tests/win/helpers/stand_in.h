/* What every stand-in for ffmpeg.exe needs: its own folder, the files beside it, its
   arguments, and a way to hand a start on to the real tool. */
#pragma once
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static wchar_t folder[MAX_PATH];

/* The stand-in's own folder, with its trailing backslash; FALSE when it cannot be known. */
static BOOL FindOwnFolder(void) {
    if (GetModuleFileNameW(NULL, folder, MAX_PATH) == 0) return FALSE;
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (slash) slash[1] = L'\0';
    return TRUE;
}

static void Beside(wchar_t* path, const wchar_t* name) { swprintf(path, MAX_PATH * 2, L"%ls%ls", folder, name); }

/* The command line after the program's own name. */
static const wchar_t* Arguments(void) {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        line = wcschr(line + 1, L'"');
        return line ? line + 1 : L"";
    }
    while (*line && *line != L' ') ++line;
    return line;
}

/* Runs `real` on the same arguments and standard handles, and gives its exit code. */
static DWORD Delegate(const wchar_t* real) {
    static wchar_t commandLine[32768];
    swprintf(commandLine, 32768, L"\"%ls\"%ls", real, Arguments());
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started)) return 9;
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code;
}
