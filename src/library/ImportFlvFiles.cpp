#include "library/ImportFlvFiles.h"

#include "framework/Pickers.h"
#include "framework/Worker.h"
#include "library/Catalogue.h"
#include "library/ClipArrival.h"
#include "library/ClipPlacement.h"
#include "library/ImportRules.h"

#include <algorithm>
#include <ctime>

namespace library {

int ImportFlvFiles(HWND window, const std::wstring& libraryFolder) {
    static const std::wstring filter(L"FLV videos\0*.FLV\0\0", 18);
    const auto chosen = framework::pickers().OpenFiles(filter);
    if (!chosen || chosen->empty()) return 0;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    std::vector<std::wstring> added;
    for (size_t index = 0; index < chosen->size(); ++index) {
        const std::wstring& source = (*chosen)[index];
        // A clip already named by this second is kept: the copy takes the next free name.
        const std::wstring clip =
            PlaceClipInLibrary(source, libraryFolder, static_cast<std::int32_t>(ImportSecond(now, index)),
                               [&] { return ImportTitle(source); });
        if (!clip.empty()) added.push_back(clip);
    }
    CatalogueSource source = DefaultCatalogueSource();
    source.folder = libraryFolder;
    const int count = static_cast<int>(added.size());
    // Later files took earlier seconds: the clip of the latest second ends on top.
    std::reverse(added.begin(), added.end());
    framework::StartWorker(window,
                           [source, clips = std::move(added)](HWND target) { ListNewClips(target, clips, source); });
    return count;
}

}  // namespace library
