#pragma once
// GetProcAddress hands back a FARPROC whatever the function's real type; this names the
// type without the compiler's warning about unrelated function types.
#include <windows.h>

namespace flashhost {

template <typename Function>
Function ProcCast(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace flashhost
