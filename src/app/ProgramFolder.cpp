#include "app/ProgramFolder.h"

#include <windows.h>

namespace app {

namespace {

std::wstring ComputeProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return FolderOfPath(path);
}

}  // namespace

std::wstring FolderOfPath(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

const std::wstring& ProgramFolder() {
    static const std::wstring folder = ComputeProgramFolder();
    return folder;
}

const std::wstring& LibraryFolder() {
    static const std::wstring folder = ProgramFolder() + L"Videos\\";
    return folder;
}

}  // namespace app
