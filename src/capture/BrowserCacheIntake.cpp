#include "capture/BrowserCacheIntake.h"

#include "capture/BlockfileCache.h"
#include "capture/ChromiumCache.h"
#include "capture/FirefoxCache.h"
#include "capture/SimpleCache.h"
#include "platform/Paths.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
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

std::int64_t BrowserCacheIntake::Now() const {
    return context_.now ? context_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

bool BrowserCacheIntake::Unchanged(Folder& state, std::uint64_t digest) const {
    state.seen = true;
    return state.digest == digest && (!state.nextCheck || Now() < *state.nextCheck);
}

void BrowserCacheIntake::ScanFolder(const std::wstring& folder, const CacheListing& listing) {
    const auto [it, added] = folders_.try_emplace(folder);
    Folder& state = it->second;
    if (added) state.digest = ~0ull;
    std::uint64_t digest = MixStamp(0, static_cast<std::uint64_t>(listing.kind));
    std::vector<ListedFile> firefoxFiles;
    switch (listing.kind) {
    case CacheKind::ChromiumSimple:
        for (const auto* files : {&listing.streamFiles, &listing.sparseFiles})
            for (const CacheListing::SimpleFile& file : *files) digest = Stamp(MixStamp(digest, file.hash), file.stamp);
        break;
    case CacheKind::Firefox:
        firefoxFiles = ListFiles(folder + L"\\" + Widen(kFirefoxEntriesFolder));
        for (const ListedFile& file : firefoxFiles) digest = Stamp(MixStamp(digest, file.name.size()), file);
        break;
    case CacheKind::ChromiumBlockfile:
        for (const ListedFile& file : listing.files) digest = Stamp(MixStamp(digest, file.name.size()), file);
        break;
    case CacheKind::None: return;
    }
    if (Unchanged(state, digest)) return;
    const DiskCacheFiles disk = DiskFolder(folder);
    std::vector<CachedResponse> responses;
    bool held = false;
    switch (listing.kind) {
    case CacheKind::ChromiumSimple: responses = ReadSimple(folder, listing, state, held); break;
    case CacheKind::Firefox: responses = ReadFirefox(folder, firefoxFiles, state, held); break;
    case CacheKind::ChromiumBlockfile:
        responses = ReadBlockfileCache(disk);
        // A block file holds the records of many entries: any of them may be missing.
        held = disk.TakeHeldFile();
        break;
    case CacheKind::None: break;
    }
    state.nextCheck = streams_.TakeFolder(folder, disk, responses, !held);
    // A file that another program holds without sharing is read again on the next pass,
    // though nothing in the listing changed: it may have been let go by then.
    state.digest = held ? ~0ull : digest;
}

// Entry files are read only when they changed since the last pass; a Simple cache holds
// thousands of them, mostly pages.
std::vector<CachedResponse> BrowserCacheIntake::ReadSimple(const std::wstring& folder, const CacheListing& listing,
                                                           Folder& state, bool& held) {
    std::unordered_map<std::uint64_t, const ListedFile*> sparseFiles;
    for (const CacheListing::SimpleFile& file : listing.sparseFiles) sparseFiles.emplace(file.hash, &file.stamp);
    std::optional<DiskCacheFiles> disk;
    std::unordered_map<std::wstring, ReadEntry> entries;
    std::vector<CachedResponse> responses;
    for (const CacheListing::SimpleFile& file : listing.streamFiles) {
        const auto found = sparseFiles.find(file.hash);
        const ListedFile* sparse = found == sparseFiles.end() ? nullptr : found->second;
        const std::uint64_t digest = sparse ? Stamp(Stamp(0, file.stamp), *sparse) : Stamp(0, file.stamp);
        const SimpleEntryFiles entry{HashText(file.hash), true, sparse != nullptr};
        const std::wstring key = Widen(entry.hash);
        auto known = state.entries.find(key);
        if (known == state.entries.end() || known->second.digest != digest) {
            if (!disk) disk.emplace(platform::FileSystemPath(folder));
            ReadEntry read{digest, ReadSimpleEntry(*disk, entry)};
            if (read.response) read.response->filesStamp = digest;
            // Read again next pass, though its files keep their stamps.
            if (disk->TakeHeldFile()) {
                held = true;
                read.digest = ~digest;
            }
            known = state.entries.insert_or_assign(key, std::move(read)).first;
        }
        if (known->second.response) responses.push_back(*known->second.response);
        entries.insert(state.entries.extract(known));
    }
    state.entries = std::move(entries);
    return responses;
}

std::vector<CachedResponse> BrowserCacheIntake::ReadFirefox(const std::wstring& folder,
                                                            const std::vector<ListedFile>& files, Folder& state,
                                                            bool& held) {
    const DiskCacheFiles disk = DiskFolder(folder);
    std::unordered_map<std::wstring, ReadEntry> entries;
    std::vector<CachedResponse> responses;
    for (const ListedFile& file : files) {
        const std::uint64_t digest = Stamp(0, file);
        auto known = state.entries.find(file.name);
        if (known == state.entries.end() || known->second.digest != digest) {
            ReadEntry read{digest,
                           ReadFirefoxEntry(disk, std::string(kFirefoxEntriesFolder) + "/" + Narrow(file.name))};
            if (read.response) read.response->filesStamp = digest;
            if (disk.TakeHeldFile()) {
                held = true;
                read.digest = ~digest;
            }
            known = state.entries.insert_or_assign(file.name, std::move(read)).first;
        }
        if (known->second.response) responses.push_back(*known->second.response);
        entries.insert(state.entries.extract(known));
    }
    state.entries = std::move(entries);
    return responses;
}

void BrowserCacheIntake::ForgetUnseen() {
    std::erase_if(folders_, [](const auto& folder) { return !folder.second.seen; });
    for (auto& folder : folders_) folder.second.seen = false;
    streams_.ForgetUnseen();
}

}  // namespace capture
