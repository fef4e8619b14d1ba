#pragma once
// Executable stubs that let a plain function learn which runtime and which real function
// it stands in for. x86-64 passes the first four arguments in registers and the rest on a
// stack the caller owns, so a stub cannot slip extra arguments in front of the caller's
// ones without knowing how many there are. Instead each stub parks a pointer to its
// binding in a thread-local slot of our own and jumps on; the replacement reads the slot
// first thing, before it calls anything that could run another stub on this thread.
//
// Layout of one stub (31 bytes, padded to 32), for a slot index below 64:
//   49 BA <binding:8>           mov r10, binding
//   65 4C 89 14 25 <disp32:4>   mov gs:[0x1480 + 8 * slot], r10   ; TEB TlsSlots[slot]
//   48 B8 <target:8>            mov rax, target
//   FF E0                       jmp rax
// r10 and rax are scratch registers that carry no argument, and the stack is untouched,
// so the target receives the caller's arguments and return address exactly as they were.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace flashhost {

class FlashRuntime;

// What a stub tells its target: the runtime it belongs to and the function it replaces
// (null for the window-procedure stub).
struct ThunkBinding {
    FlashRuntime* runtime = nullptr;
    void* real = nullptr;
};

// The binding of the stub that led to the running replacement. Read it on entry only.
const ThunkBinding& CurrentThunkBinding();

// Executable memory for stubs, released with the arena. Not thread-safe: the runtime
// serialises the calls.
class ThunkArena {
public:
    static constexpr std::size_t kThunkSize = 32;

    ThunkArena() = default;
    ~ThunkArena();
    ThunkArena(const ThunkArena&) = delete;
    ThunkArena& operator=(const ThunkArena&) = delete;

    // A stub that publishes `binding` and jumps to `target`; null when no executable
    // memory is left or the process has no slot for bindings.
    void* Make(const ThunkBinding* binding, const void* target);

private:
    std::vector<unsigned char*> pages_;
    std::size_t used_ = 0;
};

}  // namespace flashhost
