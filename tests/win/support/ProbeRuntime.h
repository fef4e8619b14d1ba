#pragma once
// The in-memory runtime loaded from our own probe DLL (helpers/loader_probe.cpp and
// helpers/control_probe.cpp), and typed access to its exports.
#include <windows.h>

#include "flashhost/FlashRuntime.h"
#include "flashhost/ProcCast.h"
#include "ScratchFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace testing_support {

inline const std::vector<char>& ProbeImage() {
    static const std::vector<char> bytes = [] {
        std::ifstream file(std::filesystem::path(BinFolder() + L"loader_probe.dll"), std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

struct RuntimeDeleter {
    void operator()(flashhost::FlashRuntime* runtime) const { flashhost::FlashRuntime::Release(runtime); }
};
using RuntimePtr = std::unique_ptr<flashhost::FlashRuntime, RuntimeDeleter>;

inline RuntimePtr LoadRuntime(const std::vector<char>& image = ProbeImage()) {
    return RuntimePtr(flashhost::FlashRuntime::Create(image.data(), image.size()));
}

template <typename Function>
Function Export(const flashhost::FlashRuntime& runtime, const char* name) {
    return flashhost::ProcCast<Function>(runtime.ImageExport(name));
}

}  // namespace testing_support
