#pragma once
// Every file of a folder with its title: the list builds, the start-up purge and the
// numbering of captures each need the titles of a whole library at once.
#include <windows.h>

#include <functional>
#include <string>

namespace titles {

// Calls `visit(entry, title)` for every file directly in `folder` (which ends with a
// backslash), never for a subfolder, with its title as ReadTitle reads it. Where titles
// live in the fallback store, the folder's listing gives each file's identity, so no file
// is opened and thousands of titles cost about what listing them does. A title read so is
// the file's title as of the listing: whatever acts on a file for its title (deletes it)
// reads that title again first. A missing or unreadable folder has no files.
using TitledFileVisit = std::function<void(const WIN32_FIND_DATAW& entry, const std::wstring& title)>;
void ForEachTitledFile(const std::wstring& folder, const TitledFileVisit& visit);

}  // namespace titles
