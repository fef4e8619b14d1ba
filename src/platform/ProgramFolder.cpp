#include "platform/ProgramFolder.h"

#include <windows.h>

namespace platform {

std::wstring ExecutablePath() {
    // The path can exceed MAX_PATH; a full buffer means it was cut short.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FolderOfPath(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

const std::wstring& ProgramFolder() {
    static const std::wstring folder = FolderOfPath(ExecutablePath());
    return folder;
}

const std::wstring& LibraryFolder() {
    static const std::wstring folder = ProgramFolder() + L"Videos\\";
    return folder;
}

}  // namespace platform
