/* A stand-in for ffmpeg.exe whose copies and joins go wrong as "joiner-mode.txt" beside it
   says, while its probes are right: every start is passed on to "ffmpeg-real.exe" beside it,
   on the same arguments and output handles, and then a command that writes a clip (one
   with "-c copy") is spoiled:
     partial   the output cut to 40% of its length, and exit code 0 all the same
     crash     the output cut to 40%, then the end a crash gives (0xC0000005)
     hang      nothing is run: it waits for ever, as a tool stuck on a bad disk
     anything else, or no file: the real tool's work and exit code, untouched
   Each spoiled run adds a line to "spoiled.log" beside it. */
#include "stand_in.h"

#include <string.h>

static void ReadMode(char* mode, DWORD size) {
    wchar_t path[MAX_PATH * 2];
    Beside(path, L"joiner-mode.txt");
    mode[0] = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD read = 0;
    ReadFile(file, mode, size - 1, &read, NULL);
    mode[read] = 0;
    CloseHandle(file);
    for (DWORD i = 0; i < read; ++i)
        if (mode[i] == '\r' || mode[i] == '\n') mode[i] = 0;
}

static void Log(const char* mode) {
    wchar_t path[MAX_PATH * 2];
    Beside(path, L"spoiled.log");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, mode, (DWORD)strlen(mode), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
}

/* The last argument, the output, in double quotes at the end of the command line. */
static void Output(wchar_t* path, size_t size) {
    const wchar_t* line = GetCommandLineW();
    const wchar_t* end = line + wcslen(line);
    while (end > line && end[-1] == L' ') --end;
    path[0] = 0;
    if (end == line || end[-1] != L'"') return;
    const wchar_t* start = end - 1;
    while (start > line && start[-1] != L'"') --start;
    size_t length = (size_t)(end - 1 - start);
    if (length >= size) return;
    wmemcpy(path, start, length);
    path[length] = 0;
}

static void CutOutput(void) {
    wchar_t path[MAX_PATH * 2];
    Output(path, MAX_PATH * 2);
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size)) {
        size.QuadPart = size.QuadPart * 2 / 5;
        SetFilePointerEx(file, size, NULL, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
}

int wmain(void) {
    FindOwnFolder();
    char mode[32];
    ReadMode(mode, sizeof mode);
    const int writesClip = wcsstr(Arguments(), L" -c copy ") != NULL;
    if (writesClip && strcmp(mode, "hang") == 0) {
        Log(mode);
        Sleep(INFINITE);
    }
    wchar_t real[MAX_PATH * 2];
    Beside(real, L"ffmpeg-real.exe");
    const DWORD code = Delegate(real);
    if (!writesClip || (strcmp(mode, "partial") != 0 && strcmp(mode, "crash") != 0)) return (int)code;
    Log(mode);
    CutOutput();
    if (strcmp(mode, "crash") == 0) ExitProcess(0xC0000005);
    return 0;
}
