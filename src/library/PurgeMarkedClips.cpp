#include "library/PurgeMarkedClips.h"

#include "titles/FolderTitles.h"
#include "titles/TitleStore.h"

#include <windows.h>

namespace library {

PurgeResult PurgeMarkedClips(const std::wstring& libraryFolder, const ClipDeleter& deleteClip, MovieNumbers& numbers) {
    PurgeResult result;
    titles::ForEachTitledFile(libraryFolder, [&](const WIN32_FIND_DATAW& entry, const std::wstring& listedTitle) {
        numbers.See(listedTitle);
        if (!titles::IsMarkedForDeletion(listedTitle)) return;
        // Read again from the file itself, held while it is read: the listing is a moment
        // old, and a file put in the marked one's place meanwhile must not go for its mark.
        const std::wstring path = libraryFolder + entry.cFileName;
        if (!titles::IsMarkedForDeletion(titles::ReadTitle(path))) return;
        DWORD error = 0;
        if (deleteClip(path, error)) {
            ++result.deleted;
        } else {
            titles::WriteTitle(path, L"");
            result.kept.push_back(path);
        }
    });
    return result;
}

std::wstring KeptClipsText(const std::vector<std::wstring>& kept) {
    std::wstring text = kept.size() == 1 ? L"This video could not be deleted and stays in the list:"
                                         : L"These videos could not be deleted and stay in the list:";
    for (const std::wstring& path : kept) text += L"\n" + path;
    return text;
}

}  // namespace library
