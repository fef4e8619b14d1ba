#pragma once
// The structured data that pages carry in <script type="application/ld+json">: where a
// VideoObject says its video file is. Portable.
#include <string>
#include <string_view>
#include <vector>

namespace webimport {

// The contentUrl of every VideoObject in the JSON text, in document order, however deep
// it sits (inside "@graph", an article's "video", an array). Text that is not JSON, or
// nests deeper than any page needs, gives none.
std::vector<std::wstring> VideoObjectAddresses(std::wstring_view json);

}  // namespace webimport
