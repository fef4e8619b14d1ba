#pragma once
#include "library/TitleMarkers.h"

#include <string>
#include <string_view>

namespace library {

// A clip whose title holds the deletion marker anywhere (case-sensitive) goes at start.
inline bool IsMarkedForDeletion(std::wstring_view title) {
    return title.find(kTitleToDelete) != std::wstring_view::npos;
}

// Deletes every clip of `libraryFolder` whose title holds the deletion marker. A clip
// that cannot be deleted now (held open elsewhere) stays for the next start; the list
// never shows it meanwhile. Returns how many clips were deleted.
int PurgeMarkedClips(const std::wstring& libraryFolder);

}  // namespace library
