// The title store under Wine, whose drives keep no per-file property sets: every title
// here goes through the fallback log, with real files, threads and a second process.
#include "titles/FallbackTitleStore.h"
#include "titles/FolderTitles.h"
#include "titles/PropertySetTitle.h"
#include "library/PurgeMarkedClips.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/UniqueHandle.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace titles {
namespace {

const std::wstring kNotSet(kTitleNotSet);

// Second-process mode of this test binary: titles files while the parent reads.
//   reelkeep_win_tests.exe --title-store-writer <log> <folder> <count>
constexpr wchar_t kWriterFlag[] = L"--title-store-writer";

std::wstring ChildFileName(int i) { return L"child" + std::to_wstring(i) + L".bin"; }
std::wstring ChildTitle(int i) { return L"Child" + std::to_wstring(i); }

int RunWriterChild(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    UseTitleStoreAt(argv[2]);
    const std::wstring folder = argv[3];
    const int count = _wtoi(argv[4]);
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        const std::wstring path = folder + L"\\" + ChildFileName(i);
        WriteTitle(path, ChildTitle(i));
        if (ReadTitle(path) != ChildTitle(i)) ++lost;
    }
    return lost == 0 ? 0 : 3;
}

// Runs before main, so the child never starts the test runner.
const bool kIsWriterChild = [] {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    const bool child = argc >= 2 && std::wstring(argv[1]) == kWriterFlag;
    if (child) ExitProcess(static_cast<UINT>(RunWriterChild(argc, argv)));
    LocalFree(argv);
    return false;
}();

class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"reelkeep-titles-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW entry{};
        platform::UniqueFind search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
        if (search) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = folder + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(child);
                } else {
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(search.get(), &entry));
        }
        search.reset();
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

void MakeFile(const std::wstring& path, const std::string& content) {
    platform::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot create the test file, error " << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
}

std::string ReadBytes(const std::wstring& path) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

std::uint64_t FileIndexOf(const std::wstring& path) {
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return 0;
    return (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
}

// A fresh file's times are within the store's clock guard for a few tens of milliseconds;
// tests that title many new files let that pass once instead of per file.
void LetNewFilesAge() { Sleep(40); }

class TitleStore : public testing::Test {
protected:
    void SetUp() override {
        previousLog_ = ProcessTitleStore()->logPath();
        UseTitleStoreAt(logPath());
    }
    void TearDown() override { UseTitleStoreAt(previousLog_); }

    std::wstring logPath() const { return files_ / L"store.log"; }
    std::wstring File(const std::wstring& name, const std::string& content = "FLV\x01 test clip") {
        const std::wstring path = files_ / name;
        MakeFile(path, content);
        return path;
    }

    ScratchFolder files_;

private:
    std::wstring previousLog_;
};

TEST_F(TitleStore, NewFileReadsNotSetAndAWrittenTitleReadsBack) {
    const std::wstring clip = File(L"1.flv");
    EXPECT_EQ(ReadTitle(clip), kNotSet);
    WriteTitle(clip, L"Movie3");
    EXPECT_EQ(ReadTitle(clip), L"Movie3");
    WriteTitle(clip, std::wstring(kTitleToDelete));
    EXPECT_EQ(ReadTitle(clip), kTitleToDelete);
    // A title written once is there for a process that has not looked at the store yet.
    UseTitleStoreAt(logPath());
    EXPECT_EQ(ReadTitle(clip), kTitleToDelete);
}

TEST_F(TitleStore, EmptyTitleReadsNotSet) {
    const std::wstring titled = File(L"titled.flv");
    const std::wstring untitled = File(L"untitled.flv");
    WriteTitle(titled, L"Movie1");
    WriteTitle(titled, L"");
    WriteTitle(untitled, L"");
    EXPECT_EQ(ReadTitle(titled), kNotSet);
    EXPECT_EQ(ReadTitle(untitled), kNotSet);
}

TEST_F(TitleStore, MissingFilesAndFoldersReadNotSetAndTakeNoTitle) {
    const std::wstring missing = files_ / L"missing.flv";
    WriteTitle(missing, L"Movie1");
    EXPECT_EQ(ReadTitle(missing), kNotSet);
    WriteTitle(files_.path(), L"Movie2");
    EXPECT_EQ(ReadTitle(files_.path()), kNotSet);
}

TEST_F(TitleStore, RenameWithinTheFolderKeepsTheTitleAndAByteCopyReadsNotSet) {
    const std::wstring clip = File(L"20090101120000.flv");
    WriteTitle(clip, L"Holiday");
    const std::wstring renamed = files_ / L"renamed.flv";
    ASSERT_TRUE(MoveFileW(clip.c_str(), renamed.c_str()));
    EXPECT_EQ(ReadTitle(renamed), L"Holiday");
    EXPECT_EQ(ReadTitle(clip), kNotSet);

    const std::wstring copy = files_ / L"copy.flv";
    MakeFile(copy, ReadBytes(renamed));
    ASSERT_EQ(ReadBytes(copy), ReadBytes(renamed));
    EXPECT_EQ(ReadTitle(copy), kNotSet);
    EXPECT_EQ(ReadTitle(renamed), L"Holiday");
}

TEST_F(TitleStore, AFileAnotherProgramWritesOrAReadOnlyFileIsLeftAloneAndOneItReadsIsNot) {
    const struct {
        const char* holder;
        DWORD access;
        std::wstring readWhileHeld;
        std::wstring readAfter;
    } cases[] = {
        // The way a browser holds a cache file it is still writing.
        {"a writer", GENERIC_WRITE, std::wstring(kNotSet), std::wstring(kTitleFlv)},
        // The player showing the clip, a conversion, or a probe of another build.
        {"a reader", GENERIC_READ, std::wstring(kTitleFlv), std::wstring(kTitleNotFlv)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.holder);
        const std::wstring clip = File(L"cache-entry");
        WriteTitle(clip, std::wstring(kTitleFlv));
        {
            platform::UniqueFile held(CreateFileW(clip.c_str(), c.access,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(held);
            EXPECT_EQ(ReadTitle(clip), c.readWhileHeld);
            WriteTitle(clip, std::wstring(kTitleNotFlv));
        }
        EXPECT_EQ(ReadTitle(clip), c.readAfter);
    }

    const std::wstring readOnly = File(L"read-only");
    WriteTitle(readOnly, std::wstring(kTitleFlv));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    WriteTitle(readOnly, std::wstring(kTitleNotFlv));
    EXPECT_EQ(ReadTitle(readOnly), kTitleFlv);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TitleStore, TitleOfADeletedFileIsNeverHandedToANewFileThatTakesItsPlace) {
    int indexReused = 0;
    const int rounds = 20;
    for (int round = 0; round < rounds; ++round) {
        const std::wstring clip = File(L"reused.flv", "same bytes");
        const std::uint64_t index = FileIndexOf(clip);
        WriteTitle(clip, L"Movie" + std::to_wstring(round));
        ASSERT_EQ(ReadTitle(clip), L"Movie" + std::to_wstring(round));
        ASSERT_TRUE(DeleteFileW(clip.c_str()));
        MakeFile(clip, "same bytes");
        if (FileIndexOf(clip) == index) ++indexReused;
        ASSERT_EQ(ReadTitle(clip), kNotSet) << "round " << round;
        ASSERT_TRUE(DeleteFileW(clip.c_str()));
    }
    // The check above only bites where the file system reuses indexes; say whether it did.
    RecordProperty("index_reused_rounds", indexReused);
    std::printf("[ info     ] file index reused in %d of %d rounds\n", indexReused, rounds);
}

// A clip marked for deletion goes at the next start, and only that very file: one deleted
// behind the program's back and put back (same bytes, same name, perhaps the same times,
// and on Linux the same index) is a file the user wants kept.
TEST_F(TitleStore, OnlyTheFileThatWasMarkedIsPurged) {
    const std::string bytes = "FLV\x01 the same clip bytes";
    const auto copyBack = [&](const std::wstring& clip, const std::wstring& backup) {
        return DeleteFileW(clip.c_str()) && CopyFileW(backup.c_str(), clip.c_str(), TRUE);
    };
    struct Case {
        const char* what;
        std::function<bool(const std::wstring& clip, const std::wstring& backup)> afterMarking;
        bool purged;
        bool replaced = !purged;  // a new file in the marked one's place
    };
    const Case cases[] = {
        {"left alone", [](auto&, auto&) { return true; }, true},
        {"deleted, then copied back with its times, as Explorer does", copyBack, false},
        {"deleted, then written anew with its times set back, as cp -p does",
         [&](const std::wstring& clip, const std::wstring& backup) {
             FILETIME created{}, written{};
             {
                 platform::UniqueFile source(CreateFileW(backup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
                 if (!source || !GetFileTime(source.get(), &created, nullptr, &written)) return false;
             }
             if (!DeleteFileW(clip.c_str())) return false;
             MakeFile(clip, bytes);
             platform::UniqueFile copy(CreateFileW(clip.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
             return copy && SetFileTime(copy.get(), &created, nullptr, &written);
         },
         false},
        {"deleted, then written anew",
         [&](const std::wstring& clip, auto&) {
             if (!DeleteFileW(clip.c_str())) return false;
             MakeFile(clip, bytes);
             return true;
         },
         false},
        {"renamed and renamed back",
         [&](const std::wstring& clip, auto&) {
             const std::wstring away = files_ / L"away.flv";
             return MoveFileW(clip.c_str(), away.c_str()) && MoveFileW(away.c_str(), clip.c_str());
         },
         false, false},
    };
    const std::wstring library = files_ / L"Videos\\";
    ASSERT_TRUE(CreateDirectoryW(library.c_str(), nullptr));
    int replaced = 0;
    int indexReused = 0;
    for (const Case& c : cases) {
        const std::wstring clip = library + L"1260000000.flv";
        const std::wstring backup = files_ / L"backup.flv";
        MakeFile(clip, bytes);
        ASSERT_TRUE(CopyFileW(clip.c_str(), backup.c_str(), FALSE));
        const std::uint64_t index = FileIndexOf(clip);
        WriteTitle(clip, std::wstring(kTitleToDelete));
        ASSERT_EQ(ReadTitle(clip), kTitleToDelete) << c.what;
        ASSERT_TRUE(c.afterMarking(clip, backup)) << c.what << ": error " << GetLastError();
        replaced += c.replaced;
        indexReused += c.replaced && FileIndexOf(clip) == index;

        const library::PurgeResult purge = library::PurgeMarkedClips(library);
        EXPECT_EQ(purge.deleted, c.purged ? 1 : 0) << c.what;
        EXPECT_EQ(GetFileAttributesW(clip.c_str()) == INVALID_FILE_ATTRIBUTES, c.purged) << c.what;
        if (!c.purged) {
            EXPECT_EQ(ReadTitle(clip), kNotSet) << c.what;
        }
        DeleteFileW(clip.c_str());
        DeleteFileW(backup.c_str());
    }
    // The put-back cases only bite where the file system hands the index on; say whether it did.
    std::printf("[ info     ] file index reused in %d of %d put-back cases\n", indexReused, replaced);
}

// The titles of a whole library come from its listing: each must be what reading that
// file's title alone gives, whatever happened to the file since it was titled.
TEST_F(TitleStore, AFoldersTitlesReadTogetherAreThoseOfEachFileAlone) {
    const std::wstring folder = files_ / L"library\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"subfolder").c_str(), nullptr));
    const auto make = [&](const wchar_t* name, const char* bytes = "FLV\x01 clip") {
        MakeFile(folder + name, bytes);
        return folder + name;
    };
    make(L"untitled.flv");
    WriteTitle(make(L"titled.flv"), L"Movie12");
    WriteTitle(make(L"\u00e9t\u00e9 \u0432\u0438\u0434\u0435\u043e.flv"), L"\u0433\u043e\u0440\u044b & Seen");
    const std::wstring renamed = make(L"before.flv");
    WriteTitle(renamed, L"Follows its file");
    ASSERT_TRUE(MoveFileW(renamed.c_str(), (folder + L"after.flv").c_str()));
    const std::wstring rewritten = make(L"rewritten.flv");
    WriteTitle(rewritten, L"Gone with its bytes");
    LetNewFilesAge();
    MakeFile(rewritten, "FLV\x01 other bytes, longer");
    const std::wstring marked = make(L"marked.flv");
    WriteTitle(marked, std::wstring(kTitleToDelete));
    const std::wstring touched = make(L"marked and touched.flv");
    WriteTitle(touched, std::wstring(kTitleToDelete));
    ASSERT_TRUE(SetFileAttributesW(touched.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::wstring readOnly = make(L"read-only.flv");
    WriteTitle(readOnly, L"Kept read-only");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    MakeFile(folder + L"subfolder\\inside.flv", "FLV");

    std::map<std::wstring, std::wstring> together;
    ForEachTitledFile(folder, [&](const WIN32_FIND_DATAW& entry, const std::wstring& title) {
        EXPECT_EQ(together.count(entry.cFileName), 0u) << "each file once";
        together[entry.cFileName] = title;
    });
    std::map<std::wstring, std::wstring> alone;
    WIN32_FIND_DATAW entry{};
    platform::UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &entry));
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            alone[entry.cFileName] = ReadTitle(folder + entry.cFileName);
    } while (FindNextFileW(search.get(), &entry));
    EXPECT_EQ(together, alone);
    EXPECT_EQ(together.size(), 8u) << "files only, none of the subfolder's";
    EXPECT_EQ(together[L"titled.flv"], L"Movie12");
    EXPECT_EQ(together[L"after.flv"], L"Follows its file");
    EXPECT_EQ(together[L"rewritten.flv"], kNotSet);
    EXPECT_EQ(together[L"marked.flv"], kTitleToDelete);
    EXPECT_EQ(together[L"marked and touched.flv"], kNotSet) << "a mark holds only for the file as it was marked";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    int visited = 0;
    ForEachTitledFile(files_ / L"missing\\", [&](const WIN32_FIND_DATAW&, const std::wstring&) { ++visited; });
    EXPECT_EQ(visited, 0) << "a missing folder has no files";
}

TEST_F(TitleStore, EightThreadsWritingAndReadingTwoHundredFilesLoseNothing) {
    constexpr int kFiles = 200;
    constexpr int kThreads = 8;
    std::vector<std::wstring> paths;
    for (int i = 0; i < kFiles; ++i) paths.push_back(File(L"clip" + std::to_wstring(i) + L".flv"));
    LetNewFilesAge();
    auto titleOf = [](int i) { return std::wstring(kTitleMoviePrefix) + std::to_wstring(i); };

    // Each thread keeps to its own files: two calls on one file exclude each other by
    // design, and the later one fails. What is shared is the store itself.
    std::atomic<int> wrongReads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = t; i < kFiles; i += kThreads) {
                WriteTitle(paths[i], titleOf(i));
                if (ReadTitle(paths[i]) != titleOf(i)) ++wrongReads;
                const int earlier = i - kThreads * ((i / kThreads) / 2);
                if (ReadTitle(paths[earlier]) != titleOf(earlier)) ++wrongReads;
                const int next = i + kThreads;
                if (next < kFiles && ReadTitle(paths[next]) != kNotSet) ++wrongReads;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(wrongReads.load(), 0);
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadTitle(paths[i]), titleOf(i)) << i;
    UseTitleStoreAt(logPath());
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(ReadTitle(paths[i]), titleOf(i)) << "reread " << i;
}

TEST_F(TitleStore, ASecondProcessWritingWhileThisOneWritesAndReadsLosesNothing) {
    constexpr int kFiles = 300;
    std::vector<std::wstring> own;
    std::vector<std::wstring> childs;
    for (int i = 0; i < kFiles; ++i) {
        own.push_back(File(L"own" + std::to_wstring(i) + L".bin"));
        childs.push_back(File(ChildFileName(i)));
    }
    LetNewFilesAge();

    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" " + kWriterFlag + L" \"" + logPath() + L"\" \"" +
                           files_.path() + L"\" " + std::to_wstring(kFiles);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        << GetLastError();
    platform::UniqueHandle child(started.hProcess);
    platform::UniqueHandle childThread(started.hThread);

    // Start only once the other process is appending, so that the two really overlap.
    for (int waited = 0; waited < 3000; ++waited) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(logPath().c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 200) break;
        Sleep(10);
    }
    // This process keeps to its own files while the other one runs: two calls on one file
    // exclude each other by design. Every read still brings in the other's appends.
    int wrongReads = 0;
    for (int i = 0; i < kFiles; ++i) {
        WriteTitle(own[i], L"Own" + std::to_wstring(i));
        // Writes come back to back so that the two processes' appends meet.
        if (i % 25 != 24) continue;
        for (int j = i % 10; j <= i; j += 10) {
            if (ReadTitle(own[j]) != L"Own" + std::to_wstring(j)) ++wrongReads;
        }
    }
    ASSERT_EQ(WaitForSingleObject(child.get(), 60000), WAIT_OBJECT_0) << "the writer process hung";
    DWORD exitCode = 99;
    GetExitCodeProcess(child.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the writer process lost its own titles";
    EXPECT_EQ(wrongReads, 0);

    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < kFiles; ++i) {
            EXPECT_EQ(ReadTitle(own[i]), L"Own" + std::to_wstring(i)) << "pass " << pass;
            EXPECT_EQ(ReadTitle(childs[i]), ChildTitle(i)) << "pass " << pass;
        }
        // The second pass reads the whole log afresh, as the next start would.
        UseTitleStoreAt(logPath());
    }
}

// The log as damaged by a crash or a disk: whatever intact records it holds are kept, the
// next write repairs it, and nothing crashes.
class DamagedTitleStore : public TitleStore {
protected:
    void Overwrite(std::uint64_t offset, const std::string& bytes) {
        platform::UniqueFile log(CreateFileW(logPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(log);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        ASSERT_TRUE(SetFilePointerEx(log.get(), at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    void TruncateBy(std::uint64_t bytes) {
        platform::UniqueFile log(CreateFileW(logPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(log);
        LARGE_INTEGER size{};
        ASSERT_TRUE(GetFileSizeEx(log.get(), &size));
        size.QuadPart -= static_cast<LONGLONG>(bytes);
        ASSERT_TRUE(SetFilePointerEx(log.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(log.get()));
    }
    std::uint64_t LogSize() { return ReadBytes(logPath()).size(); }
    std::vector<std::wstring> TitledFiles(int count) {
        std::vector<std::wstring> paths;
        for (int i = 0; i < count; ++i) paths.push_back(File(L"f" + std::to_wstring(i)));
        LetNewFilesAge();
        for (int i = 0; i < count; ++i) WriteTitle(paths[i], L"Movie" + std::to_wstring(i));
        return paths;
    }
};

TEST_F(DamagedTitleStore, TornLastRecordAndDamagedMiddleRecordCostOnlyThoseTitles) {
    const std::vector<std::wstring> paths = TitledFiles(20);
    const std::uint64_t sizeAfterTen = [&] {
        // Every record here has the same length, so record 10 starts at a known offset.
        return 16 + (LogSize() - 16) / 20 * 10;
    }();
    Overwrite(sizeAfterTen + 30, "\x55\xAA");
    TruncateBy(5);
    UseTitleStoreAt(logPath());
    for (int i = 0; i < 20; ++i) {
        const std::wstring expected = (i == 10 || i == 19) ? kNotSet : L"Movie" + std::to_wstring(i);
        EXPECT_EQ(ReadTitle(paths[i]), expected) << i;
    }
    // The next write cuts the torn record off and lands intact.
    WriteTitle(paths[19], L"Again");
    UseTitleStoreAt(logPath());
    EXPECT_EQ(ReadTitle(paths[19]), L"Again");
    EXPECT_EQ(ReadTitle(paths[18]), L"Movie18");
}

TEST_F(DamagedTitleStore, GarbageLogReadsNotSetAndIsReplacedByTheNextWrite) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) >> 3);
    Overwrite(0, garbage);
    const std::wstring clip = File(L"clip.flv");
    LetNewFilesAge();
    EXPECT_EQ(ReadTitle(clip), kNotSet);
    WriteTitle(clip, L"Movie5");
    EXPECT_EQ(ReadTitle(clip), L"Movie5");
    UseTitleStoreAt(logPath());
    EXPECT_EQ(ReadTitle(clip), L"Movie5");
    EXPECT_LT(LogSize(), garbage.size()) << "the garbage should have been dropped";
}

TEST_F(DamagedTitleStore, LogWithADamagedHeaderGivesUpItsRecords) {
    const std::vector<std::wstring> paths = TitledFiles(5);
    Overwrite(0, "XXXX");
    UseTitleStoreAt(logPath());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadTitle(paths[i]), L"Movie" + std::to_wstring(i)) << i;
    WriteTitle(paths[0], L"Renamed");
    UseTitleStoreAt(logPath());
    EXPECT_EQ(ReadTitle(paths[0]), L"Renamed");
    for (int i = 1; i < 5; ++i) EXPECT_EQ(ReadTitle(paths[i]), L"Movie" + std::to_wstring(i)) << i;
}

TEST_F(DamagedTitleStore, TruncatedToNothingIsAnEmptyStore) {
    const std::vector<std::wstring> paths = TitledFiles(3);
    TruncateBy(LogSize() - 3);
    UseTitleStoreAt(logPath());
    EXPECT_EQ(ReadTitle(paths[0]), kNotSet);
    WriteTitle(paths[1], L"Kept");
    EXPECT_EQ(ReadTitle(paths[1]), L"Kept");
}

// Compaction swaps the log for a new file; a store that already read the old one, as in
// another process, must notice and keep every live title.
TEST_F(TitleStore, CompactionKeepsLiveTitlesForReadersOfTheOldLog) {
    FallbackTitleStore writer({logPath(), 4096});
    FallbackTitleStore reader({logPath(), 4096});
    auto identity = [](int i) { return FileIdentity{0x1234u, 1000u + static_cast<std::uint64_t>(i), 5, 6, 7}; };
    std::uint64_t appended = 0;
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 10; ++i) {
            const std::wstring title = L"Movie" + std::to_wstring(round * 10 + i);
            ASSERT_TRUE(writer.Write(identity(i), title));
            appended += 12 + 44 + 2 * title.size();
        }
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(reader.Read(identity(i)).title, L"Movie" + std::to_wstring(round * 10 + i))
                << "round " << round << " file " << i;
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(logPath().c_str(), GetFileExInfoStandard, &data));
    EXPECT_LT(data.nFileSizeLow, appended / 2) << "the log was never compacted";
    EXPECT_EQ(GetFileAttributesW((logPath() + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Wine's drives report no named streams, so the store never asks them for property sets;
// this is what it would hear if it did.
TEST(PropertySetTitle, PlainFileAnswersThatItCannotKeepAPropertySet) {
    ScratchFolder folder;
    const std::wstring clip = folder / L"clip.flv";
    MakeFile(clip, "FLV\x01");
    std::wstring title;
    const HRESULT read = ReadPropertySetTitle(clip, title);
    EXPECT_TRUE(MeansNoPropertySets(read)) << std::hex << read;
    EXPECT_EQ(ReadBytes(clip), "FLV\x01") << "a failed open must leave the file alone";
}

}  // namespace
}  // namespace titles
