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

    void Start(const std::wstring& setup, const std::wstring& target) {
        StackEntry second{nullptr, {}}, first{&second, {}};
        lstrcpynW(first.text, setup.c_str(), 1024);
        lstrcpynW(second.text, target.c_str(), 1024);
        StackEntry* top = &first;
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
    std::string content(5 * (1 << 20) + 12345, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string sound = "MZ stub RKB1 noise" + BlockFile(content) + "uninstaller";
    std::string damaged = sound;
    damaged[damaged.size() - 200] ^= 0x55;  // inside the last deflated block

    const struct {
        const char* name;
        std::string setup;
        const wchar_t* target;
        const wchar_t* result;  // how Finish's answer begins or ends
    } cases[] = {
        {"sound", sound, L"ffmpeg.exe", L"ok"},
        {"damaged block", damaged, L"ffmpeg.exe", L"is damaged: a block does not inflate to its LZ4 size"},
        {"no blocks", "MZ stub RKB1 and nothing else", L"ffmpeg.exe", L"is damaged: no block file in it"},
        {"no target folder", sound, L"missing\\ffmpeg.exe", L"cannot write "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring setup = folder_.path() + L"setup.exe", target = folder_.path() + c.target;
        HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, c.setup.data(), static_cast<DWORD>(c.setup.size()), &written, nullptr);
        CloseHandle(file);

        registered = nullptr;
        Start(setup, target);
        ASSERT_NE(registered, nullptr) << "the plug-in would be unloaded under its workers";
        const std::wstring result = Finish();
        const std::wstring wanted = c.result;
        const bool matches = result == wanted || result.starts_with(wanted) || result.ends_with(wanted);
        EXPECT_TRUE(matches) << "got: " << std::string(result.begin(), result.end());
        if (wanted == L"ok") {
            EXPECT_EQ(ReadFileBytes(target), content);
        } else {
            EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "a broken target was left";
        }
        DeleteFileW(target.c_str());

        // The set-up ending before Finish: the workers stop and their target goes.
        Start(setup, target);
        registered(0);
        EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "an unfinished target was left";
        EXPECT_EQ(Finish(), L"nothing was started");
    }
}

}  // namespace
