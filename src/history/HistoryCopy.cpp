#include "history/HistoryCopy.h"

#include "platform/CopyWholeFile.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"
#include "platform/Utf8.h"

#include <array>
#include <atomic>
#include <optional>
#include <vector>

namespace history {

namespace {

// The files a database may have beside it. SQLite's shared-memory index ("-shm") is made
// anew for the copy by the reader.
constexpr std::array<const wchar_t*, 3> kParts = {L"", L"-wal", L"-journal"};
constexpr int kAttempts = 3;
constexpr DWORD kBlock = 1u << 20;
// SQLite's lock bytes lie at 1 GiB; a browser holding its database locks them, and SQLite
// never keeps data there. A read that meets them is filled with zeros.
constexpr std::uint64_t kLockBytesStart = 0x40000000;
constexpr DWORD kLockBytesLength = 512;

struct Stamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, platform::FileSizeOf(data), platform::FileTimeValue(data.ftLastWriteTime)};
}

bool ReadAt(HANDLE file, std::uint64_t offset, char* buffer, DWORD length, DWORD& read) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ReadFile(file, buffer, length, &read, &at) != 0;
}

// Copies with reads that let the browser go on reading, writing and even deleting.
bool CopyShared(const std::wstring& source, const std::wstring& target) {
    platform::UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return false;
    platform::UniqueFile out(
        CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!out) return false;
    std::vector<char> block(kBlock);
    std::uint64_t offset = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadAt(in.get(), offset, block.data(), kBlock, read)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            if (error != ERROR_LOCK_VIOLATION || offset > kLockBytesStart || offset + kBlock <= kLockBytesStart)
                return false;
            // Up to the lock bytes as they are, the lock bytes as zeros, and on after them.
            const DWORD before = static_cast<DWORD>(kLockBytesStart - offset);
            if (before > 0 && (!ReadAt(in.get(), offset, block.data(), before, read) || read != before)) return false;
            std::fill(block.begin() + before, block.begin() + before + kLockBytesLength, 0);
            DWORD after = 0;
            const DWORD rest = kBlock - before - kLockBytesLength;
            if (!ReadAt(in.get(), kLockBytesStart + kLockBytesLength, block.data() + before + kLockBytesLength, rest,
                        after) &&
                GetLastError() != ERROR_HANDLE_EOF)
                return false;
            read = before + kLockBytesLength + after;
        }
        if (read == 0) break;
        if (!platform::WriteWholeBlock(out.get(), block.data(), read)) return false;
        offset += read;
    }
    return true;
}

void DeleteFolder(const std::wstring& folder) {
    platform::ForEachFile(folder,
                          [&](const WIN32_FIND_DATAW& entry) { DeleteFileW((folder + entry.cFileName).c_str()); });
    RemoveDirectoryW(folder.c_str());
}

std::wstring NewFolderUnder(const std::wstring& copyFolder) {
    static std::atomic<unsigned> counter{0};
    CreateDirectoryW(copyFolder.c_str(), nullptr);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder =
            copyFolder + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    }
    return {};
}

}  // namespace

std::wstring DefaultCopyFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return {};
    const std::wstring ours = std::wstring(temp, length) + L"Reelkeep\\";
    CreateDirectoryW(ours.c_str(), nullptr);
    return ours + L"History\\";
}

void ClearCopies(const std::wstring& copyFolder) {
    if (copyFolder.empty()) return;
    WIN32_FIND_DATAW entry{};
    platform::UniqueFind search(FindFirstFileW((copyFolder + L"*").c_str(), &entry));
    if (!search) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteFolder(copyFolder + name + L"\\");
    } while (FindNextFileW(search.get(), &entry));
}

std::unique_ptr<HistoryCopy> HistoryCopy::Make(const std::wstring& source, const std::wstring& copyFolder) {
    if (copyFolder.empty() || !platform::FileExists(source)) return nullptr;
    const std::wstring folder = NewFolderUnder(copyFolder);
    if (folder.empty()) return nullptr;
    const std::size_t slash = source.rfind(L'\\');
    const std::wstring name = source.substr(slash == std::wstring::npos ? 0 : slash + 1);
    // Owns the folder from here on: whatever goes wrong, nothing stays behind.
    std::unique_ptr<HistoryCopy> copy(new HistoryCopy(folder, folder + name));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::array<Stamp, kParts.size()> before{};
        for (std::size_t part = 0; part < kParts.size(); ++part) before[part] = StampOf(source + kParts[part]);
        bool copied = true;
        for (std::size_t part = 0; part < kParts.size() && copied; ++part) {
            const std::wstring target = copy->path_ + kParts[part];
            DeleteFileW(target.c_str());
            // A companion that is not there, or went between the look and the copy, is no part.
            if (before[part].exists) copied = CopyShared(source + kParts[part], target) || part > 0;
        }
        bool still = copied;
        for (std::size_t part = 0; part < kParts.size() && still; ++part)
            still = StampOf(source + kParts[part]) == before[part];
        if (still) {
            copy->alone_ = before[1].size == 0 && before[2].size == 0;
            return copy;
        }
        for (const wchar_t* part : kParts) DeleteFileW((copy->path_ + part).c_str());
    }
    return nullptr;
}

HistoryCopy::~HistoryCopy() { DeleteFolder(folder_); }

std::string HistoryCopy::Utf8Path() const {
    std::string bytes;
    for (std::size_t at = 0; at < path_.size();) {
        std::size_t units = 1;
        platform::AppendUtf8(bytes, platform::CodePointAt(path_, at, units));
        at += units;
    }
    return bytes;
}

}  // namespace history
