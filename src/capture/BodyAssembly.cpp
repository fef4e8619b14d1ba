#include "capture/BodyAssembly.h"

#include "capture/StoredDigests.h"
#include "platform/CopyWholeFile.h"
#include "platform/Paths.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace capture {

namespace {

// Large blocks: a range-played video is a hundred megabytes in 64 KiB records.
constexpr DWORD kAssemblyBlock = 1u << 20;

// The browser keeps writing its other entries: the source is shared for reading and
// writing (and deleting), and only the ranges the reader vouched for are read.
platform::UniqueFile OpenShared(const std::wstring& path) {
    return platform::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Copies one range, checking the browser's digest of it on the way.
Assembly CopyRange(HANDLE source, const BodyRange& range, HANDLE destination, std::vector<char>& block) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(range.offset);
    if (!SetFilePointerEx(source, at, nullptr, FILE_BEGIN)) return Assembly::Unreadable;
    std::optional<DigestAccumulator> digest;
    if (range.digest) digest.emplace(range.digest->kind);
    std::uint64_t left = range.length;
    while (left > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(left, block.size()));
        DWORD read = 0;
        if (!ReadFile(source, block.data(), want, &read, nullptr) || read != want) return Assembly::Unreadable;
        if (digest) digest->Add(std::span(reinterpret_cast<const std::uint8_t*>(block.data()), read));
        if (!platform::WriteWholeBlock(destination, block.data(), read)) return Assembly::Unreadable;
        left -= read;
    }
    return digest && digest->Value() != range.digest->value ? Assembly::Damaged : Assembly::Written;
}

Assembly WriteRanges(const std::vector<BodyRange>& body, const std::wstring& folder, HANDLE destination) {
    std::vector<char> block(kAssemblyBlock);
    std::wstring openName;
    platform::UniqueFile source;
    for (const BodyRange& range : body) {
        const std::wstring path = CacheFilePath(folder, range.file);
        // Consecutive ranges mostly lie in one file: keep it open across them.
        if (path != openName) {
            source = OpenShared(path);
            openName = path;
        }
        if (!source) return Assembly::Unreadable;
        const Assembly copied = CopyRange(source.get(), range, destination, block);
        if (copied != Assembly::Written) return copied;
    }
    return Assembly::Written;
}

}  // namespace

std::wstring CacheFilePath(const std::wstring& folder, const std::string& name) {
    std::wstring path = folder + L"\\" + std::wstring(name.begin(), name.end());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return platform::FileSystemPath(path);
}

Assembly AssembleBody(const std::vector<BodyRange>& body, const std::vector<BodyRange>& checkedApart,
                      const std::wstring& folder, const std::wstring& destination) {
    switch (CheckStoredDigests(DiskCacheFiles(platform::FileSystemPath(folder)), checkedApart)) {
    case DigestCheck::Hold: break;
    case DigestCheck::Fail: return Assembly::Damaged;
    case DigestCheck::Unreadable: return Assembly::Unreadable;
    }
    platform::UniqueFile out(
        CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return Assembly::Unreadable;
    Assembly result = WriteRanges(body, folder, out.get());
    if (result == Assembly::Written && !FlushFileBuffers(out.get())) result = Assembly::Unreadable;
    out.reset();
    if (result != Assembly::Written) DeleteFileW(destination.c_str());
    return result;
}

}  // namespace capture
