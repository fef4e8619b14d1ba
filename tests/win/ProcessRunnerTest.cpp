// RunAndCapture with small commands of the system's own.
#include "platform/ProcessRunner.h"
#include "platform/ProgramFolder.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace platform {
namespace {

using namespace std::chrono_literals;

TEST(ProcessRunner, OutputAndErrorArriveOnOnePipe) {
    const CapturedRun run = RunAndCapture(L"cmd /c \"echo to-output& echo to-error 1>&2\"", 10s);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_NE(run.text.find(L"to-output\r\n"), std::wstring::npos) << run.text.size();
    EXPECT_NE(run.text.find(L"to-error"), std::wstring::npos);
}

TEST(ProcessRunner, OutputLargerThanThePipeBufferArrivesWhole) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path =
        std::wstring(temp) + L"reelkeep-runner-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    std::string content;
    for (int line = 0; line < 20000; ++line) content += "line " + std::to_string(line) + "\r\n";
    {
        UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    }
    const CapturedRun run = RunAndCapture(L"cmd /c type \"" + path + L"\"", 20s);
    DeleteFileW(path.c_str());
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.text.size(), content.size());
    EXPECT_EQ(run.text.substr(run.text.size() - 12), L"line 19999\r\n");
}

// Tools share no console and no desktop with the program: nothing of theirs can show, and
// under Wine they never connect to the display that paints the program's windows.
TEST(ProcessRunner, ToolsRunOnTheToolsDesktopWithoutAConsole) {
    const CapturedRun run = RunAndCapture(L"\"" + ProgramFolder() + L"tool_place.exe\"", 10s);
    ASSERT_TRUE(run.started) << run.startError;
    EXPECT_EQ(run.text, L"Reelkeep-tools\\Default no console\r\n");
}

TEST(ProcessRunner, ProgramThatCannotStartIsReported) {
    const CapturedRun run = RunAndCapture(L"\"C:\\no\\such\\tool.exe\" -i x", 5s);
    EXPECT_FALSE(run.started);
    EXPECT_TRUE(run.startError == ERROR_FILE_NOT_FOUND || run.startError == ERROR_PATH_NOT_FOUND) << run.startError;
    EXPECT_EQ(run.text, L"");
}

}  // namespace
}  // namespace platform
