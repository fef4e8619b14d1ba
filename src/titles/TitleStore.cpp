#include "titles/TitleStore.h"

#include "platform/FileValues.h"
#include "platform/Paths.h"
#include "platform/UniqueHandle.h"
#include "titles/FallbackTitleStore.h"
#include "titles/PropertySetTitle.h"
#include "titles/TitleMarkers.h"
#include "titles/VolumeRoot.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace titles {

namespace {

enum class VolumeKind { PropertySets, Fallback };

struct VolumeFacts {
    DWORD serial = 0;
    VolumeKind kind = VolumeKind::Fallback;
    ULONGLONG learntAt = 0;
};

// Asking a handle for its volume costs about a millisecond under Wine, twenty times the
// open itself, so the answer is kept per volume root. It is asked again now and then:
// a drive letter can be given to another medium.
constexpr ULONGLONG kVolumeFactsLifetimeMs = 5000;

class VolumeCache {
public:
    std::optional<VolumeFacts> Find(const std::wstring& root) {
        if (root.empty()) return std::nullopt;
        std::lock_guard lock(mutex_);
        const auto found = facts_.find(root);
        if (found == facts_.end()) return std::nullopt;
        if (GetTickCount64() - found->second.learntAt > kVolumeFactsLifetimeMs) return std::nullopt;
        return found->second;
    }
    void Remember(const std::wstring& root, const VolumeFacts& facts) {
        if (root.empty()) return;
        std::lock_guard lock(mutex_);
        facts_[root] = facts;
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::wstring, VolumeFacts> facts_;
};

VolumeCache& Volumes() {
    static VolumeCache cache;
    return cache;
}

// Nobody can delete or rewrite a file while its title is read or written, and a file
// someone else is writing is left alone. Readers are welcome: the player showing the clip,
// a conversion, or another build's probe must neither hide its title nor block a new one.
platform::UniqueFile OpenGuarded(const std::wstring& path) {
    return platform::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<VolumeFacts> QueryVolume(HANDLE file) {
    VolumeFacts facts;
    DWORD flags = 0;
    if (!GetVolumeInformationByHandleW(file, nullptr, 0, &facts.serial, nullptr, &flags, nullptr, 0)) {
        return std::nullopt;
    }
    // Per-file property sets live in named streams; a volume without them (FAT, and every
    // Wine drive) cannot keep one, and the open would only fail slowly on each file.
    facts.kind = (flags & FILE_NAMED_STREAMS) ? VolumeKind::PropertySets : VolumeKind::Fallback;
    facts.learntAt = GetTickCount64();
    return facts;
}

// The 64-bit file index without the volume query that GetFileInformationByHandle makes.
std::optional<std::uint64_t> QueryFileIndex(HANDLE file) {
    struct InternalInformation {
        LARGE_INTEGER indexNumber;
    } internal{};
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = NtQueryInformationFile(file, &status, &internal, sizeof internal, FileInternalInformation);
    if (result < 0) return std::nullopt;
    return static_cast<std::uint64_t>(internal.indexNumber.QuadPart);
}

struct IdentifiedFile {
    FileIdentity identity;
    std::uint64_t changeTime = 0;
    bool readOnly = false;
};

std::optional<IdentifiedFile> QueryIdentity(HANDLE file, DWORD volumeSerial) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) return std::nullopt;
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> index = QueryFileIndex(file);
    if (!index) return std::nullopt;
    IdentifiedFile found;
    FileIdentity& identity = found.identity;
    identity.volumeSerial = volumeSerial;
    identity.fileIndex = *index;
    identity.creationTime = static_cast<std::uint64_t>(basic.CreationTime.QuadPart);
    identity.lastWriteTime = static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart);
    identity.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    found.changeTime = static_cast<std::uint64_t>(basic.ChangeTime.QuadPart);
    found.readOnly = (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return found;
}

// Wine gives a file its last write time as creation time, and Linux hands a deleted file's
// inode to the next new file at once; a file created within the same clock tick as the one
// titled here could take over its identity and change time. Holding the file (so nobody
// deletes it) until the clock has moved past its times makes every later file's times differ.
constexpr std::uint64_t kTimestampTick = 30 * 10000;  // 30 ms in 100 ns units

void WaitUntilIdentityCannotRecur(const IdentifiedFile& file) {
    const std::uint64_t newest = std::max({file.identity.creationTime, file.identity.lastWriteTime, file.changeTime});
    FILETIME nowTime{};
    GetSystemTimeAsFileTime(&nowTime);
    const std::uint64_t now = platform::FileTimeValue(nowTime);
    // A file stamped far in the future (a skewed share) cannot be helped by waiting.
    if (newest + kTimestampTick <= now || newest > now + kTimestampTick) return;
    Sleep(static_cast<DWORD>((newest + kTimestampTick - now) / 10000 + 1));
}

// The file's volume facts, asked of the open file when they are not known yet.
std::optional<VolumeFacts> FactsFor(const std::wstring& root, HANDLE file) {
    if (auto known = Volumes().Find(root)) return known;
    auto asked = QueryVolume(file);
    if (asked) Volumes().Remember(root, *asked);
    return asked;
}

void RememberFallback(const std::wstring& root, VolumeFacts& facts) {
    facts.kind = VolumeKind::Fallback;
    Volumes().Remember(root, facts);
}

// Where one kind of text is kept: a property of the file's own set, or a fallback log.
struct TextSlot {
    PROPID property;
    std::shared_ptr<FallbackTitleStore> (*fallback)();
};
constexpr TextSlot kTitleSlot{PIDSI_TITLE, ProcessTitleStore};
constexpr TextSlot kSourceSlot{PIDSI_COMMENTS, ProcessSourceStore};
constexpr TextSlot kStreamSlot{PIDSI_KEYWORDS, ProcessStreamStore};
constexpr TextSlot kPageSlot{PIDSI_SUBJECT, ProcessPageStore};

std::wstring ReadStoredText(const std::wstring& path, const TextSlot& slot) {
    const std::wstring full = platform::FullPathOrSame(path);
    const std::wstring root = VolumeRootOf(full);
    for (int attempt = 0; attempt < 2; ++attempt) {
        platform::UniqueFile file = OpenGuarded(full);
        if (!file) return {};
        std::optional<VolumeFacts> facts = FactsFor(root, file.get());
        if (!facts) return {};
        if (facts->kind == VolumeKind::Fallback || attempt > 0) {
            const std::optional<IdentifiedFile> identified = QueryIdentity(file.get(), facts->serial);
            if (!identified) return {};
            FallbackTitleStore::Entry entry = slot.fallback()->Read(identified->identity);
            return StoredTitleHolds(entry, identified->changeTime) ? std::move(entry.title) : std::wstring();
        }
        file.reset();
        std::wstring title;
        const HRESULT hr = ReadPropertySetTitle(full, title, slot.property);
        if (!MeansNoPropertySets(hr)) return SUCCEEDED(hr) ? title : std::wstring();
        RememberFallback(root, *facts);
    }
    return {};
}

void WriteStoredText(const std::wstring& path, const std::wstring& text, const TextSlot& slot) {
    const std::wstring full = platform::FullPathOrSame(path);
    const std::wstring root = VolumeRootOf(full);
    for (int attempt = 0; attempt < 2; ++attempt) {
        platform::UniqueFile file = OpenGuarded(full);
        if (!file) return;
        std::optional<VolumeFacts> facts = FactsFor(root, file.get());
        if (!facts) return;
        if (facts->kind == VolumeKind::Fallback || attempt > 0) {
            const std::optional<IdentifiedFile> identified = QueryIdentity(file.get(), facts->serial);
            // A read-only file keeps whatever title it has, as it would with a property set.
            if (identified && !identified->readOnly &&
                slot.fallback()->Write(identified->identity, text, identified->changeTime)) {
                WaitUntilIdentityCannotRecur(*identified);
            }
            return;
        }
        file.reset();
        if (!MeansNoPropertySets(WritePropertySetTitle(full, text, slot.property))) return;
        RememberFallback(root, *facts);
    }
}

}  // namespace

std::wstring ReadTitle(const std::wstring& path) {
    std::wstring title = ReadStoredText(path, kTitleSlot);
    return title.empty() ? std::wstring(kTitleNotSet) : title;
}

void WriteTitle(const std::wstring& path, const std::wstring& text) { WriteStoredText(path, text, kTitleSlot); }

std::wstring ReadSourceUrl(const std::wstring& path) { return ReadStoredText(path, kSourceSlot); }

void WriteSourceUrl(const std::wstring& path, const std::wstring& url) { WriteStoredText(path, url, kSourceSlot); }

std::wstring ReadStreamIdentities(const std::wstring& path) { return ReadStoredText(path, kStreamSlot); }

void WriteStreamIdentities(const std::wstring& path, const std::wstring& identities) {
    WriteStoredText(path, identities, kStreamSlot);
}

std::wstring ReadPageUrl(const std::wstring& path) { return ReadStoredText(path, kPageSlot); }

void WritePageUrl(const std::wstring& path, const std::wstring& url) { WriteStoredText(path, url, kPageSlot); }

bool DeleteTitledFile(const std::wstring& path, DWORD& error) {
    const std::wstring full = platform::FullPathOrSame(path);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(full.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    const auto keep = [&] {
        error = GetLastError();
        if (readOnly) SetFileAttributesW(full.c_str(), attributes);
        return false;
    };
    // One handle for the identity and the deletion: nothing can swap the file in between.
    platform::UniqueFile file(
        CreateFileW(full.c_str(), DELETE | GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return keep();
    std::optional<IdentifiedFile> identified;
    const std::optional<VolumeFacts> facts = FactsFor(VolumeRootOf(full), file.get());
    if (facts && facts->kind == VolumeKind::Fallback) identified = QueryIdentity(file.get(), facts->serial);
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition)) return keep();
    file.reset();
    // A property set went with the file; a fallback title is forgotten once the file is gone.
    if (identified) {
        ProcessTitleStore()->Write(identified->identity, L"");
        ProcessSourceStore()->Write(identified->identity, L"");
        ProcessStreamStore()->Write(identified->identity, L"");
        ProcessPageStore()->Write(identified->identity, L"");
    }
    return true;
}

}  // namespace titles
