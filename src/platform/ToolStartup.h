#pragma once
// How every outside tool starts: hidden, with no console of its own (a console tool given
// pipes for its output needs none, and each console would be one more process to start),
// on the desktop of a window station of the program's own. That window station is not
// interactive: nothing a tool might show can cover the user's windows, and under Wine a
// process there never connects to the X display. Four probes starting at once would
// otherwise each connect to the one display server that paints the program's window.
#include <windows.h>

namespace platform {

// Sets the window, console and desktop parts of a tool's start. Where the system gives no
// window station of our own, the tool starts on the program's desktop.
void PrepareToolStartup(STARTUPINFOW& startup, DWORD& creationFlags);

// Makes the tools' desktop now rather than at the first tool's start. Making it switches
// the process's window station for a moment, which is best done while the program has one
// thread: a clipboard opened meanwhile would be the other station's.
void PrepareToolDesktop();

}  // namespace platform
