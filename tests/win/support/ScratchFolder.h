#pragma once
// A folder of its own for one test under %TEMP%, removed with everything in it afterwards,
// and the folder of the test binary (ffmpeg.exe and the made test clips sit there).
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace testing_support {

inline std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& purpose) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::wstring(temp) + L"reelkeep-" + purpose + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }

    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        platform::UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
        if (find) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = folder + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(child + L"\\");
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find.get(), &found));
        }
        find.reset();
        RemoveDirectoryW(folder.c_str());
    }

private:
    std::wstring path_;
};

}  // namespace testing_support
