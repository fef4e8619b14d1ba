#include "probe/ProbeCacheFile.h"

#include "platform/FileValues.h"
#include "platform/PathMutex.h"
#include "platform/SpecialFolders.h"
#include "platform/UniqueHandle.h"

#include <shlobj.h>

#include <span>
#include <vector>

namespace probe {

namespace {

// Far beyond what thousands of clips need; a larger file is not ours.
constexpr std::uint64_t kMaxFileBytes = 64u << 20;
// A save that waits this long for another is given up: the cache only saves time.
constexpr DWORD kSaveWaitMs = 10'000;
// Replacing the file fails while another process is reading it; such reads are short.
constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplaceRetryMs = 5;

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
    // Every kind of sharing, so that a reader never stands in the way of a replacement.
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > kMaxFileBytes)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &read, nullptr) ||
            read == 0)
            break;
        filled += read;
    }
    bytes.resize(filled);
    return bytes;
}

bool WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    platform::UniqueFile out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(out.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return FlushFileBuffers(out.get()) != FALSE;
}

bool ReplaceWith(const std::wstring& newPath, const std::wstring& path) {
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
        Sleep(kReplaceRetryMs);
    }
    return false;
}

void CreateParentFolder(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    // An existing folder answers ERROR_ALREADY_EXISTS; a real failure shows when the file
    // itself cannot be written.
    if (slash != std::wstring::npos && slash > 0) CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
}

}  // namespace

std::wstring DefaultProbeCachePath() {
    const std::wstring localData = platform::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    return localData.empty() ? std::wstring() : localData + L"\\Reelkeep\\probes.cache";
}

std::optional<ProbeToolIdentity> IdentifyProbeTool(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return ProbeToolIdentity{platform::FileSizeOf(data), platform::FileTimeValue(data.ftLastWriteTime)};
}

probe_cache::Parsed ProbeCacheFile::Load() const { return probe_cache::Parse(ReadWholeFile(path_), tool_); }

bool ProbeCacheFile::Save(const ProbeEntries& fresh, const FolderListing* listing) const {
    platform::UniqueHandle mutex(
        CreateMutexW(nullptr, FALSE, platform::MutexNameForPath(L"Reelkeep.ProbeCache", path_).c_str()));
    platform::MutexLock lock(mutex.get(), kSaveWaitMs);
    if (!lock.owned()) return false;
    // What another build saved since this one loaded stays; what cannot be trusted goes.
    probe_cache::Parsed current = Load();
    const bool usable =
        current.state == probe_cache::FileState::Intact || current.state == probe_cache::FileState::Damaged;
    const ProbeEntries merged = MergeForSave(usable ? std::move(current.entries) : ProbeEntries{}, fresh, listing);
    CreateParentFolder(path_);
    const std::wstring newPath = path_ + L".new";
    if (!WriteNewFile(newPath, probe_cache::Serialize(tool_, merged)) || !ReplaceWith(newPath, path_)) {
        DeleteFileW(newPath.c_str());
        return false;
    }
    return true;
}

}  // namespace probe
