/* Prints where a tool started by the program runs: its window station and desktop, and
   whether it was given a console. */
#include <windows.h>

#include <stdio.h>

static void ObjectName(HANDLE object, wchar_t* name, DWORD size) {
    name[0] = L'\0';
    GetUserObjectInformationW(object, UOI_NAME, name, size, NULL);
}

int wmain(void) {
    wchar_t station[64];
    wchar_t desktop[64];
    ObjectName(GetProcessWindowStation(), station, sizeof station);
    ObjectName(GetThreadDesktop(GetCurrentThreadId()), desktop, sizeof desktop);
    printf("%ls\\%ls %s\n", station, desktop, GetConsoleWindow() != NULL || GetConsoleCP() != 0 ? "console" : "no console");
    return 0;
}
