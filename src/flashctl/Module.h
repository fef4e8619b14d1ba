#pragma once
// State of the control's image as a whole: its instance handle (from the entry point: the
// image may be mapped by hand, so no loader query can find it) and the count of live
// objects and server locks that DllCanUnloadNow answers from.
#include <windows.h>

namespace flashctl {

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// A base for objects whose life keeps the image loaded.
class ModuleReference {
public:
    ModuleReference() { ModuleAddRef(); }
    ~ModuleReference() { ModuleRelease(); }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

}  // namespace flashctl
