#pragma once
// The title kept in a file's own Summary Information property set: the store of choice
// wherever the volume keeps per-file property sets.
#include <windows.h>
#include <propidl.h>

#include <string>

namespace titles {

// Reads the title property (or another text property of the Summary Information set).
// S_OK with an empty title means the set holds none.
HRESULT ReadPropertySetTitle(const std::wstring& path, std::wstring& title, PROPID property = PIDSI_TITLE);
HRESULT WritePropertySetTitle(const std::wstring& path, const std::wstring& text, PROPID property = PIDSI_TITLE);

// Whether a failed open says that this file cannot carry a property set at all (a plain
// file on a volume without them), as opposed to a file that is missing or in use.
bool MeansNoPropertySets(HRESULT openResult);

}  // namespace titles
