#pragma once
// A body put together from the cache files that hold its ranges, in order, into one file,
// checked on the way against every digest the browser stored for its bytes.
#include "capture/CachedResponse.h"

#include <string>
#include <vector>

namespace capture {

enum class Assembly {
    Written,
    Unreadable,  // a range could not be read whole, or the destination could not take it
    Damaged,     // bytes do not match the digest the browser stored for them
};

// The full path of the file `name` of the cache folder `folder` (no trailing backslash;
// '/' between the folders of `name`), ready for paths of any length.
std::wstring CacheFilePath(const std::wstring& folder, const std::string& name);

// Writes `body`'s ranges, in order, to `destination`. `checkedApart` are stored bytes with
// a digest that the body does not carry as they stand (a response head, a record taken in
// part): they are checked before anything is written. `folder` is the cache folder the
// ranges' file names are relative to (no trailing backslash). Nothing is left behind
// unless it was written whole.
Assembly AssembleBody(const std::vector<BodyRange>& body, const std::vector<BodyRange>& checkedApart,
                      const std::wstring& folder, const std::wstring& destination);

}  // namespace capture
