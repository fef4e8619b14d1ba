// The set-up's plug-in driven as the set-up drives it: Start, the set-up's own work while the
// blocks expand, then Finish, or the set-up ending first. A target it could not finish must
// never be left behind, and a damaged set-up must say so rather than install a broken file.
#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <string>

#include "flashhost/ProcCast.h"
#include "support/FileBytes.h"
#include "support/ScratchFolder.h"

namespace {

using testing_support::BinFolder;
using testing_support::ReadFileBytes;
using testing_support::ScratchFolder;

struct StackEntry {
    StackEntry* next;
    wchar_t text[1024];
};
using PluginCallback = UINT_PTR (*)(int);
struct ExtraParameters {
    void* execFlags;
    void* executeCodeSegment;
    void* validateFilename;
    int(__stdcall* registerPluginCallback)(HMODULE, PluginCallback);
};
using PluginFunction = void (*)(HWND, int, wchar_t*, StackEntry**, ExtraParameters*);

PluginCallback registered = nullptr;
int __stdcall Register(HMODULE, PluginCallback callback) {
    registered = callback;
    return 0;
}

void Put(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A block file whose blocks LZ4 stored as they are, each deflated: `content` in 1 MiB blocks.
std::string BlockFile(const std::string& content) {
    constexpr std::size_t kBlock = 1 << 20;
    std::string table, streams;
    std::uint32_t count = 0;
    for (std::size_t at = 0; at < content.size(); at += kBlock, ++count) {
        const std::string block = content.substr(at, kBlock);
        uLongf size = compressBound(block.size());
        std::string deflated(size, '\0');
        compress2(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(block.data()),
                  block.size(), 1);
        deflated.resize(size);
        Put(table, deflated.size(), 4);
        Put(table, block.size() | 0x80000000u, 4);
        Put(table, block.size(), 4);
        streams += deflated;
    }
    std::string file = "RKB1";
    Put(file, count, 4);
    Put(file, content.size(), 8);
    return file + table + streams;
}

class SetupPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        dll_ = LoadLibraryW((BinFolder() + L"Lz4Unpack.dll").c_str());
        ASSERT_NE(dll_, nullptr) << "Lz4Unpack.dll is not beside the tests";
        start_ = flashhost::ProcCast<PluginFunction>(GetProcAddress(dll_, "Start"));
        finish_ = flashhost::ProcCast<PluginFunction>(GetProcAddress(dll_, "Finish"));
        ASSERT_TRUE(start_ && finish_);
    }
    void TearDown() override { FreeLibrary(dll_); }

    void Start(const std::wstring& setup, int index, const std::wstring& target) {
        // Allocated as the set-up engine does: the plug-in frees what it pops.
        StackEntry* top = nullptr;
        for (const std::wstring& text : {target, std::to_wstring(index), setup}) {
            auto* entry = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry)));
            lstrcpynW(entry->text, text.c_str(), 1024);
            entry->next = top;
            top = entry;
        }
        start_(nullptr, 1024, nullptr, &top, &extra_);
        EXPECT_EQ(top, nullptr) << "Start left something on the stack";
    }
    std::wstring Finish() {
        StackEntry* top = nullptr;
        finish_(nullptr, 1024, nullptr, &top, &extra_);
        if (top == nullptr) return L"(nothing)";
        std::wstring result = top->text;
        GlobalFree(top);
        return result;
    }

    ScratchFolder folder_{L"setup-plugin"};
    ExtraParameters extra_{nullptr, nullptr, nullptr, Register};

private:
    HMODULE dll_ = nullptr;
    PluginFunction start_ = nullptr, finish_ = nullptr;
};

TEST_F(SetupPlugin, ExpandsFromAmongTheSetupsBytesOrLeavesNoTarget) {
    std::string ffmpeg(5 * (1 << 20) + 12345, '\0'), program;
    for (std::size_t i = 0; i < ffmpeg.size(); ++i) ffmpeg[i] = static_cast<char>((i * 2654435761u) >> 13);
    for (int i = 0; i < 1000; ++i) program += "program " + std::to_string(i);
    const std::string stub = "MZ stub RKB1 noise", packedFfmpeg = BlockFile(ffmpeg);
    const std::string sound = stub + packedFfmpeg + BlockFile(program) + "uninstaller";
    std::string damaged = sound;
    damaged[stub.size() + packedFfmpeg.size() - 100] ^= 0x55;  // inside ffmpeg's last block

    const struct {
        const char* name;
        std::string setup;
        const wchar_t* folder;
        const wchar_t* result;  // how Finish's answer begins or ends
        bool programWhole;
    } cases[] = {
        {"sound", sound, L"", L"ok", true},
        {"damaged block", damaged, L"", L"is damaged: a block does not inflate to its LZ4 size", true},
        {"no blocks", stub + "and nothing else", L"", L"is damaged: no block file in it", false},
        {"no target folder", sound, L"missing\\", L"cannot write ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring setup = folder_.path() + L"setup.exe", folder = folder_.path() + c.folder;
        const std::wstring ffmpegTarget = folder + L"ffmpeg.exe", programTarget = folder + L"Reelkeep.exe";
        HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, c.setup.data(), static_cast<DWORD>(c.setup.size()), &written, nullptr);
        CloseHandle(file);

        registered = nullptr;
        Start(setup, 0, ffmpegTarget);
        Start(setup, 1, programTarget);
        ASSERT_NE(registered, nullptr) << "the plug-in would be unloaded under its workers";
        const std::wstring result = Finish(), wanted = c.result;
        EXPECT_TRUE(result == wanted || result.starts_with(wanted) || result.ends_with(wanted))
            << "got: " << std::string(result.begin(), result.end());
        if (wanted == L"ok") {
            EXPECT_EQ(ReadFileBytes(ffmpegTarget), ffmpeg);
        } else {
            EXPECT_EQ(GetFileAttributesW(ffmpegTarget.c_str()), INVALID_FILE_ATTRIBUTES) << "a broken file was left";
        }
        EXPECT_EQ(ReadFileBytes(programTarget), c.programWhole ? program : "");
        DeleteFileW(ffmpegTarget.c_str());
        DeleteFileW(programTarget.c_str());

        // The set-up ending before Finish: the workers stop and their targets go.
        Start(setup, 0, ffmpegTarget);
        Start(setup, 1, programTarget);
        registered(0);
        for (const std::wstring& target : {ffmpegTarget, programTarget})
            EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "an unfinished file was left";
        EXPECT_EQ(Finish(), L"nothing was started");
    }
}

}  // namespace
