#include "capture/BrowserCacheIntake.h"

#include "capture/BlockfileCache.h"
#include "capture/ChromiumCache.h"
#include "capture/FirefoxCache.h"
#include "platform/LongPath.h"
#include "capture/ResponseIntake.h"
#include "capture/SimpleCache.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <array>
#include <cstdio>
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

std::uint64_t ParseHash(std::wstring_view digits) {
    std::uint64_t hash = 0;
    for (wchar_t c : digits) hash = (hash << 4) | static_cast<std::uint64_t>(c <= L'9' ? c - L'0' : c - L'a' + 10);
    return hash;
}

std::string HashText(std::uint64_t hash) {
    char text[kHashDigits + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

using FilesByName = std::unordered_map<std::string, const ListedFile*>;

FilesByName IndexByName(const std::vector<ListedFile>& files) {
    FilesByName byName;
    for (const ListedFile& file : files) byName.emplace(Narrow(file.name), &file);
    return byName;
}

DiskCacheFiles DiskFolder(const std::wstring& folder) { return DiskCacheFiles(platform::FileSystemPath(folder)); }

}  // namespace

ListedFile ListedFileOf(const WIN32_FIND_DATAW& entry, bool named) {
    return {named ? std::wstring(entry.cFileName) : std::wstring(),
            (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow, entry.ftCreationTime,
            FileTimeValue(entry.ftLastWriteTime)};
}

std::vector<ListedFile> ListFiles(const std::wstring& folder) {
    std::vector<ListedFile> files;
    WIN32_FIND_DATAW entry;
    platform::UniqueFind search(FindFirstFileExW(platform::FileSystemPath(folder + L"\\*").c_str(), FindExInfoBasic,
                                                 &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search) return files;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(ListedFileOf(entry));
    } while (FindNextFileW(search.get(), &entry));
    return files;
}

void CacheListing::Add(const WIN32_FIND_DATAW& entry) {
    switch (kind) {
    case CacheKind::ChromiumSimple: {
        const std::wstring_view name = entry.cFileName;
        const bool stream = IsSimpleEntryName(name, L'0');
        if (!stream && !IsSimpleEntryName(name, L's')) return;
        SimpleFile file{ParseHash(HashOf(name)), ListedFileOf(entry, false)};
        (stream ? streamFiles : sparseFiles).push_back(std::move(file));
        return;
    }
    case CacheKind::ChromiumBlockfile: files.push_back(ListedFileOf(entry)); return;
    case CacheKind::Firefox:
    case CacheKind::None: return;
    }
}

CacheKind RecognizeCacheFolder(const std::wstring& folder) {
    const std::size_t slash = folder.rfind(L'\\');
    const std::wstring_view name = std::wstring_view(folder).substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (name == L"cache2") {
        const DWORD entries = GetFileAttributesW(platform::FileSystemPath(folder + L"\\entries").c_str());
        if (entries != INVALID_FILE_ATTRIBUTES && (entries & FILE_ATTRIBUTE_DIRECTORY)) return CacheKind::Firefox;
    }
    const DWORD index = GetFileAttributesW(platform::FileSystemPath(folder + L"\\index").c_str());
    if (index == INVALID_FILE_ATTRIBUTES || (index & FILE_ATTRIBUTE_DIRECTORY)) return CacheKind::None;
    std::array<std::uint8_t, 8> start{};
    if (!DiskFolder(folder).Read("index", 0, start)) return CacheKind::None;
    switch (LayoutOfIndex(start)) {
    case ChromiumLayout::Simple: return CacheKind::ChromiumSimple;
    case ChromiumLayout::Blockfile: return CacheKind::ChromiumBlockfile;
    case ChromiumLayout::None: break;
    }
    return CacheKind::None;
}

void BrowserCacheIntake::ScanFolder(const std::wstring& folder, const CacheListing& listing) {
    switch (listing.kind) {
    case CacheKind::ChromiumSimple: ScanSimple(folder, listing); break;
    case CacheKind::ChromiumBlockfile: ScanBlockfile(folder, listing.files); break;
    case CacheKind::Firefox: ScanFirefox(folder); break;
    case CacheKind::None: break;
    }
}

// A Simple cache is mostly pages and scripts of a few KiB: only the entries whose files
// may hold more are looked up by name, so a pass with nothing new costs little more than
// its listing.
void BrowserCacheIntake::ScanSimple(const std::wstring& folder, const CacheListing& listing) {
    std::unordered_map<std::uint64_t, const ListedFile*> sparseFiles;
    for (const CacheListing::SimpleFile& file : listing.sparseFiles) sparseFiles.emplace(file.hash, &file.stamp);
    std::optional<DiskCacheFiles> disk;
    for (const CacheListing::SimpleFile& file : listing.streamFiles) {
        const auto found = sparseFiles.find(file.hash);
        const ListedFile& main = file.stamp;
        const ListedFile* sparse = found == sparseFiles.end() ? nullptr : found->second;
        // The body lies within these files: entries no larger than a page cost nothing more.
        if (!PassesSizeRule(main.size + (sparse ? sparse->size : 0))) continue;
        const std::uint64_t digest = sparse ? Stamp(Stamp(0, main), *sparse) : Stamp(0, main);
        const SimpleEntryFiles entry{HashText(file.hash), true, sparse != nullptr};
        const std::wstring key = folder + L"\\" + Widen(entry.Stream0File());
        if (memo_.Settled(key, digest)) continue;
        if (!disk) disk.emplace(platform::FileSystemPath(folder));
        const std::optional<CachedResponse> response = ReadSimpleEntry(*disk, entry);
        // A file of the entry that another program holds is read again on a later pass.
        if (disk->TakeHeldFile()) continue;
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
        if (disk.TakeHeldFile()) continue;
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
    const DiskCacheFiles disk = DiskFolder(folder);
    const std::vector<CachedResponse> responses = ReadBlockfileCache(disk);
    // With a block file held by another program, entries may be missing from what was read.
    bool allSettled = !disk.TakeHeldFile();
    for (const CachedResponse& response : responses) {
        if (response.ownFiles.empty() || !PassesSizeRule(response.BodyLength())) continue;
        std::uint64_t digest = 0;
        bool listed = true;
        for (const std::string& own : response.ownFiles) {
            const auto found = byName.find(own);
            if (found == byName.end())
                listed = false;
            else
                digest = Stamp(digest, *found->second);
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
