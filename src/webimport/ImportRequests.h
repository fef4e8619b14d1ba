#pragma once
// The requests of an import: what a failed one tells the user, and reading a page or a
// playlist whole, within the size that any real one keeps to.
#include "platform/HttpClient.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace webimport {

// Pages and playlists larger than this are not read further: a page that never ends
// would otherwise fill the memory.
inline constexpr std::size_t kLargestPage = 10u << 20;

enum class BodyRead { Whole, TooLarge, Failed, Halted };
// Reads the whole body into `bytes`, or stops at `limit` bytes.
BodyRead ReadBody(platform::HttpResponse& response, std::string& bytes, std::size_t limit = kLargestPage);

// The report for a request that failed before any answer; empty for a halt.
std::wstring_view RequestFailureText(platform::HttpFailure failure);

// The report for a body that could not be read whole; empty for a halt.
std::wstring_view BodyFailureText(BodyRead read);

}  // namespace webimport
