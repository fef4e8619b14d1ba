#include "library/ClipPlacement.h"

#include "library/ImportRules.h"
#include "titles/TitleStore.h"
#include "platform/FileValues.h"
#include "platform/UniqueHandle.h"

#include <atomic>

namespace library {

std::wstring IncomingFolder(const std::wstring& libraryFolder) { return libraryFolder + L".incoming\\"; }

void ClearIncomingFolder(const std::wstring& libraryFolder) {
    if (libraryFolder.empty()) return;
    const std::wstring folder = IncomingFolder(libraryFolder);
    platform::ForEachFile(folder,
                          [&](const WIN32_FIND_DATAW& entry) { DeleteFileW((folder + entry.cFileName).c_str()); });
}

std::wstring IncomingTemporaryName(const std::wstring& libraryFolder, std::int32_t second) {
    static std::atomic<unsigned> counter{0};
    return IncomingFolder(libraryFolder) + std::to_wstring(second) + L"-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(++counter) + L".part";
}

namespace {

void SetCreationTime(const std::wstring& path, const FILETIME& created) {
    platform::UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) SetFileTime(file.get(), &created, nullptr, nullptr);
}

// Renames the finished copy to the first free name of its second. A name already taken
// is never replaced: the rename itself refuses, so two captures cannot race for a name.
std::wstring MoveIntoLibrary(const std::wstring& temporary, const std::wstring& libraryFolder, std::int32_t second,
                             std::wstring_view extension) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring target = libraryFolder + LibraryClipName(second, attempt, extension);
        if (MoveFileExW(temporary.c_str(), target.c_str(), 0)) return target;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return {};
    }
    return {};
}

}  // namespace

std::wstring PlaceClipInLibrary(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                                const std::function<std::wstring()>& title, const FILETIME* created,
                                const platform::BlockWriter& writeBlock) {
    CreateDirectoryW(IncomingFolder(libraryFolder).c_str(), nullptr);
    const std::wstring temporary = IncomingTemporaryName(libraryFolder, second);
    const platform::BlockWriter& writer = writeBlock ? writeBlock : platform::BlockWriter(platform::WriteWholeBlock);
    if (!platform::CopyWholeFile(source, temporary, writer)) return {};
    return PlaceCopyInLibrary(temporary, libraryFolder, second, title, created);
}

std::wstring PlaceCopyInLibrary(const std::wstring& temporary, const std::wstring& libraryFolder, std::int32_t second,
                                const std::function<std::wstring()>& title, const FILETIME* created,
                                const std::wstring& sourceUrl, std::wstring_view extension,
                                const std::wstring& pageUrl) {
    // Titled and dated before it is moved in, so no list build sees the clip half-made.
    titles::WriteTitle(temporary, title());
    if (!sourceUrl.empty()) titles::WriteSourceUrl(temporary, sourceUrl);
    if (!pageUrl.empty()) titles::WritePageUrl(temporary, pageUrl);
    if (created != nullptr) SetCreationTime(temporary, *created);
    std::wstring clip = MoveIntoLibrary(temporary, libraryFolder, second, extension);
    if (clip.empty()) {
        // Nothing kept for it may pass to a later file that takes over its identity.
        titles::WriteTitle(temporary, L"");
        if (!sourceUrl.empty()) titles::WriteSourceUrl(temporary, L"");
        if (!pageUrl.empty()) titles::WritePageUrl(temporary, L"");
        DeleteFileW(temporary.c_str());
    }
    return clip;
}

}  // namespace library
