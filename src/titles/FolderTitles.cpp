#include "titles/FolderTitles.h"

#include "titles/FallbackTitleStore.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"

#include <cstring>
#include <optional>
#include <vector>

namespace titles {

namespace {

// Room for a few hundred entries per call of the listing.
constexpr std::size_t kListingBytes = 64 * 1024;

struct ListedFile {
    WIN32_FIND_DATAW entry{};
    FileIdentity identity;
    std::uint64_t changeTime = 0;
};

std::uint64_t Value(const LARGE_INTEGER& value) { return static_cast<std::uint64_t>(value.QuadPart); }

FILETIME FileTimeOf(const LARGE_INTEGER& value) { return {value.LowPart, static_cast<DWORD>(value.HighPart)}; }

ListedFile ListedFileOf(const FILE_ID_BOTH_DIR_INFO& info, DWORD volumeSerial) {
    ListedFile file;
    WIN32_FIND_DATAW& entry = file.entry;
    entry.dwFileAttributes = info.FileAttributes;
    entry.ftCreationTime = FileTimeOf(info.CreationTime);
    entry.ftLastAccessTime = FileTimeOf(info.LastAccessTime);
    entry.ftLastWriteTime = FileTimeOf(info.LastWriteTime);
    entry.nFileSizeHigh = static_cast<DWORD>(Value(info.EndOfFile) >> 32);
    entry.nFileSizeLow = static_cast<DWORD>(Value(info.EndOfFile));
    const std::size_t nameUnits = std::min<std::size_t>(info.FileNameLength / sizeof(wchar_t), MAX_PATH - 1);
    std::memcpy(entry.cFileName, info.FileName, nameUnits * sizeof(wchar_t));
    const std::size_t shortUnits = std::min<std::size_t>(info.ShortNameLength / sizeof(wchar_t), 13);
    std::memcpy(entry.cAlternateFileName, info.ShortName, shortUnits * sizeof(wchar_t));
    // Made as the title store makes it from an open file, so that the titles it wrote are found.
    file.identity = {volumeSerial, Value(info.FileId), Value(info.CreationTime), Value(info.LastWriteTime),
                     Value(info.EndOfFile)};
    file.changeTime = Value(info.ChangeTime);
    return file;
}

// The folder's files with their identities; nothing when the system cannot list them so.
std::optional<std::vector<ListedFile>> ListWithIdentities(HANDLE folder, DWORD volumeSerial) {
    std::vector<ListedFile> files;
    // FILE_ID_BOTH_DIR_INFO holds 64-bit fields: the buffer is aligned for them.
    std::vector<LONGLONG> buffer(kListingBytes / sizeof(LONGLONG));
    FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
    for (;;) {
        if (!GetFileInformationByHandleEx(folder, request, buffer.data(), kListingBytes)) {
            if (GetLastError() == ERROR_NO_MORE_FILES) return files;
            return std::nullopt;
        }
        request = FileIdBothDirectoryInfo;
        const auto* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const auto& info = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            if (!(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(ListedFileOf(info, volumeSerial));
            if (info.NextEntryOffset == 0) break;
            at += info.NextEntryOffset;
        }
    }
}

// Each file opened on its own: where titles live in the files themselves, or where the
// listing cannot give identities.
void ReadEachTitle(const std::wstring& folder, const TitledFileVisit& visit) {
    platform::ForEachFile(folder,
                          [&](const WIN32_FIND_DATAW& entry) { visit(entry, ReadTitle(folder + entry.cFileName)); });
}

}  // namespace

void ForEachTitledFile(const std::wstring& folder, const TitledFileVisit& visit) {
    platform::UniqueFile handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return;
    DWORD serial = 0;
    DWORD flags = 0;
    if (!GetVolumeInformationByHandleW(handle.get(), nullptr, 0, &serial, nullptr, &flags, nullptr, 0) ||
        (flags & FILE_NAMED_STREAMS)) {
        handle.reset();
        return ReadEachTitle(folder, visit);
    }
    std::optional<std::vector<ListedFile>> files = ListWithIdentities(handle.get(), serial);
    handle.reset();
    if (!files) return ReadEachTitle(folder, visit);
    std::vector<FileIdentity> identities;
    identities.reserve(files->size());
    for (const ListedFile& file : *files) identities.push_back(file.identity);
    const std::vector<FallbackTitleStore::Entry> stored = ProcessTitleStore()->ReadMany(identities);
    for (std::size_t i = 0; i < files->size(); ++i) {
        const ListedFile& file = (*files)[i];
        const bool holds = !stored[i].title.empty() && StoredTitleHolds(stored[i], file.changeTime);
        visit(file.entry, holds ? stored[i].title : std::wstring(kTitleNotSet));
    }
}

}  // namespace titles
