#include "capture/BrowserCacheIntake.h"

#include "capture/BlockfileCache.h"
#include "capture/ChromiumCache.h"
#include "capture/FirefoxCache.h"
#include "capture/LongPath.h"
#include "capture/ResponseIntake.h"
#include "capture/SimpleCache.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

namespace capture {

namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Narrow(const std::wstring& name) {
    std::string ascii;
    for (wchar_t c : name) ascii += c < 0x80 ? static_cast<char>(c) : '?';
    return ascii;
}

std::uint64_t Stamp(std::uint64_t digest, const ListedFile& file) {
    return MixStamp(MixStamp(MixStamp(digest, file.size), FileTimeValue(file.created)), file.written);
}

constexpr std::size_t kHashDigits = 16;

// "<16 lower-case hex digits>_<stream>", the name of a Simple cache entry's file.
bool IsSimpleEntryName(std::wstring_view name, wchar_t stream) {
    if (name.size() != kHashDigits + 2 || name[kHashDigits] != L'_' || name.back() != stream) return false;
    return std::all_of(name.begin(), name.begin() + kHashDigits,
                       [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); });
}

std::wstring_view HashOf(std::wstring_view name) { return name.substr(0, kHashDigits); }

using FilesByName = std::unordered_map<std::string, const ListedFile*>;

FilesByName IndexByName(const std::vector<ListedFile>& files) {
    FilesByName byName;
    for (const ListedFile& file : files) byName.emplace(Narrow(file.name), &file);
    return byName;
}

DiskCacheFiles DiskFolder(const std::wstring& folder) { return DiskCacheFiles(FileSystemPath(folder)); }

}  // namespace

ListedFile ListedFileOf(const WIN32_FIND_DATAW& entry) {
    return {entry.cFileName, (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow,
            entry.ftCreationTime, FileTimeValue(entry.ftLastWriteTime)};
}

std::vector<ListedFile> ListFiles(const std::wstring& folder) {
    std::vector<ListedFile> files;
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirstFileExW(FileSystemPath(folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search) return files;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(ListedFileOf(entry));
    } while (FindNextFileW(search.get(), &entry));
    return files;
}

CacheKind RecognizeCacheFolder(const std::wstring& folder, const std::vector<ListedFile>& files,
                               bool hasEntriesSubfolder) {
    const std::size_t slash = folder.rfind(L'\\');
    const bool namedCache2 = folder.compare(slash == std::wstring::npos ? 0 : slash + 1, std::wstring::npos, L"cache2") == 0;
    if (namedCache2 && hasEntriesSubfolder) return CacheKind::Firefox;
    for (const ListedFile& file : files) {
        if (file.name != L"index") continue;
        std::array<std::uint8_t, 8> start{};
        if (!DiskFolder(folder).Read("index", 0, start)) return CacheKind::None;
        switch (LayoutOfIndex(start)) {
        case ChromiumLayout::Simple: return CacheKind::ChromiumSimple;
        case ChromiumLayout::Blockfile: return CacheKind::ChromiumBlockfile;
        case ChromiumLayout::None: return CacheKind::None;
        }
    }
    return CacheKind::None;
}

void BrowserCacheIntake::ScanFolder(const std::wstring& folder, CacheKind kind, const std::vector<ListedFile>& files) {
    switch (kind) {
    case CacheKind::ChromiumSimple: ScanSimple(folder, files); break;
    case CacheKind::ChromiumBlockfile: ScanBlockfile(folder, files); break;
    case CacheKind::Firefox: ScanFirefox(folder); break;
    case CacheKind::None: break;
    }
}

// A Simple cache is mostly pages and scripts of a few KiB: only the entries whose files
// may hold more are looked up by name, so a pass with nothing new costs little more than
// its listing.
void BrowserCacheIntake::ScanSimple(const std::wstring& folder, const std::vector<ListedFile>& files) {
    std::unordered_map<std::wstring_view, const ListedFile*> sparseFiles;
    for (const ListedFile& file : files)
        if (IsSimpleEntryName(file.name, L's')) sparseFiles.emplace(HashOf(file.name), &file);
    std::optional<DiskCacheFiles> disk;
    for (const ListedFile& main : files) {
        if (!IsSimpleEntryName(main.name, L'0')) continue;
        const auto found = sparseFiles.find(HashOf(main.name));
        const ListedFile* sparse = found == sparseFiles.end() ? nullptr : found->second;
        if (!PassesSizeRule(main.size + (sparse ? sparse->size : 0))) continue;
        const std::uint64_t digest = sparse ? Stamp(Stamp(0, main), *sparse) : Stamp(0, main);
        const std::wstring key = folder + L"\\" + main.name;
        if (memo_.Settled(key, digest)) continue;
        if (!disk) disk.emplace(FileSystemPath(folder));
        const SimpleEntryFiles entry{Narrow(std::wstring(HashOf(main.name))), true, sparse != nullptr};
        const std::optional<CachedResponse> response = ReadSimpleEntry(*disk, entry);
        if (!response || IsSettled(IntakeCachedResponse(*response, folder, main.created, context_)))
            memo_.Remember(key, digest);
    }
}

void BrowserCacheIntake::ScanFirefox(const std::wstring& folder) {
    const DiskCacheFiles disk = DiskFolder(folder);
    const std::wstring entries = folder + L"\\" + Widen(kFirefoxEntriesFolder);
    for (const ListedFile& file : ListFiles(entries)) {
        if (!PassesSizeRule(file.size)) continue;
        const std::wstring key = entries + L"\\" + file.name;
        const std::uint64_t digest = Stamp(0, file);
        if (memo_.Settled(key, digest)) continue;
        const auto response = ReadFirefoxEntry(disk, std::string(kFirefoxEntriesFolder) + "/" + Narrow(file.name));
        if (!response || IsSettled(IntakeCachedResponse(*response, folder, file.created, context_)))
            memo_.Remember(key, digest);
    }
}

// Entries live inside shared block files, so only the folder as a whole tells whether
// anything changed; each response is then settled by the files of its own.
void BrowserCacheIntake::ScanBlockfile(const std::wstring& folder, const std::vector<ListedFile>& files) {
    std::uint64_t folderDigest = 0;
    for (const ListedFile& file : files) folderDigest = Stamp(MixStamp(folderDigest, file.name.size()), file);
    if (memo_.Settled(folder, folderDigest)) return;
    const FilesByName byName = IndexByName(files);
    bool allSettled = true;
    for (const CachedResponse& response : ReadBlockfileCache(DiskFolder(folder))) {
        if (response.ownFiles.empty() || !PassesSizeRule(response.BodyLength())) continue;
        std::uint64_t digest = 0;
        bool listed = true;
        for (const std::string& own : response.ownFiles) {
            const auto found = byName.find(own);
            if (found == byName.end()) listed = false;
            else digest = Stamp(digest, *found->second);
        }
        if (!listed) {  // written after the listing: the next pass sees it
            allSettled = false;
            continue;
        }
        const ListedFile& first = *byName.at(response.ownFiles.front());
        const std::wstring key = folder + L"\\" + first.name;
        if (memo_.Settled(key, digest)) continue;
        if (IsSettled(IntakeCachedResponse(response, folder, first.created, context_))) {
            memo_.Remember(key, digest);
        } else {
            allSettled = false;
        }
    }
    if (allSettled) memo_.Remember(folder, folderDigest);
}

}  // namespace capture
