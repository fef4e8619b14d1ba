#pragma once
#include "library/MovieNumbering.h"
#include "titles/TitleMarkers.h"
#include "titles/TitleStore.h"

#include <windows.h>

#include <functional>

#include <string>
#include <string_view>
#include <vector>

namespace library {

struct PurgeResult {
    int deleted = 0;
    // Clips that could not be deleted (held open elsewhere): their marker is removed, so
    // they stay listed rather than hidden for good, and the user is told.
    std::vector<std::wstring> kept;
};

// Deletes every clip of `libraryFolder` whose title holds the deletion marker, read-only
// ones included. The marker goes only with the file: a start that ends midway leaves the
// rest marked for the next one.
// `deleteClip` is DeleteTitledFile; tests pass one that fails. Every title it reads is
// shown to `numbers`: this walk at start is what the numbering of captures starts from.
using ClipDeleter = std::function<bool(const std::wstring& path, DWORD& error)>;
PurgeResult PurgeMarkedClips(const std::wstring& libraryFolder,
                             const ClipDeleter& deleteClip = titles::DeleteTitledFile,
                             MovieNumbers& numbers = ProcessMovieNumbers());

// What the user reads about clips that stayed.
std::wstring KeptClipsText(const std::vector<std::wstring>& kept);

}  // namespace library
