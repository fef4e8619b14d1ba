// The batch dialog in the real program: ticked clips, the dialog before and during a
// batch (pictures under build/screenshots/), then Stop and close.
#include "ProgramTest.h"

#include "platform/UniqueHandle.h"
#include "resources/resource.h"

#include <commctrl.h>

namespace e2e {
namespace {

class BatchConvert : public ProgramTest {
protected:
    // Ticks every row of the other process's list: the item state lives in its memory.
    static void TickAll(HWND list) {
        DWORD processId = 0;
        GetWindowThreadProcessId(list, &processId);
        platform::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
        ASSERT_TRUE(process);
        void* remote =
            VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        LVITEMW state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = INDEXTOSTATEIMAGEMASK(2);
        ASSERT_TRUE(WriteProcessMemory(process.get(), remote, &state, sizeof state, nullptr));
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    }
};

TEST_F(BatchConvert, DialogBeforeAndDuringABatchThenStopAndClose) {
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    MakeDirectories(program().Path(L"Videos"));
    MakeDirectories(program().Path(L"out"));
    for (const wchar_t* name : {L"1260000001.flv", L"1260000002.flv", L"1260000003.flv"})
        ASSERT_TRUE(CopyFileW((ClipsFolder() + L"convert-60s.flv").c_str(),
                              program().Path(std::wstring(L"Videos\\") + name).c_str(), FALSE));
    const std::wstring folder = program().Path(L"out");

    RunningProgram run(program());
    HWND window = run.WaitForVisibleMainWindow(kStartTimeout);
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_CLIP_LIST);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 3; }, 30s));
    TickAll(list);
    SendMessageW(GetDlgItem(window, IDC_OUTPUT_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    SetForegroundWindow(window);
    PostMessageW(window, WM_COMMAND, ID_CHECKED_CONVERT, 0);
    HWND dialog = WaitForWindowTitled(run.processId(), L"Convert multiple videos at once", 10s);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_OUTPUT_FOLDER), folder);
    EXPECT_EQ(ReadListView(GetDlgItem(dialog, IDC_BATCH_LIST), 4).size(), 3u);
    EXPECT_TRUE(WaitForSteadyPicture(dialog, 20s)) << "the dialog never finished painting";
    EXPECT_TRUE(FileExists(TakeScreenshot(L"batch-dialog")));

    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CONVERT)));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::wstring label = ItemText(dialog, IDC_FILE_PERCENT);
            return label.rfind(L"File 1 of 3 - ", 0) == 0 && label != L"File 1 of 3 - 0%";
        },
        60s))
        << ItemText(dialog, IDC_FILE_PERCENT);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_LIST)));
    EXPECT_EQ(ItemText(dialog, IDC_CONVERT), L"Sto&p");
    EXPECT_TRUE(FileExists(TakeScreenshot(L"batch-dialog-converting")));

    // Closing during the batch stops it, removes the unfinished file and ends the dialog.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10s));
    WIN32_FIND_DATAW entry;
    platform::UniqueFind left(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
    bool anyFile = false;
    if (left) {
        do anyFile = anyFile || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileW(left.get(), &entry));
    }
    EXPECT_FALSE(anyFile) << "nothing half-made stays in the folder";
    EXPECT_TRUE(run.IsRunning());
}

}  // namespace
}  // namespace e2e
