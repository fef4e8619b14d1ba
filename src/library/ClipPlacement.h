#pragma once
// Bringing a file into the library: a whole copy made aside, titled and dated, then
// renamed to the first free name of its second.
#include "platform/CopyWholeFile.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace library {

// Copies in progress live in this subfolder of the library: the catalogue lists only
// files, so a half-made copy is never shown, and it is on the library's volume, so the
// finished copy moves into place by a rename.
std::wstring IncomingFolder(const std::wstring& libraryFolder);
// Deletes what a run that ended mid-copy left in the incoming folder.
void ClearIncomingFolder(const std::wstring& libraryFolder);

// Copies `source` into the library under the first free name of `second`, titled (the
// title is asked for only once the copy is whole) and, when given, with its creation
// time. Never replaces a clip and leaves nothing behind on failure; returns the clip's
// path, or empty.
std::wstring PlaceClipInLibrary(const std::wstring& source, const std::wstring& libraryFolder, std::int32_t second,
                                const std::function<std::wstring()>& title, const FILETIME* created = nullptr,
                                const platform::BlockWriter& writeBlock = platform::WriteWholeBlock);

// A fresh name in the incoming folder for a copy made from an entry created at `second`.
std::wstring IncomingTemporaryName(const std::wstring& libraryFolder, std::int32_t second);

// Titles and dates a finished copy in the incoming folder, keeps the address it was
// fetched from and the page it was watched on when they are given, and moves it into the
// library under the first free name of `second` (with `extension`). Returns the clip's
// path; on failure the copy is deleted and it is empty.
std::wstring PlaceCopyInLibrary(const std::wstring& temporary, const std::wstring& libraryFolder, std::int32_t second,
                                const std::function<std::wstring()>& title, const FILETIME* created,
                                const std::wstring& sourceUrl = {}, std::wstring_view extension = L".flv",
                                const std::wstring& pageUrl = {});

}  // namespace library
