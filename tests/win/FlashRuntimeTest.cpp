// The in-memory loader against a DLL of our own (helpers/loader_probe.cpp): mapped away
// from its preferred base it runs, throws and catches, and leaves nothing behind; damaged
// copies are refused; the hooks serve class names, virtual files and guard pages.
#include <windows.h>

#include <gtest/gtest.h>

#include "flashhost/FlashRuntime.h"
#include "flashhost/RuntimeRules.h"
#include "support/ProbeRuntime.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

using flashhost::FlashRuntime;
using testing_support::Export;
using testing_support::LoadRuntime;
using testing_support::ProbeImage;
using testing_support::RuntimePtr;

const IMAGE_NT_HEADERS64& Headers(const std::vector<char>& image) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    return *reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
}

// Holds the image's preferred base so that the loader must move it elsewhere.
class PreferredBaseTaken {
public:
    explicit PreferredBaseTaken(const std::vector<char>& image)
        : held_(VirtualAlloc(reinterpret_cast<void*>(Headers(image).OptionalHeader.ImageBase),
                             Headers(image).OptionalHeader.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS)) {}
    ~PreferredBaseTaken() {
        if (held_ != nullptr) VirtualFree(held_, 0, MEM_RELEASE);
    }
    PreferredBaseTaken(const PreferredBaseTaken&) = delete;
    PreferredBaseTaken& operator=(const PreferredBaseTaken&) = delete;

private:
    void* held_;
};

RuntimePtr Load(const std::vector<char>& image) { return LoadRuntime(image); }

// Replaces the first occurrence of `from` in the file with `to` (same length).
std::vector<char> Patched(std::string_view from, std::string_view to) {
    std::vector<char> image = ProbeImage();
    auto at = std::search(image.begin(), image.end(), from.begin(), from.end());
    EXPECT_NE(at, image.end()) << from;
    if (at != image.end()) std::copy(to.begin(), to.end(), at);
    return image;
}

// The first relocation block made to claim more bytes than the directory holds.
std::vector<char> WithDamagedRelocations() {
    std::vector<char> image = ProbeImage();
    const auto& nt = Headers(image);
    const DWORD rva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].VirtualAddress;
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&nt);
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i, ++section) {
        if (rva < section->VirtualAddress || rva >= section->VirtualAddress + section->SizeOfRawData) continue;
        auto* block = reinterpret_cast<IMAGE_BASE_RELOCATION*>(image.data() + section->PointerToRawData +
                                                               (rva - section->VirtualAddress));
        block->SizeOfBlock = 0x7FFFFFF0;
    }
    return image;
}

TEST(FlashRuntimeTest, MapsAwayFromItsBaseRunsThrowsAndUnloadsCleanly) {
    ASSERT_FALSE(ProbeImage().empty());
    PreferredBaseTaken taken(ProbeImage());
    volatile LONG detached = 0;
    void* code = nullptr;
    {
        RuntimePtr runtime = Load(ProbeImage());
        ASSERT_NE(runtime, nullptr);
        EXPECT_NE(reinterpret_cast<ULONGLONG>(runtime->image().base()), Headers(ProbeImage()).OptionalHeader.ImageBase);
        EXPECT_EQ(GetModuleHandleW(L"loader_probe.dll"), nullptr) << "the system must not know the image";

        auto throwAndCatch = Export<int (*)(int)>(*runtime, "ProbeThrowAndCatch");
        ASSERT_NE(throwAndCatch, nullptr);
        EXPECT_EQ(throwAndCatch(7), 8 * 1000 + 7);  // "thrown 7" came through the catch
        EXPECT_GE(Export<LONG (*)()>(*runtime, "ProbeTlsCallbacks")(), 1);
        Export<void (*)(volatile LONG*)>(*runtime, "ProbeWatchDetach")(&detached);

        code = reinterpret_cast<void*>(throwAndCatch);
        DWORD64 base = 0;
        EXPECT_NE(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(code), &base, nullptr), nullptr);
        EXPECT_NE(runtime->hostClassAtom(), 0);
    }
    EXPECT_EQ(detached, 1);
    DWORD64 base = 0;
    EXPECT_EQ(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(code), &base, nullptr), nullptr)
        << "the exception table must go with the image";
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(code, &info, sizeof info);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}

TEST(FlashRuntimeTest, RefusesDamagedImagesWithoutCrashing) {
    PreferredBaseTaken taken(ProbeImage());
    const std::vector<char> truncated(ProbeImage().begin(), ProbeImage().begin() + 700);
    const struct {
        const char* what;
        std::vector<char> image;
    } cases[] = {
        {"no image at all", {}},
        {"truncated headers", truncated},
        {"relocation block past its directory", WithDamagedRelocations()},
        {"library that does not exist", Patched("USER32.dll", "USXR32.dll")},
        {"function its library lacks", Patched("GetClassNameA", "GetClassNameQ")},
    };
    for (const auto& bad : cases) {
        EXPECT_EQ(FlashRuntime::Create(bad.image.empty() ? "" : bad.image.data(), bad.image.size()), nullptr)
            << bad.what;
    }
}

TEST(FlashRuntimeTest, DefersTheUnloadWhileTheImageIsInUse) {
    volatile LONG detached = 0;
    FlashRuntime* runtime = FlashRuntime::Create(ProbeImage().data(), ProbeImage().size());
    ASSERT_NE(runtime, nullptr);
    Export<void (*)(volatile LONG*)>(*runtime, "ProbeWatchDetach")(&detached);
    auto hold = Export<void (*)(LONG)>(*runtime, "ProbeHold");
    hold(1);
    EXPECT_EQ(FlashRuntime::Release(runtime), 1);
    EXPECT_EQ(detached, 0);
    hold(-1);
    runtime->ObjectReleased();
    EXPECT_EQ(detached, 1);
    EXPECT_EQ(FlashRuntime::Release(nullptr), 0);
}

TEST(FlashRuntimeTest, TwoRuntimesKeepTheirClassNamesApart) {
    RuntimePtr first = Load(ProbeImage());
    RuntimePtr second = Load(ProbeImage());
    ASSERT_TRUE(first && second);
    std::set<std::wstring> hostClasses;
    for (FlashRuntime* runtime : {first.get(), second.get()}) {
        const std::string& ansi = runtime->ansiHostClassName();
        hostClasses.insert(std::wstring(ansi.begin(), ansi.end()));
        hostClasses.insert(runtime->hostClassName());
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), runtime->hostClassName().c_str(), &info));
    }
    EXPECT_EQ(hostClasses.size(), 4u);

    // The image's own class is registered under a new name per runtime.
    std::set<std::string> imageClasses;
    for (FlashRuntime* runtime : {first.get(), second.get()}) {
        char actual[128]{};
        ASSERT_TRUE(Export<BOOL (*)(const char*, char*, int)>(*runtime, "ProbeClassName")("ProbeWindow", actual, 128));
        EXPECT_STRNE(actual, "ProbeWindow");
        imageClasses.insert(actual);
    }
    EXPECT_EQ(imageClasses.size(), 2u);
}

TEST(FlashRuntimeTest, HooksServeLibrariesGuardPagesAndMemoryMovies) {
    RuntimePtr runtime = Load(ProbeImage());
    ASSERT_NE(runtime, nullptr);

    // Support libraries: refused from a folder, passed on when bare or only ending alike.
    testing_support::ScratchFolder folder(L"runtime");
    const std::wstring probe = testing_support::BinFolder() + L"loader_probe.dll";
    for (const wchar_t* name : {L"swsupport.dll", L"myswsupport.dll"})
        ASSERT_TRUE(CopyFileW(probe.c_str(), (folder.path() + name).c_str(), FALSE));
    std::string narrowFolder(folder.path().begin(), folder.path().end());
    auto loadLibrary = Export<HMODULE (*)(const char*)>(*runtime, "ProbeLoadLibrary");
    EXPECT_EQ(loadLibrary((narrowFolder + "swsupport.dll").c_str()), nullptr);
    EXPECT_EQ(loadLibrary((narrowFolder + "SWSUPPORT").c_str()), nullptr);
    HMODULE endsAlike = loadLibrary((narrowFolder + "myswsupport.dll").c_str());
    EXPECT_NE(endsAlike, nullptr);
    wchar_t current[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(folder.path().c_str());
    HMODULE bare = loadLibrary("swsupport.dll");
    SetCurrentDirectoryW(current);
    EXPECT_NE(bare, nullptr);
    for (HMODULE module : {endsAlike, bare})
        if (module != nullptr) FreeLibrary(module);

    // A guard page asked for at a fixed address becomes a plain commit of the region.
    DWORD protection = 0;
    SIZE_T committed = 0;
    ASSERT_TRUE(
        Export<BOOL (*)(SIZE_T, DWORD*, SIZE_T*)>(*runtime, "ProbeGuardCommit")(16 * 4096, &protection, &committed));
    EXPECT_EQ(protection, static_cast<DWORD>(PAGE_READWRITE));
    EXPECT_EQ(committed, 16u * 4096);

    // Two memory movies get the paths numbered 0 and 1; the image reads them as files.
    flashhost::MemoryMovieStore::Movie movies[2];
    const std::string contents[2] = {"FWS first movie", "FWS the second, longer movie"};
    auto readFile = Export<LONG (*)(const wchar_t*, char*, DWORD)>(*runtime, "ProbeReadFile");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(runtime->movies().Create(nullptr, movies[i]));
        EXPECT_EQ(movies[i].path, flashhost::MemoryMoviePath(static_cast<unsigned>(i)));
        ULONG written = 0;
        movies[i].stream->Write(contents[i].data(), static_cast<ULONG>(contents[i].size()), &written);
    }
    for (int i = 0; i < 2; ++i) {
        char buffer[64]{};
        ASSERT_EQ(readFile(movies[i].path.c_str(), buffer, sizeof buffer), static_cast<LONG>(contents[i].size()));
        EXPECT_EQ(std::string(buffer), contents[i]);
    }
    // A file beside a memory movie comes from the current folder; an unknown one is missing.
    char buffer[64]{};
    std::ofstream(std::filesystem::path(folder.path() + L"beside.txt")) << "from disk";
    SetCurrentDirectoryW(folder.path().c_str());
    const std::wstring beside = L"Z:/FromMemory/" + std::wstring(flashhost::kMemoryMovieMarker) + L"/0/beside.txt";
    EXPECT_EQ(readFile(beside.c_str(), buffer, sizeof buffer), 9);
    EXPECT_EQ(readFile(flashhost::MemoryMoviePath(7).c_str(), buffer, sizeof buffer), -1);
    SetCurrentDirectoryW(current);
}

}  // namespace
