/* A stand-in for ffmpeg.exe whose conversions die partway yet end with exit code 0, as a
   killed ffmpeg.exe's can under Wine; its probes are the real tool's, which
   REELKEEP_REAL_FFMPEG names. REELKEEP_STAND_IN says how a conversion dies:
   "cut"     the real tool writes the first two seconds only, and everything it printed
             reaches the caller except its closing statistics, which a killed tool never
             prints: a readable file, too short;
   "garbage" a line of text lands where the output belongs.
   A run without "-y" before its last argument is a probe and runs the real tool as it is. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

/* The command line after the program's own name, starting with its blank. */
static const wchar_t* Arguments(const wchar_t* line) {
    if (*line == L'"') {
        const wchar_t* end = wcschr(line + 1, L'"');
        return end ? end + 1 : L"";
    }
    while (*line && *line != L' ') ++line;
    return line;
}

/* Runs the real tool with `arguments`. With `output`, its standard output and error are
   collected there (up to `capacity` bytes) instead of reaching the caller. */
static int RunRealTool(const wchar_t* arguments, char* output, DWORD capacity, DWORD* filled) {
    wchar_t real[MAX_PATH];
    if (!GetEnvironmentVariableW(L"REELKEEP_REAL_FFMPEG", real, MAX_PATH)) return 90;
    const size_t size = wcslen(real) + wcslen(arguments) + 4;
    wchar_t* line = malloc(size * sizeof *line);
    if (!line) return 91;
    swprintf(line, size, L"\"%ls\"%ls", real, arguments);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    HANDLE readEnd = NULL, writeEnd = NULL;
    /* Handed on by name: a tool started without a console gives its console children
       none of its standard handles otherwise. */
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (output) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 92;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
    }
    PROCESS_INFORMATION started;
    /* Without `output` the tool writes into the caller's pipe. */
    const BOOL ran = CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started);
    free(line);
    if (writeEnd) CloseHandle(writeEnd);
    if (!ran) return 93;
    CloseHandle(started.hThread);
    if (output) {
        DWORD got = 0;
        *filled = 0;
        while (*filled < capacity && ReadFile(readEnd, output + *filled, capacity - *filled, &got, NULL) && got)
            *filled += got;
        CloseHandle(readEnd);
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 94;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hProcess);
    return (int)code;
}

int wmain(int argc, wchar_t** argv) {
    const wchar_t* arguments = Arguments(GetCommandLineW());
    if (argc < 3 || wcscmp(argv[argc - 2], L"-y") != 0) return RunRealTool(arguments, NULL, 0, NULL);
    wchar_t mode[16] = L"";
    GetEnvironmentVariableW(L"REELKEEP_STAND_IN", mode, 16);
    if (wcscmp(mode, L"garbage") == 0) {
        FILE* out = _wfopen(argv[argc - 1], L"wb");
        if (!out) return 95;
        fputs("This is not a video.\n", out);
        fclose(out);
        return 0;
    }
    /* "-t 2" just before the last "-y" keeps the output's first two seconds. */
    const wchar_t* y = NULL;
    for (const wchar_t* at = wcsstr(arguments, L" -y "); at; at = wcsstr(at + 1, L" -y ")) y = at;
    if (!y) return 96;
    const size_t size = wcslen(arguments) + 8;
    wchar_t* cut = malloc(size * sizeof *cut);
    if (!cut) return 97;
    swprintf(cut, size, L"%.*ls -t 2%ls", (int)(y - arguments), arguments, y);
    static char printed[1 << 20];
    DWORD filled = 0;
    RunRealTool(cut, printed, sizeof printed - 1, &filled);
    free(cut);
    printed[filled] = '\0';
    char* closing = strstr(printed, "muxing overhead: ");
    if (closing) {
        while (closing > printed && closing[-1] != '\n') --closing;
        filled = (DWORD)(closing - printed);
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), printed, filled, &written, NULL);
    return 0;
}
