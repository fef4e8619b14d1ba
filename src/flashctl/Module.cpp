#include "flashctl/Module.h"

#include <atomic>

namespace flashctl {

namespace {
HINSTANCE instance = nullptr;
std::atomic<long> references{0};
}  // namespace

HINSTANCE ModuleInstance() { return instance; }
void SetModuleInstance(HINSTANCE value) { instance = value; }

void ModuleAddRef() { ++references; }
void ModuleRelease() { --references; }
bool ModuleInUse() { return references.load() > 0; }

}  // namespace flashctl
