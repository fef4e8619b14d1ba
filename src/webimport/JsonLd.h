#pragma once
// The structured data that pages carry in <script type="application/ld+json">: where a
// VideoObject says its video file is. Portable.
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

// The contentUrl of every VideoObject in the JSON text, in document order, however deep
// it sits (inside "@graph", an article's "video", an array). Text that is not JSON, or
// nests deeper than any page needs, gives none.
// Gives none as soon as `halt` is set.
std::vector<std::wstring> VideoObjectAddresses(std::wstring_view json, const std::atomic<bool>* halt = nullptr);

}  // namespace webimport
