/* A stand-in for ffmpeg.exe that counts its starts: each start adds the probed file (the
   last argument) as one line to "starts.log" beside it. With "ffmpeg-real.exe" beside it,
   that tool does the work, on the same arguments and output handles. Without it, the
   report comes from "reports\<size of the probed file>.txt" beside it, else from
   "reports\default.txt", with every "%PATH%" in it made the probed file's path: a start
   then costs no more than starting this small program, so thousands of clips can be
   probed in a test. */
#include "stand_in.h"

#include <string.h>

static void CountStart(const wchar_t* probed) {
    wchar_t log[MAX_PATH * 2];
    Beside(log, L"starts.log");
    /* Starts run side by side, and Wine's appends are a seek and a write that two
       processes can interleave: each start has the log to itself while it writes. */
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 5000 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_SHARING_VIOLATION) return;
            Sleep(1);
        }
    }
    if (file == INVALID_HANDLE_VALUE) return;
    char line[MAX_PATH * 4];
    const int length = WideCharToMultiByte(CP_UTF8, 0, probed, -1, line, sizeof line - 2, NULL, NULL);
    if (length > 0) {
        line[length - 1] = '\n';
        DWORD written = 0;
        WriteFile(file, line, (DWORD)length, &written, NULL);
    }
    CloseHandle(file);
}

static int Answer(const wchar_t* probed) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    wchar_t name[64] = L"reports\\default.txt";
    if (GetFileAttributesExW(probed, GetFileExInfoStandard, &data))
        swprintf(name, 64, L"reports\\%lu.txt", data.nFileSizeLow);
    wchar_t path[MAX_PATH * 2];
    Beside(path, name);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) Beside(path, L"reports\\default.txt");
    static char report[65536];
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD got = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, report, sizeof report - 1, &got, NULL);
        CloseHandle(file);
    }
    report[got] = '\0';
    char probedText[MAX_PATH * 4];
    WideCharToMultiByte(CP_ACP, 0, probed, -1, probedText, sizeof probedText, NULL, NULL);
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    for (const char* at = report;;) {
        const char* mark = strstr(at, "%PATH%");
        WriteFile(out, at, mark ? (DWORD)(mark - at) : (DWORD)strlen(at), &written, NULL);
        if (!mark) break;
        WriteFile(out, probedText, (DWORD)strlen(probedText), &written, NULL);
        at = mark + 6;
    }
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (!FindOwnFolder()) return 2;
    const wchar_t* probed = argc > 1 ? argv[argc - 1] : L"";
    CountStart(probed);
    wchar_t real[MAX_PATH * 2];
    Beside(real, L"ffmpeg-real.exe");
    return GetFileAttributesW(real) != INVALID_FILE_ATTRIBUTES ? (int)Delegate(real) : Answer(probed);
}
