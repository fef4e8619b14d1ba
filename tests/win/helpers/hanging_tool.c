/* A stand-in for ffmpeg.exe that never finishes: it prints the start of a report, starts
   a copy of itself that holds the same output pipe, and both sleep forever. Only ending
   the whole process tree stops it. A file whose name holds "quick" is answered at once
   with a one-stream report instead, so a library can mix hanging and answering clips. A
   file whose name holds "silent-once" gets no output at all on its first probe (a marker
   file beside it remembers that) and the one-stream report afterwards. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"--grandchild") == 0) {
        Sleep(INFINITE);
        return 0;
    }
    if (argc > 2 && wcsstr(argv[argc - 1], L"silent-once") != NULL) {
        wchar_t marker[MAX_PATH + 8];
        swprintf(marker, MAX_PATH + 8, L"%ls.seen", argv[argc - 1]);
        if (GetFileAttributesW(marker) == INVALID_FILE_ATTRIBUTES) {
            CloseHandle(CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
            return 1;
        }
    }
    if (argc > 2 && (wcsstr(argv[argc - 1], L"quick") != NULL || wcsstr(argv[argc - 1], L"silent-once") != NULL)) {
        fputs("    Stream #0:0: Video: quick, 1x1\n", stderr);
        return 1;
    }
    /* Text mode: the C runtime writes "\r\n" for the line end, as ffmpeg.exe does. */
    fputs("  Duration: 00:00:07.00, start: 0.000000, bitrate: 99 kb/s\n", stderr);
    fflush(stderr);

    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(NULL, self, MAX_PATH) == 0) return 2;
    wchar_t commandLine[MAX_PATH + 32];
    swprintf(commandLine, MAX_PATH + 32, L"\"%ls\" --grandchild", self);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started)) return 3;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    Sleep(INFINITE);
    return 0;
}
