#pragma once
// What the conversion tests share: an ffmpeg of the user's own, the files of a folder,
// and keeping outputs for the Linux ffprobe.
#include "platform/CommandLine.h"
#include "platform/UniqueHandle.h"
#include "ScratchFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace testing_support {

// An ffmpeg of the user's own, outside any job of ours.
class ForeignFfmpeg {
public:
    ForeignFfmpeg() {
        // Our ffmpeg.exe has no generated sources: it reads the 60-s clip at its own pace.
        std::wstring line = platform::QuoteProgram(BinFolder() + L"ffmpeg.exe") + L" -hide_banner -nostats -re -i " +
                            platform::QuoteArgument(BinFolder() + L"probe-clips\\convert-60s.flv") +
                            L" -c:v rawvideo -c:a pcm_s16le -f null -";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &started)) {
            process_.reset(started.hProcess);
            CloseHandle(started.hThread);
        }
    }
    ~ForeignFfmpeg() {
        if (process_) TerminateProcess(process_.get(), 0);
    }
    bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

private:
    platform::UniqueHandle process_;
};

// The names of the files (not folders) in `folder` (ending in a backslash), sorted.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    platform::UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (find) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
        } while (FindNextFileW(find.get(), &entry));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// When the test run asks for it (REELKEEP_CONVERT_OUTPUTS, a folder), each output is
// kept there as <surface>-<format><extension>, for the Linux ffprobe to check afterwards.
inline void KeepForLinuxCheck(const std::wstring& output, const wchar_t* surfaceName, int format,
                              const wchar_t* extension) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"REELKEEP_CONVERT_OUTPUTS", folder, MAX_PATH) == 0) return;
    CreateDirectoryW(folder, nullptr);
    const std::wstring kept = std::wstring(folder) + L"\\" + surfaceName + L"-" + std::to_wstring(format) + extension;
    EXPECT_TRUE(CopyFileW(output.c_str(), kept.c_str(), FALSE)) << "cannot keep " << kept.size();
}

}  // namespace testing_support
